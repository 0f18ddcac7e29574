#include "codegen/ControllerSettings.h"

#include <stdexcept>
#include <unordered_map>

#include "codegen/SectionSnapshot.h"
#include "base/IniFile.h"

namespace velmora::codegen {

namespace {

// The key table's entry of a key, looked up in an index built once: a run
// reads some hundred keys and the table is a list.
const ControllerKey& TableKey(std::string_view name, ControllerKind kind) {
    using Index = std::unordered_map<std::string, const ControllerKey*>;
    static const std::pair<Index, Index> index = [] {
        std::pair<Index, Index> out;
        for (const auto& key : ControllerKeyTable()) {
            if (key.appliesTo(ControllerKind::Pid)) out.first.emplace(UpperAscii(key.name), &key);
            if (key.appliesTo(ControllerKind::Pidma)) out.second.emplace(UpperAscii(key.name), &key);
        }
        return out;
    }();
    const Index& keys = kind == ControllerKind::Pid ? index.first : index.second;
    auto it = keys.find(UpperAscii(name));
    if (it == keys.end()) throw std::logic_error("the key table has no key " + std::string(name));
    return *it->second;
}

// Reads of one section with the defaults the table gives a reader. Texts are
// read as stored: the code loads several integer keys verbatim.
// The default is only looked up for a key the section does not hold.
class SectionReader {
public:
    SectionReader(const SectionSnapshot& section, ControllerKind kind, Reader reader)
        : section_(section), kind_(kind), reader_(reader) {}

    std::string text(std::string_view key) const {
        if (auto v = section_.find(key)) return std::string(*v);
        return defaultOf(key);
    }
    int integer(std::string_view key) const {
        if (auto v = section_.integerValue(key)) return *v;
        return std::stoi(defaultOf(key));
    }
    bool flag(std::string_view key) const {
        if (auto v = section_.boolValue(key)) return *v;
        return std::stoi(defaultOf(key)) != 0;
    }

private:
    std::string defaultOf(std::string_view key) const { return KeyDefault(TableKey(key, kind_), reader_); }

    const SectionSnapshot& section_;
    ControllerKind kind_;
    Reader reader_;
};

}  // namespace

ControllerFrame ReadControllerFrame(const SectionSnapshot& section, std::string_view name, int series) {
    ControllerFrame f;
    f.name = std::string(name);
    f.series = series;
    const SectionReader kindOnly(section, ControllerKind::Pid, Reader::Generator);
    f.kind = KindOfType(kindOnly.text("Type"));
    const SectionReader in(section, f.kind, Reader::Generator);
    f.release = NextReleaseNumber(in.integer("ReleaseNumber"));
    f.remanent = in.flag("Remanent");
    f.alias = in.flag("Alias");
    if (f.pid()) f.uScale = in.flag("UMeasure") || in.flag("UBipolar") || in.flag("A16");
    // IEC declarations need a compiler of series 6 or later.
    f.dialect = in.integer("HeaderInST") != 0 && series >= 6 ? Dialect::Iec : Dialect::Mnemonic;
    f.offRem = in.integer("OffRem");
    f.offReg = in.integer("OffReg");
    f.foundStruct = in.flag("FoundStruct");
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

PidSettings ReadPidSettings(const SectionSnapshot& section) {
    // The declarations read the frame's defaults, the code its own where the table gives one.
    const SectionReader decl(section, ControllerKind::Pid, Reader::Generator);
    const SectionReader in(section, ControllerKind::Pid, Reader::GeneratorCode);

    PidSettings p;
    p.inputMode = in.integer("InputMode");
    p.cascade = in.flag("Cascade");
    for (int k = 0; k < 3; ++k) {
        const std::string y = "Y" + std::to_string(k + 1);
        PidInput& i = p.input[k];
        // Unnamed inputs get names that cannot compile, so the PLC compiler points at them.
        i.name = in.text(y + "Name");
        i.cnvText = in.text(y + "CNVMode");
        i.cnvMode = in.integer(y + "CNVMode");
        i.filter = in.flag(y + "Filtr");
        i.scaling = in.flag(y + "Measure");
        i.tau = in.text(y + "Tau");
        i.x1 = in.text(y + "x1");
        i.x2 = in.text(y + "x2");
        i.y1 = in.text(y + "y1");
        i.y2 = in.text(y + "y2");
        i.min = in.integer(y + "Min");
        i.max = in.integer(y + "Max");
        i.overflow = in.text(y + "OVF");
        i.underflow = in.text(y + "UNF");
    }

    p.analogDeclared = decl.flag("UAnalog");
    p.analogCode = in.flag("UAnalog");
    p.uFiltr = in.flag("UFiltr");
    p.uMeasure = in.flag("UMeasure");
    p.uBipolar = in.flag("UBipolar");
    p.a16 = in.flag("A16");
    p.a8 = in.flag("A8");
    p.a12 = in.flag("A12");
    p.uReal = in.flag("UReal");
    p.uScale = p.uMeasure || p.uBipolar || p.a16;
    p.uTau = in.text("UTau");
    p.ux1 = in.text("Ux1");
    p.uy1 = in.text("Uy1");
    p.ux2 = in.text("Ux2");
    p.uy2 = in.text("Uy2");
    p.upName = in.text("UpName");
    p.umName = in.text("UmName");

    p.minY = in.integer("MinY");
    p.maxY = in.integer("MaxY");
    p.uMin = in.integer("UMin");
    p.uMax = in.integer("UMax");
    p.dUMax = in.integer("dUMax");
    p.outCycle = in.integer("OutCycle");
    p.p41 = in.flag("P41");
    p.udefLastU = in.flag("UdefLastU");
    p.uDef = in.text("UDef");
    p.tiW = in.text("TiW");
    p.pBnd = in.text("PBnd");
    p.relCool = in.text("RelCool");
    p.iGap = in.text("IGap");
    p.output = in.text("Output");
    p.ti = in.integer("Ti");
    p.td = in.integer("Td");
    p.eGap = in.integer("EGap");
    p.dGap = in.integer("DGap");
    p.ao = in.flag("AO");
    p.uPosition = in.flag("UPosition");
    p.am = in.flag("AM");
    p.wFiltr = in.flag("WFiltr");
    p.uf = in.integer("UF");
    p.gW = in.integer("gW");
    return p;
}

PidaSettings ReadPidaSettings(const SectionSnapshot& section, GeneratorTexts& text) {
    const SectionReader in(section, ControllerKind::Pidma, Reader::GeneratorCode);
    PidaSettings p;
    p.input = in.text("Input");
    p.output = in.text("Output");
    // The existence checks name the missing variables differently from the code.
    p.inputCheck = section.readString("Input", "Y1" + text(3433));
    p.outputCheck = section.readString("Output", text(3434));
    p.hv = in.text("hv");
    p.sp = in.text("sp");
    p.am = in.flag("AM");
    p.ts = in.text("Ts");
    p.irType = in.text("irtype");
    p.ract = in.text("RACT");
    p.k = in.text("k");
    p.ti = in.text("ti");
    p.td = in.text("td");
    p.nd = in.text("nd");
    p.b = in.text("b");
    p.c = in.text("c");
    p.tt = in.text("tt");
    p.hilim = in.text("hilim");
    p.lolim = in.text("lolim");
    p.itType = in.text("itType");
    p.iainf = in.text("iainf");
    p.dgc = in.text("DGC");
    p.tdg = in.text("tdg");
    p.tn = in.text("tn");
    p.amp = in.text("amp");
    p.dy = in.text("dy");
    p.ispeed = in.text("ispeed");
    p.ipid = in.text("ipid");
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

int CorrectConversionModes(IniFile& file, SectionSnapshot& section, std::string_view name, int plcType,
                           GeneratorTexts& text) {
    const std::string s = ControllerSection(name);
    int corrected = 0;
    const SectionReader in(section, ControllerKind::Pid, Reader::Generator);
    for (int i = 1; i <= 3; ++i) {
        const std::string y = "Y" + std::to_string(i);
        if (ConversionModeFits(in.integer(y + "CNVMode"), plcType)) continue;
        file.writeInteger(s, y + "CNVMode", 0);
        file.writeString(s, y + "Unit", text(3116));
        section.set(y + "CNVMode", "0");
        section.set(y + "Unit", text(3116));
        ++corrected;
    }
    return corrected;
}

}  // namespace velmora::codegen
