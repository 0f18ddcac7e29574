#pragma once
// A symbol name turned into the header of a request item: the host's address
// text (or the name itself when it already is an address) read by the
// operand parser.
#include <optional>
#include <string>

#include "online/OnlineHost.h"
#include "online/PlcItem.h"

namespace velmora::online {

struct ResolvedSymbol {
    PlcItem item;   // area, offset and the operand's size
    char kind = 0;  // the parser's kind letter: B, W, L, F, D, Q or b
};

std::optional<ResolvedSymbol> ResolveSymbol(const std::string& symbol, const SymbolLookup& lookup);

}  // namespace velmora::online
