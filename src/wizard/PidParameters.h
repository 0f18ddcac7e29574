#pragma once
// PID parameter page (TFormPReg2): band and gain forms, times, bands, the raw
// range, the sampling period, the action on error and the storage options.
#include <optional>
#include <string>
#include <string_view>

#include "controllers/PidParameterBlock.h"
#include "wizard/WizardContext.h"

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

struct EditLimits {
    double lo, hi;
    int decimals;
};

constexpr EditLimits kBandLimits{kBandLow, kBandHigh, 1};
constexpr EditLimits kRelCoolLimits{kBandLow, kBandHigh, 1};
constexpr EditLimits kTimeLimits{0, 3000, 1};        // Ti, Td
constexpr EditLimits kPercentLimits{0, 100, 2};      // EGap, IGap, DGap, uDef
constexpr EditLimits kPeriodLimits{0.01, 30000, 2};  // T

std::string LimitText(std::string_view text, const EditLimits& limits, char separator);

// Band and gain are one quantity in two forms (controllers/PidParameterBlock.h);
// the page shows bands with 1 decimal, gains with 2.
struct BandForm {
    std::string band, gain;
};
// Leaving the band edit: limited band, gain from it.
BandForm LeaveBand(std::string_view bandText, char separator);
// Leaving the gain edit: band from the gain, then the band rule.
BandForm LeaveGain(std::string_view gainText, char separator);
// The same for the band of negative errors, relative to the proportional band.
BandForm LeaveRelCool(std::string_view relCoolText, double band, char separator);
BandForm LeaveGainMinus(std::string_view gainText, double band, char separator);

// Where a controller's data lives: structure, retained registers, fixed offsets.
struct StorageOptions {
    bool foundStruct = false;
    bool remanent = true;
    bool placeReg = false, placeRem = false;
    std::string offReg = "0", offRem = "0";
};
// Remanent, OffReg and OffRem (a negative offset means no fixed place).
void ReadStorageOptions(const IniFile& file, const std::string& section, StorageOptions& options);
// FoundStruct, then OffReg and OffRem when the placement is visible.
void WriteStorageOptions(IniFile& file, const std::string& section, const StorageOptions& options,
                         bool placementVisible);

struct PidParameters : StorageOptions {
    std::string band, relCool, ti, td, eGap, iGap, dGap, maxY, minY, period, uDef;
    bool p41 = false;
    bool lastAction = false;  // on error keep the last actuator action
};

// Storage options that depend on the declarations dialect.
struct PidStorage {
    bool placementVisible = false;  // structured-text declarations (HeaderInST not 0)
    bool structEnabled = true;      // mnemonic declarations
};
PidStorage ReadPidStorage(const IniFile& file, const std::string& section);

// A new controller's page: initial texts, the raw range that the Y1 page computed.
PidParameters NewPidParameters(const IniFile& file, const std::string& section, char separator);
// An existing controller's values, scaled back from the file.
PidParameters ReadPidParameters(const IniFile& file, const std::string& section, char separator);
// Writes group 4 with Remanent and FoundStruct, then OffReg and OffRem when the
// placement is visible.
void WritePidParameters(IniFile& file, const std::string& section, const PidParameters& values,
                        bool placementVisible);

// The explanation beside the retained-register check box.
std::string RemanentExplanation(bool remanent, const std::string& controllerName);
// MinY and MaxY holding the same integer.
bool SameRawRange(std::string_view minText, std::string_view maxText);

// PLC side of OK and "Upload from PLC"; false when a write failed.
bool WritePidParametersToPlc(const WizardContext& context, const PidParameters& values);
std::optional<PidParameters> ReadPidParametersFromPlc(const WizardContext& context,
                                                      const PidParameters& shown, char separator);

}  // namespace velmora::wizard
