#include "codegen/ControllerSettings.h"

#include "controllers/IniFile.h"

namespace velmora::codegen {

std::string SectionOf(std::string_view name) { return "Regulator " + std::string(name); }

std::uint16_t NextRelease(int stored) { return static_cast<std::uint16_t>(static_cast<unsigned>(stored) + 1u); }

ControllerFrame ReadControllerFrame(const IniFile& file, std::string_view name, int series) {
    const std::string s = SectionOf(name);
    ControllerFrame f;
    f.name = std::string(name);
    f.series = series;
    f.release = NextRelease(file.readInteger(s, "ReleaseNumber", 0));
    f.remanent = file.readBool(s, "Remanent", true);
    f.alias = file.readBool(s, "Alias", true);
    f.kind = file.readString(s, "Type", "PID") == "PID" ? ControllerKind::Pid : ControllerKind::Pidma;
    f.uScale = file.readBool(s, "UMeasure", false) || file.readBool(s, "UBipolar", false) ||
               file.readBool(s, "A16", false);
    // IEC declarations need a compiler of series 6 or later.
    f.dialect = file.readInteger(s, "HeaderInST", 0) != 0 && series >= 6 ? Dialect::Iec : Dialect::Mnemonic;
    f.offRem = file.readInteger(s, "OffRem", -1);
    f.offReg = file.readInteger(s, "OffReg", -1);
    f.foundStruct = file.readBool(s, "FoundStruct", false);
    return f;
}

PidGroupFlags PidSettings::groupFlags() const {
    PidGroupFlags f;
    f.inputMode = inputMode;
    f.cascade = cascade;
    for (int k = 0; k < 3; ++k) {
        f.filter[k] = input[k].filter;
        f.scaling[k] = input[k].scaling;
    }
    f.filter[3] = uFiltr;
    f.scaling[3] = uScale;
    f.analogOutput = analogDeclared;
    return f;
}

PidSettings ReadPidSettings(const IniFile& file, std::string_view name, GeneratorTexts& text) {
    const std::string s = SectionOf(name);
    auto str = [&](std::string_view key, std::string_view def) { return file.readString(s, key, def); };
    auto num = [&](std::string_view key, int def) { return file.readInteger(s, key, def); };
    auto flag = [&](std::string_view key, bool def) { return file.readBool(s, key, def); };

    PidSettings p;
    p.inputMode = num("InputMode", 1);
    p.cascade = flag("Cascade", false);
    // Unnamed inputs get names that cannot compile, so the PLC compiler points at them.
    const std::string defaultNames[3] = {"Y1" + text(3016), "Y2_mebylo_definovano!!", "Y3" + text(3016)};
    for (int k = 0; k < 3; ++k) {
        const std::string y = "Y" + std::to_string(k + 1);
        PidInput& in = p.input[k];
        in.name = str(y + "Name", defaultNames[k]);
        in.cnvText = str(y + "CNVMode", "0");
        in.cnvMode = num(y + "CNVMode", 0);
        in.filter = flag(y + "Filtr", false);
        in.scaling = flag(y + "Measure", false);
        in.tau = str(y + "Tau", "0");
        in.x1 = str(y + "x1", "0");
        in.x2 = str(y + "x2", "10000");
        in.y1 = str(y + "y1", "0");
        in.y2 = str(y + "y2", "10000");
        in.min = num(y + "Min", 0);
        in.max = num(y + "Max", 10000);
        in.overflow = str(y + "OVF", "");
        in.underflow = str(y + "UNF", "");
    }

    p.analogDeclared = flag("UAnalog", true);
    p.analogCode = flag("UAnalog", false);
    p.uFiltr = flag("UFiltr", false);
    p.uMeasure = flag("UMeasure", false);
    p.uBipolar = flag("UBipolar", false);
    p.a16 = flag("A16", false);
    p.a8 = flag("A8", false);
    p.a12 = flag("A12", false);
    p.uReal = flag("UReal", false);
    p.uScale = p.uMeasure || p.uBipolar || p.a16;
    p.uTau = str("UTau", "0");
    p.ux1 = str("Ux1", "0");
    p.uy1 = str("Uy1", "10000");
    p.ux2 = str("Ux2", "0");
    p.uy2 = str("Uy2", "10000");
    p.upName = str("UpName", "");
    p.umName = str("UmName", "");

    p.minY = num("MinY", 0);
    p.maxY = num("MaxY", 10000);
    p.uMin = num("UMin", 0);
    p.uMax = num("UMax", 0);
    p.dUMax = num("dUMax", 0);
    p.outCycle = num("OutCycle", 100);
    p.p41 = flag("P41", false);
    p.udefLastU = flag("UdefLastU", false);
    p.uDef = str("UDef", "0");
    p.tiW = str("TiW", "0");
    p.pBnd = str("PBnd", "1000");
    p.relCool = str("RelCool", "1000");
    p.iGap = str("IGap", "0");
    p.output = str("Output", "0");
    p.ti = num("Ti", 0);
    p.td = num("Td", 0);
    p.eGap = num("EGap", 0);
    p.dGap = num("DGap", 0);
    p.ao = flag("AO", false);
    p.uPosition = flag("UPosition", false);
    p.am = flag("AM", false);
    p.wFiltr = flag("WFiltr", false);
    p.uf = num("UF", 0);
    p.gW = num("gW", 0);
    return p;
}

PidaSettings ReadPidaSettings(const IniFile& file, std::string_view name, GeneratorTexts& text) {
    const std::string s = SectionOf(name);
    auto str = [&](std::string_view key, std::string_view def) { return file.readString(s, key, def); };
    PidaSettings p;
    p.input = str("Input", "Vstup_nebyl_definovan");
    p.inputCheck = str("Input", "Y1" + text(3433));
    p.output = str("Output", "Vystup_nebyl_definovan");
    p.outputCheck = str("Output", text(3434));
    p.hv = str("hv", "0.");
    p.sp = str("sp", "0.");
    p.am = file.readBool(s, "AM", false);
    p.ts = str("Ts", "0,2");
    p.irType = str("irtype", "7");
    p.ract = str("RACT", "0");
    p.k = str("k", "1,0");
    p.ti = str("ti", "4,0");
    p.td = str("td", "1,0");
    p.nd = str("nd", "10,0");
    p.b = str("b", "1,0");
    p.c = str("c", "0,0");
    p.tt = str("tt", "1,0");
    p.hilim = str("hilim", "100,0");
    p.lolim = str("lolim", "0,0");
    p.itType = str("itType", "7");
    p.iainf = str("iainf", "1");
    p.dgc = str("DGC", "1");
    p.tdg = str("tdg", "10,0");
    p.tn = str("tn", "2,0");
    p.amp = str("amp", "15,0");
    p.dy = str("dy", "5,0");
    p.ispeed = str("ispeed", "2");
    p.ipid = str("ipid", "1");
    return p;
}

bool ConversionModeFits(int mode, int plcType) {
    switch (mode / 100) {  // the module group; negative pseudo modes fall in no group
        case 4:
        case 11:
        case 12:
        case 15:
            return plcType == 10;
        case 5:
            return plcType == 12 || plcType == 13;
        case 20:
            return plcType >= 0 && plcType <= 3;
        case 40:
            return plcType == 11;
        default:
            return true;
    }
}

int CorrectConversionModes(IniFile& file, std::string_view name, int plcType, GeneratorTexts& text) {
    const std::string s = SectionOf(name);
    int corrected = 0;
    for (int i = 1; i <= 3; ++i) {
        const std::string y = "Y" + std::to_string(i);
        if (ConversionModeFits(file.readInteger(s, y + "CNVMode", 0), plcType)) continue;
        file.writeInteger(s, y + "CNVMode", 0);
        file.writeString(s, y + "Unit", text(3116));
        ++corrected;
    }
    return corrected;
}

}  // namespace velmora::codegen
