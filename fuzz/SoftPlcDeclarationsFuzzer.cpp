// The soft PLC's declaration parser (structured text, then mnemonic source
// after the first NUL): every symbol it places lies inside its area, and
// every look-up answer reads back through the operand parser.

#include "FuzzSupport.h"
#include "base/OperandParser.h"
#include "base/Strings.h"
#include "softplc/SymbolTable.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(SoftPlcDeclarations) {
    const std::string_view text = fuzz::Bytes(data, size);
    const auto cut = text.find('\0');
    softplc::SymbolTable symbols;
    symbols.addIecDeclarations(text.substr(0, cut));
    if (cut != std::string_view::npos) symbols.addMnemonicDeclarations(text.substr(cut + 1));
    symbols.build();
    fuzz::Expect(symbols.end() >= 0 && symbols.end() <= softplc::kAreaSize, "placed past the register area");
    // Every word of the input is tried as a name (at most 200).
    int tried = 0;
    for (std::size_t i = 0; i < text.size() && tried < 200;) {
        if (!IsAlphaAscii(text[i]) && text[i] != '_') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() &&
               (IsAlnumAscii(text[end]) || text[end] == '_' || text[end] == '.' || text[end] == '~'))
            ++end;
        const std::string name(text.substr(i, end - i));
        i = end;
        ++tried;
        const auto where = symbols.locate(name);
        if (!where) continue;
        fuzz::Expect(
            where->offset >= 0 && where->size >= 0 && where->offset + where->size <= softplc::kAreaSize,
            "a symbol outside its area");
        const auto answer = symbols.lookup(name);
        fuzz::Expect(answer && plc::ParseOperand(*answer).has_value(),
                     "a look-up the operand parser cannot read");
    }
    return 0;
}
