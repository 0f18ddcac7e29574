#include "online/SymbolResolver.h"

#include <cstdint>

#include "base/OperandParser.h"

namespace velmora::online {

namespace {

std::optional<ResolvedSymbol> FromAddress(const std::optional<plc::OperandAddress>& address) {
    if (!address) return std::nullopt;
    // A header holds one byte of area code, 16 bits of offset and one byte of count.
    if (address->area < 0 || address->area > 0xFF || address->offset < 0 || address->size <= 0 ||
        address->size > 0xFF || static_cast<std::int64_t>(address->offset) + address->size > plc::kAreaBytes)
        return std::nullopt;
    ResolvedSymbol out;
    out.item.area = static_cast<std::uint8_t>(address->area);
    out.item.offset = static_cast<std::uint16_t>(address->offset);
    out.item.count = static_cast<std::uint8_t>(address->size);
    out.item.valid = true;
    out.kind = address->kind;
    return out;
}

}  // namespace

std::optional<ResolvedSymbol> ResolveSymbol(const std::string& symbol, const SymbolLookup& lookup) {
    if (symbol.empty()) return std::nullopt;
    if (lookup) {
        if (const auto text = lookup(symbol)) return FromAddress(plc::ParseOperand(*text));
    }
    // A name that already is an address needs no translation.
    return FromAddress(plc::ParseOperand(symbol));
}

}  // namespace velmora::online
