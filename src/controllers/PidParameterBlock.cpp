#include "controllers/PidParameterBlock.h"

#include <algorithm>
#include <utility>

#include "base/ByteOrder.h"
#include "controllers/SectionReader.h"

namespace velmora {

namespace {

// The members in block order, each with its place in T_PID.
using Member = std::int16_t PidParameterBlock::*;
constexpr std::pair<Member, int> kMembers[] = {
    {&PidParameterBlock::pBnd, plc::PidOffset("PBnd")},
    {&PidParameterBlock::relCool, plc::PidOffset("RelCool")},
    {&PidParameterBlock::ti, plc::PidOffset("Ti")},
    {&PidParameterBlock::td, plc::PidOffset("Td")},
    {&PidParameterBlock::eGap, plc::PidOffset("EGap")},
    {&PidParameterBlock::dGap, plc::PidOffset("DGap")},
    {&PidParameterBlock::iGap, plc::PidOffset("IGap")},
};
constexpr int kFirst = plc::PidOffset("PBnd");

std::int16_t Stored(double shown, Key key, Rounding rounding) {
    return static_cast<std::int16_t>(
        std::clamp(ScaledToStored(shown, KeyScale(key), rounding), -32768, 32767));
}

}  // namespace

PidParameterBlock PidParameterBlock::FromShown(double pBnd, double relCool, double ti, double td, double eGap,
                                               double dGap, double iGap, Rounding rounding) {
    return {Stored(pBnd, key::PBnd, rounding), Stored(relCool, key::RelCool, rounding),
            Stored(ti, key::Ti, rounding),     Stored(td, key::Td, rounding),
            Stored(eGap, key::EGap, rounding), Stored(dGap, key::DGap, rounding),
            Stored(iGap, key::IGap, rounding)};
}

std::array<std::uint8_t, kPidParameterBytes> EncodePidParameters(const PidParameterBlock& block) {
    std::array<std::uint8_t, kPidParameterBytes> bytes{};
    for (const auto& [member, offset] : kMembers)
        plc::PutInt16(bytes.data() + offset - kFirst, block.*member);
    return bytes;
}

PidParameterBlock DecodePidParameters(const std::uint8_t* bytes) {
    PidParameterBlock block;
    for (const auto& [member, offset] : kMembers) block.*member = plc::GetInt16(bytes + offset - kFirst);
    return block;
}

double LimitBand(double band) {
    if (band >= kBandHigh) return kBandHigh;
    if (band < kBandLow) return kBandLow;
    return band;
}

double GainOfBand(double band) {
    return band == 0 ? 1 : 100 / band;
}

double BandOfGain(double gain) {
    return LimitBand(gain == 0 ? 100 : 100 / gain);
}

double CoolingGain(double relCool, double band) {
    const double product = relCool * band;
    return product == 0 ? 1 : 10000 / product;
}

double RelCoolOfGain(double coolingGain, double band) {
    const double product = coolingGain * band;
    return LimitBand(product == 0 ? 100 : 10000 / product);
}

}  // namespace velmora
