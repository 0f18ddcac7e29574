#pragma once
// PBnd … IGap, the seven INTs of T_PID that the PID parameter page and the
// online view's "Use vals" write into a running controller as one item, and
// the rule between the proportional band and its gain form that both edit.
#include <array>
#include <cstdint>

#include "base/PidStructure.h"
#include "controllers/ControllerKeys.h"

namespace velmora {

struct PidParameterBlock {
    std::int16_t pBnd = 0, relCool = 0, ti = 0, td = 0, eGap = 0, dGap = 0, iGap = 0;

    // From the values shown in the edits: PBnd, RelCool, Ti, Td × 10 and the
    // gaps × 100 (the keys' scales), made integers as `rounding` says and kept
    // inside an INT.
    static PidParameterBlock FromShown(double pBnd, double relCool, double ti, double td, double eGap,
                                       double dGap, double iGap, Rounding rounding = Rounding::AddHalf);
    friend bool operator==(const PidParameterBlock&, const PidParameterBlock&) = default;
};

// The block's bytes as T_PID holds them from PBnd on.
inline constexpr int kPidParameterBytes = plc::PidOffset("Control") - plc::PidOffset("PBnd");
std::array<std::uint8_t, kPidParameterBytes> EncodePidParameters(const PidParameterBlock& block);
PidParameterBlock DecodePidParameters(const std::uint8_t* bytes);

// PBnd and RelCool in %, the same limits on both pages.
inline constexpr double kBandLow = 0.1, kBandHigh = 3000;
// At or above the upper limit the upper limit, below the lower the lower.
double LimitBand(double band);
// K+ = 100 / PBnd; 1 for a band of 0.
double GainOfBand(double band);
// PBnd = 100 / K+, limited; a gain of 0 means no gain was given: the band of 100 %.
double BandOfGain(double gain);
// K- = 10000 / (RelCool · PBnd); 1 when the product is 0.
double CoolingGain(double relCool, double band);
// RelCool = 10000 / (K- · PBnd), limited; 100 when the product is 0.
double RelCoolOfGain(double coolingGain, double band);

}  // namespace velmora
