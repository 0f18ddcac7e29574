#pragma once
// The settings a generation run reads from the controller's section. Defaults
// come from the controller key table, as the generator's readers see them
// (some differ from the pages': an absent UAnalog is analog for the
// declarations but a pulse output for the code, Uy1 defaults to 10000 there).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "codegen/RegisterPlacement.h"
#include "codegen/SourceBuffer.h"
#include "controllers/ControllerFile.h"
#include "controllers/ControllerKeys.h"
#include "controllers/SectionReader.h"

namespace velmora::codegen {

enum class Dialect { Iec, Mnemonic };

// What every run reads first.
struct ControllerFrame {
    std::string name;
    std::uint16_t release = 1;
    ControllerKind kind = ControllerKind::Pid;
    Dialect dialect = Dialect::Mnemonic;
    bool remanent = true;
    bool alias = true;
    bool foundStruct = false;
    bool uScale = false;  // UMeasure or UBipolar or A16
    int offReg = -1;
    int offRem = -1;
    int series = -1;  // PLC series number, -1 unknown

    bool iec() const { return dialect == Dialect::Iec; }
    bool pid() const { return kind == ControllerKind::Pid; }
    // Series 6 and later have the CRCM instruction and the __offset function.
    bool crcm() const { return series >= 6; }
};

ControllerFrame ReadControllerFrame(const SectionReader& section, std::string_view name, int series);

// An offset key (OffReg, OffRem) whose placed declarations would reach past
// the register area, and the largest offset that keeps them inside.
struct OffsetBeyondArea {
    std::string_view key;
    int value = 0;
    int largest = 0;
};
// Only placed IEC declarations print addresses; mnemonic ones never do.
std::optional<OffsetBeyondArea> CheckOffsets(const ControllerFrame& c, const SectionReader& section);

struct PidInput {
    std::string name;      // YkName
    std::string cnvText;   // YkCNVMode as written
    int cnvMode = 0;       // YkCNVMode as a number
    bool filter = false;   // YkFiltr
    bool scaling = false;  // YkMeasure
    std::string tau, x1, x2, y1, y2;
    int min = 0, max = 10000;  // YkMin, YkMax
    std::string overflow, underflow;
};

struct PidSettings {
    int inputMode = 1;
    bool cascade = false;
    PidInput input[3];

    bool analogDeclared = true;  // UAnalog as the declarations read it
    bool analogCode = false;     // UAnalog as the code reads it
    bool uFiltr = false;
    bool uMeasure = false, uBipolar = false, a16 = false, a8 = false, a12 = false, uReal = false;
    bool uScale = false;
    std::string uTau, ux1, uy1, ux2, uy2;
    std::string upName, umName;

    int minY = 0, maxY = 10000;
    int uMin = 0, uMax = 0, dUMax = 0, outCycle = 100;
    bool p41 = false, udefLastU = false;
    std::string uDef, tiW, pBnd, relCool, iGap, output;
    int ti = 0, td = 0, eGap = 0, dGap = 0;
    bool ao = false, uPosition = false, am = false, wFiltr = false;
    int uf = 0;
    int gW = 0;

    bool inputPresent(int signal) const { return groupFlags().inputPresent(signal); }
    PidGroupFlags groupFlags() const;
};

PidSettings ReadPidSettings(const SectionReader& section);

struct PidaSettings {
    std::string input, inputCheck;  // the code's default and the existence check's default
    std::string output, outputCheck;
    std::string hv, sp;
    bool am = false;
    // Parameter texts as stored (decimal comma allowed).
    std::string ts, irType, ract, k, ti, td, nd, b, c, tt, hilim, lolim;
    std::string itType, iainf, dgc, tdg, tn, amp, dy, ispeed, ipid;
};

PidaSettings ReadPidaSettings(const SectionReader& section, GeneratorTexts& text);

// The controller's conversion modes checked against the PLC type: a mode whose
// module group the PLC cannot have is reset to 0 and its unit to "Other".
// Writes the file and keeps the view in step. Returns the number of inputs corrected.
int CorrectConversionModes(SectionWriter& section, int plcType, GeneratorTexts& text);
bool ConversionModeFits(int mode, int plcType);

}  // namespace velmora::codegen
