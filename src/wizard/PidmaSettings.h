#pragma once
// The floating-point controller's pages: controller settings (TFormPIDMA1)
// and autotuner settings (TFormPIDMA2). Parameters are kept as decimal text.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/ControllerKeys.h"
#include "wizard/PidParameters.h"
#include "wizard/WizardContext.h"

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

// Leaving a decimal edit: the number (the fallback when the text holds none)
// in fixed format with two decimals, 6 significant digits before rounding.
std::string PidmaDecimalText(std::string_view text, double fallback, char separator);

// The control algorithm types; irtype and ittype are 1-based positions in this list.
const std::vector<std::string>& AlgorithmTypes();  // "D", "I", "ID", "P", "PD", "PI", "PID"
constexpr int kTunerTypeFirst = 6;                 // the tuner offers "PI" and "PID"

struct PidmaParameter {
    Key key;
    double fallback;
};
// k, ti, td, nd, b, c, tt, hilim, lolim, Ts: edits Edit1 ... Edit10.
const std::array<PidmaParameter, 10>& PidmaParameters();

struct PidmaController : StorageOptions {
    int irtype = 7;
    bool reverse = false;
    std::array<std::string, 10> values;  // as the edits show them
    std::string input, output;
};

PidmaController NewPidmaController(const IniFile& file, const std::string& section, char separator);
PidmaController ReadPidmaController(const IniFile& file, const std::string& section, char separator);
// Writes irtype, RACT, Remanent, the parameter texts as shown, Input, Output,
// Ts, FoundStruct, then OffReg and OffRem when the placement is visible.
void WritePidmaController(IniFile& file, const std::string& section, const PidmaController& c,
                          bool placementVisible);
bool CheckPidmaController(const WizardContext& context, const PidmaController& c);

bool WritePidmaControllerToPlc(const WizardContext& context, const PidmaController& c);
std::optional<PidmaController> ReadPidmaControllerFromPlc(const WizardContext& context,
                                                          const PidmaController& shown, char separator);

struct PidmaAutotuner {
    int ittype = 7;
    int iainf = 1, ispeed = 2, ipid = 1;
    bool driftCompensation = false;
    std::array<std::string, 4> values;  // tdg, tn, amp, dy
};
const std::array<PidmaParameter, 4>& AutotunerParameters();
// The item of a stored code in a list that starts at `first`; out-of-range codes
// select the default's item.
int ChoiceIndex(int code, int first, int count, int defaultCode);

PidmaAutotuner NewPidmaAutotuner(char separator);
PidmaAutotuner ReadPidmaAutotuner(const IniFile& file, const std::string& section, char separator);
void WritePidmaAutotuner(IniFile& file, const std::string& section, const PidmaAutotuner& t);

bool WritePidmaAutotunerToPlc(const WizardContext& context, const PidmaAutotuner& t);
std::optional<PidmaAutotuner> ReadPidmaAutotunerFromPlc(const WizardContext& context,
                                                        const PidmaAutotuner& shown, char separator);

}  // namespace velmora::wizard
