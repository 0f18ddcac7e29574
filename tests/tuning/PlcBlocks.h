#pragma once
// The soft PLC's PID and PIDA blocks on their bytes, loaded from the tuning's
// settings, for the tests that hold the preview against them.
#include <cstdint>
#include <utility>

#include "base/ByteOrder.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"
#include "softplc/Blocks.h"
#include "tuning/LoopSettings.h"

namespace velmora::tuning::testing {

using plc::PidaOffset;
using plc::PidOffset;

inline std::uint16_t ControlWord(const PidBlockSettings& s, bool automatic) {
    const int bits[] = {1, s.reverse, 0, 0, s.threeStage, s.incremental, automatic, 0, s.ramp};
    std::uint16_t word = 0;
    for (int b = 0; b < 9; ++b) word |= static_cast<std::uint16_t>(bits[b] << b);
    return static_cast<std::uint16_t>(word | ((s.fu & 7) << 13));
}

inline void Load(std::uint8_t* p, const PidBlockSettings& s) {
    const std::pair<int, int> words[] = {{PidOffset("MinY"), s.minY},
                                         {PidOffset("MaxY"), s.maxY},
                                         {PidOffset("tiW"), s.tiW},
                                         {PidOffset("MinU"), s.minU},
                                         {PidOffset("MaxU"), s.maxU},
                                         {PidOffset("dMaxU"), s.dMaxU},
                                         {PidOffset("OutCycle"), s.outCycle},
                                         {PidOffset("PBnd"), s.pBnd},
                                         {PidOffset("RelCool"), s.relCool},
                                         {PidOffset("Ti"), s.ti},
                                         {PidOffset("Td"), s.td},
                                         {PidOffset("EGap"), s.eGap},
                                         {PidOffset("DGap"), s.dGap},
                                         {PidOffset("IGap"), s.iGap}};
    for (const auto& [at, v] : words) plc::PutInt16(p + at, static_cast<std::int16_t>(v));
}

inline void Load(std::uint8_t* p, const PidaBlockSettings& s) {
    const std::pair<int, double> reals[] = {{PidaOffset("Ts"), s.ts},       {PidaOffset("k"), s.k},
                                            {PidaOffset("ti"), s.ti},       {PidaOffset("td"), s.td},
                                            {PidaOffset("nd"), s.nd},       {PidaOffset("b"), s.b},
                                            {PidaOffset("c"), s.c},         {PidaOffset("tt"), s.tt},
                                            {PidaOffset("hilim"), s.hilim}, {PidaOffset("lolim"), s.lolim}};
    for (const auto& [at, v] : reals) plc::PutReal(p + at, static_cast<float>(v));
    plc::PutInt32(p + PidaOffset("irType"), s.irType);
    plc::PutInt32(p + PidaOffset("ipid"), s.serial ? 2 : 1);
    p[PidaOffset("RACT")] = s.reverse;
}

}  // namespace velmora::tuning::testing
