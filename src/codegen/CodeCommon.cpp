// Pieces both code files share: operand names, real constants, the compile
// guards and the retained-zone instructions that depend on the PLC series.
#include "base/OperandParser.h"
#include "base/ParseDecimal.h"
#include "codegen/Emitters.h"

namespace velmora::codegen {

std::string OperandName(std::string_view name) {
    std::string out(name);
    for (std::size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i] == '.' && out[i + 1] > '9') out[i] = '~';
    return out;
}

std::string RealConstant(std::string_view stored) {
    if (ParseDecimal(stored) == 0.0) return "0";
    std::string out(stored);
    if (auto comma = out.find(','); comma != std::string::npos) {
        out[comma] = '.';
        return out;
    }
    if (out.find('.') == std::string::npos) out += '.';
    return out;
}

void EmitExistenceCheck(SourceBuffer& out, std::string_view variable, GeneratorTexts& text) {
    if (plc::ParseOperand(variable)) return;  // an absolute address always exists
    const std::string base(variable.substr(0, variable.find_first_of(".~[")));
    out.add("#ifndef ", base);
    out.add("\t#error e '", std::string(variable), " ", text(3427), "'");
    out.add("#endif");
}

namespace {

// The text's "%s" placeholders filled in order.
std::string FillPlaceholders(std::string format, std::initializer_list<std::string> values) {
    std::size_t from = 0;
    for (const auto& v : values) {
        auto at = format.find("%s", from);
        if (at == std::string::npos) break;
        format.replace(at, 2, v);
        from = at + v.size();
    }
    return format;
}

}  // namespace

void EmitDefinitionsGuard(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    out.add("#ifndef ", c.name, "_Definitions");
    // Names the mnemonic declarations file even when the declarations are IEC text.
    out.add("\t#error f ",
            FillPlaceholders(text(2050), {"\"" + c.name + "_def.orv\"", "\"" + c.name + ".orv\""}));
    out.add("#endif");
}

void EmitRestartProcesses(SourceBuffer& out, const ControllerFrame& c) {
    out.add("P 62");
    out.add("\tCAL\t", c.name, "_L0");
    out.add("E 62");
    out.add("\r\nP 63");
    out.add("\tCAL\t", c.name, "_L0");
    out.add("E 63");
}

std::string ZoneStart(const ControllerFrame& c, std::string_view variable) {
    return (c.crcm() ? "\tLD __offset(" : "\tLD __indx(") + std::string(variable) + ")";
}

std::string CrcInstruction(const ControllerFrame& c) {
    return c.crcm() ? "\tCRCM" : "\tCRC";
}

}  // namespace velmora::codegen
