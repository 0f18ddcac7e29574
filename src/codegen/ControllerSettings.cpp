#include "codegen/ControllerSettings.h"

#include "base/IniFile.h"
#include "base/OperandParser.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"

namespace velmora::codegen {

using namespace velmora::plc;  // the PLC structures' member tables

ControllerFrame ReadControllerFrame(const SectionReader& section, std::string_view name, int series) {
    ControllerFrame f;
    f.name = std::string(name);
    f.series = series;
    f.kind = section.kind();
    const SectionReader in = section.as(Reader::Generator);
    f.release = NextReleaseNumber(in.integer(key::ReleaseNumber));
    f.remanent = in.flag(key::Remanent);
    f.alias = in.flag(key::Alias);
    if (f.pid()) f.uScale = in.flag(key::UMeasure) || in.flag(key::UBipolar) || in.flag(key::A16);
    // IEC declarations need a compiler of series 6 or later.
    f.dialect = in.integer(key::HeaderInST) != 0 && series >= 6 ? Dialect::Iec : Dialect::Mnemonic;
    f.offRem = in.integer(key::OffRem);
    f.offReg = in.integer(key::OffReg);
    f.foundStruct = in.flag(key::FoundStruct);
    return f;
}

std::optional<OffsetBeyondArea> CheckOffsets(const ControllerFrame& c, const SectionReader& section) {
    if (!c.iec()) return std::nullopt;
    // Retained blocks: the size byte, the retained image, the CRC word.
    int working = kPidaStructSize + kPidaPrivateSize;
    int retained = 1 + kPidaRetainedSize + 2;
    if (c.pid()) {
        const PidLayout layout = PlanPidLayout(ReadPidSettings(section).groupFlags());
        working = kPidStructSize + kPidPrivateSize;
        for (const AuxGroup& g : layout.working) working += g.size();
        retained = 1 + layout.retainedSize() + 2;
    }
    // Compared before any sum: the offsets may be anything up to the int maximum.
    if (c.offReg > kAreaBytes - working)
        return OffsetBeyondArea{key::OffReg.name, c.offReg, kAreaBytes - working};
    if (c.remanent && c.offRem > kAreaBytes - retained)
        return OffsetBeyondArea{key::OffRem.name, c.offRem, kAreaBytes - retained};
    return std::nullopt;
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

PidSettings ReadPidSettings(const SectionReader& section) {
    // The declarations read the frame's defaults, the code its own where the table gives one.
    const SectionReader decl = section.as(Reader::Generator);
    const SectionReader in = section.as(Reader::GeneratorCode);

    PidSettings p;
    p.inputMode = in.integer(key::InputMode);
    p.cascade = in.flag(key::Cascade);
    for (int k = 0; k < 3; ++k) {
        const key::SignalKeys& y = key::Y[k];
        PidInput& i = p.input[k];
        // Unnamed inputs get names that cannot compile, so the PLC compiler points at them.
        i.name = in.text(y.name);
        i.cnvText = in.text(y.cnvMode);
        i.cnvMode = in.integer(y.cnvMode);
        i.filter = in.flag(y.filtr);
        i.scaling = in.flag(y.measure);
        i.tau = in.text(y.tau);
        i.x1 = in.text(y.x1);
        i.x2 = in.text(y.x2);
        i.y1 = in.text(y.y1);
        i.y2 = in.text(y.y2);
        i.min = in.integer(y.min);
        i.max = in.integer(y.max);
        i.overflow = in.text(y.ovf);
        i.underflow = in.text(y.unf);
    }

    p.analogDeclared = decl.flag(key::UAnalog);
    p.analogCode = in.flag(key::UAnalog);
    p.uFiltr = in.flag(key::UFiltr);
    p.uMeasure = in.flag(key::UMeasure);
    p.uBipolar = in.flag(key::UBipolar);
    p.a16 = in.flag(key::A16);
    p.a8 = in.flag(key::A8);
    p.a12 = in.flag(key::A12);
    p.uReal = in.flag(key::UReal);
    p.uScale = p.uMeasure || p.uBipolar || p.a16;
    p.uTau = in.text(key::UTau);
    p.ux1 = in.text(key::Ux1);
    p.uy1 = in.text(key::Uy1);
    p.ux2 = in.text(key::Ux2);
    p.uy2 = in.text(key::Uy2);
    p.upName = in.text(key::UpName);
    p.umName = in.text(key::UmName);

    p.minY = in.integer(key::MinY);
    p.maxY = in.integer(key::MaxY);
    p.uMin = in.integer(key::UMin);
    p.uMax = in.integer(key::UMax);
    p.dUMax = in.integer(key::dUMax);
    p.outCycle = in.integer(key::OutCycle);
    p.p41 = in.flag(key::P41);
    p.udefLastU = in.flag(key::UdefLastU);
    p.uDef = in.text(key::UDef);
    p.tiW = in.text(key::TiW);
    p.pBnd = in.text(key::PBnd);
    p.relCool = in.text(key::RelCool);
    p.iGap = in.text(key::IGap);
    p.output = in.text(key::Output);
    p.ti = in.integer(key::Ti);
    p.td = in.integer(key::Td);
    p.eGap = in.integer(key::EGap);
    p.dGap = in.integer(key::DGap);
    p.ao = in.flag(key::AO);
    p.uPosition = in.flag(key::UPosition);
    p.am = in.flag(key::AM);
    p.wFiltr = in.flag(key::WFiltr);
    p.uf = in.integer(key::UF);
    p.gW = in.integer(key::gW);
    return p;
}

PidaSettings ReadPidaSettings(const SectionReader& section, GeneratorTexts& text) {
    const SectionReader in = section.as(Reader::GeneratorCode);
    PidaSettings p;
    p.input = in.text(key::Input);
    p.output = in.text(key::Output);
    // The existence checks name the missing variables differently from the code.
    p.inputCheck = std::string(section.stored(key::Input).value_or("Y1" + text(3433)));
    p.outputCheck = std::string(section.stored(key::Output).value_or(text(3434)));
    p.hv = in.text(key::hv);
    p.sp = in.text(key::sp);
    p.am = in.flag(key::AM);
    p.ts = in.text(key::Ts);
    p.irType = in.text(key::irtype);
    p.ract = in.text(key::RACT);
    p.k = in.text(key::k);
    p.ti = in.text(key::ti);
    p.td = in.text(key::td);
    p.nd = in.text(key::nd);
    p.b = in.text(key::b);
    p.c = in.text(key::c);
    p.tt = in.text(key::tt);
    p.hilim = in.text(key::hilim);
    p.lolim = in.text(key::lolim);
    p.itType = in.text(key::ittype);
    p.iainf = in.text(key::iainf);
    p.dgc = in.text(key::DGC);
    p.tdg = in.text(key::tdg);
    p.tn = in.text(key::tn);
    p.amp = in.text(key::amp);
    p.dy = in.text(key::dy);
    p.ispeed = in.text(key::ispeed);
    p.ipid = in.text(key::ipid);
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

int CorrectConversionModes(SectionWriter& section, int plcType, GeneratorTexts& text) {
    int corrected = 0;
    for (const key::SignalKeys& y : key::Y) {
        if (ConversionModeFits(section.integer(y.cnvMode), plcType)) continue;
        section.setInteger(y.cnvMode, 0);
        section.setText(y.unit, text(3116));
        ++corrected;
    }
    return corrected;
}

}  // namespace velmora::codegen
