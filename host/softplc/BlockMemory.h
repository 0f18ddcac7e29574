#pragma once
// A function block's members in PLC memory, for the blocks and the autotuner
// that lives in the PIDA block's private area: offsets from its start, bytes
// through the PLC's one encoder.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/ByteOrder.h"

namespace velmora::softplc::memory {

inline std::int16_t Get16(const std::uint8_t* p, int at) {
    return plc::GetInt16(p + at);
}
// Saturates to the INT range, as the PLC's store of a wider value does.
inline void Set16(std::uint8_t* p, int at, double v) {
    plc::PutInt16(p + at, static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))));
}
inline float GetF(const std::uint8_t* p, int at) {
    return plc::GetReal(p + at);
}
inline void SetF(std::uint8_t* p, int at, double v) {
    plc::PutReal(p + at, static_cast<float>(v));
}
inline std::int32_t Get32(const std::uint8_t* p, int at) {
    return plc::GetInt32(p + at);
}
inline void Set32(std::uint8_t* p, int at, std::int32_t v) {
    plc::PutInt32(p + at, v);
}

}  // namespace velmora::softplc::memory
