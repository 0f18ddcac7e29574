// Banners, constants blocks, footers and the CRC macro around the sections of
// every generated file.
#include <cstdio>

#include "codegen/Emitters.h"

namespace velmora::codegen {

void EmitIecBanner(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    // The PID banner is one asterisk shorter than the PIDMA one.
    const std::string rule = "(" + Repeat('*', c.pid() ? 78 : 79) + ")";
    out.add(rule);
    out.add("//" + text(2038));
    out.add("//" + text(2041));
    out.add(rule + "\r\n");
}

void EmitMnemonicBanner(SourceBuffer& out, GeneratorTexts& text) {
    const std::string rule = ";" + Repeat('*', 79);
    out.add(rule);
    out.add(";" + text(2038));
    out.add(";" + text(2041));
    out.add(rule + "\r\n");
}

void EmitIecConstants(SourceBuffer& out, const ControllerFrame& c) {
    out.add("VAR_GLOBAL CONSTANT");
    out.add("  " + c.name + "_Definitions   : BOOL := true;");
    out.add("  " + c.name + "_ReleaseNumber : UINT := " + Num(c.release) + ";");
    out.add("END_VAR");
}

void EmitMnemonicConstants(SourceBuffer& out, const ControllerFrame& c, GeneratorTexts& text) {
    out.add("#def " + c.name + "_Definitions");
    out.add("#def " + c.name + "_ReleaseNumber " + Num(c.release));
    // Retained parameters only survive a warm restart.
    if (c.remanent) out.add("\r\n#useoption PLCstart = 0\t" + text(3409) + "\r\n");
}

std::string FormatStamp(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2i.%.2i.%.4i %.2i:%.2i:%.2i", t.day, t.month, t.year, t.hour, t.minute,
                  t.second);
    return buf;
}

void EmitIecFooter(SourceBuffer& out, const ControllerFrame& c, const LocalTime& stamp, GeneratorTexts& text) {
    if (c.pid()) {
        out.add("\r\n(" + Repeat('*', 79) + ")");
        out.add("// " + text(2040));
        out.add("// " + text(2037) + FormatStamp(stamp));
    } else {
        out.add("(" + Repeat('*', 79) + ")");
        out.add("//" + text(2040));
        out.add("//" + text(2037) + FormatStamp(stamp));
    }
}

void EmitMnemonicFooter(SourceBuffer& out, const LocalTime& stamp, GeneratorTexts& text) {
    out.add("\r\n;" + Repeat('*', 79));
    out.add(";" + text(2040));
    out.add(";" + text(2037) + FormatStamp(stamp));
}

bool CrcMacroDue(const ControllerFrame& c) {
    return !c.iec() && c.remanent && c.series != 6 && c.series != 7;
}

std::string CrcMacro(GeneratorTexts& text) {
    return "#ifndef CRC\r\n#usi u_crc =\tcrc16\t" + text(3404) + "\r\n#def CRC\tusi u_crc\r\n#endif";
}

}  // namespace velmora::codegen
