#pragma once
// Little-endian access to a function block's bytes in PLC memory, shared by
// the blocks and the autotuner that lives in the PIDA block's private area.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace velmora::softplc::memory {

inline std::int16_t Get16(const std::uint8_t* p, int at) {
    return static_cast<std::int16_t>(p[at] | (p[at + 1] << 8));
}
// Saturates to the INT range, as the PLC's store of a wider value does.
inline void Set16(std::uint8_t* p, int at, double v) {
    const long r = std::lround(std::clamp(v, -32768.0, 32767.0));
    p[at] = static_cast<std::uint8_t>(r & 0xFF);
    p[at + 1] = static_cast<std::uint8_t>((r >> 8) & 0xFF);
}
inline float GetF(const std::uint8_t* p, int at) {
    float f;
    std::memcpy(&f, p + at, 4);
    return f;
}
inline void SetF(std::uint8_t* p, int at, double v) {
    const float f = static_cast<float>(v);
    std::memcpy(p + at, &f, 4);
}
inline std::int32_t Get32(const std::uint8_t* p, int at) {
    std::int32_t v;
    std::memcpy(&v, p + at, 4);
    return v;
}
inline void Set32(std::uint8_t* p, int at, std::int32_t v) { std::memcpy(p + at, &v, 4); }

}  // namespace velmora::softplc::memory
