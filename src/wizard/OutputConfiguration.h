#pragma once
// Output page (TFormU1): positional or incremental, analog or three-stage,
// limits, filters, the conversion to the PLC output and the output variables.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/WizardContext.h"

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

enum class OutputConversion { A8, A12, A16, Real, UserScale };

// Leaving the minimal-action edit: limited to 0 ... 2.24 % and rounded up to a
// multiple of 0.32 %; the count of 0.32 % steps is what the file stores.
int MinimalActionSteps(std::string_view text);
std::string MinimalActionText(int steps, char separator);

struct OutputConfiguration {
    bool positional = true;
    bool analog = true;
    bool shortActionFilter = false;
    std::string minimalAction = "0,00";
    std::string uMax = "100,00", uMin = "0,00", dUMax = "100,00";
    bool filter = false;
    std::string tau = "0";
    OutputConversion conversion = OutputConversion::A8;
    bool zeroShift = false;  // AO: 4 - 20 mA
    bool bipolar = false;
    std::string u1 = "0,0", u2 = "0", u3 = "100,0", u4 = "10000";
    std::string upName, umName;
};

constexpr double kOutputLo = -100, kOutputHi = 100;     // UMax, UMin, the user-scale actions
constexpr double kIncrementLo = 0, kIncrementHi = 100;  // dUMax

// Which controls are usable for an output type and conversion.
struct OutputControlStates {
    bool conversionEnabled;  // the five choices and the 4 - 20 mA shift
    bool userScaleEnabled;   // EditU1 ... EditU4
    bool bipolarEnabled;
    bool negativeNameVisible;     // EditUm1
    std::uint32_t positiveLabel;  // 3181, or 3182 for three-stage output
};
OutputControlStates OutputStates(bool analog, OutputConversion conversion);

OutputConfiguration NewOutputConfiguration(char separator);
OutputConfiguration ReadOutputConfiguration(const IniFile& file, const std::string& section, char separator);
// Cascade control forces the incremental output.
bool OutputModeLocked(const IniFile& file, const std::string& section);
void WriteOutputConfiguration(IniFile& file, const std::string& section, const OutputConfiguration& u);

// The OK checks of the output variables, in their order.
bool CheckOutputConfiguration(const WizardContext& context, const OutputConfiguration& u);

// The control-word bits that this page decides.
int OutputControlBits(const OutputConfiguration& u);
constexpr int kOutputControlMask = 0xE036;
bool WriteOutputToPlc(const WizardContext& context, const OutputConfiguration& u);
std::optional<OutputConfiguration> ReadOutputFromPlc(const WizardContext& context,
                                                     const OutputConfiguration& shown, char separator);

}  // namespace velmora::wizard
