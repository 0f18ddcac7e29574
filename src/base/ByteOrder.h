#pragma once
// PLC byte order: every INT, DINT and REAL crosses to and from PLC memory
// little-endian, whatever the machine. The one encoder of the tool.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velmora::plc {

// On a little-endian machine the bytes are the value's own: one load or store.
inline constexpr bool kNativeLittle = std::endian::native == std::endian::little;

inline std::uint16_t GetUInt16(const std::uint8_t* p) {
    if constexpr (kNativeLittle) {
        std::uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    }
}
inline std::int16_t GetInt16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(GetUInt16(p));
}
inline std::uint32_t GetUInt32(const std::uint8_t* p) {
    if constexpr (kNativeLittle) {
        std::uint32_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
               (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
}
inline std::int32_t GetInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetUInt32(p));
}
inline float GetReal(const std::uint8_t* p) {
    const std::uint32_t bits = GetUInt32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void PutUInt16(std::uint8_t* p, std::uint16_t v) {
    if constexpr (kNativeLittle) {
        std::memcpy(p, &v, sizeof v);
    } else {
        p[0] = static_cast<std::uint8_t>(v & 0xFF);
        p[1] = static_cast<std::uint8_t>(v >> 8);
    }
}
inline void PutInt16(std::uint8_t* p, std::int16_t v) {
    PutUInt16(p, static_cast<std::uint16_t>(v));
}
inline void PutUInt32(std::uint8_t* p, std::uint32_t v) {
    if constexpr (kNativeLittle) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
inline void PutInt32(std::uint8_t* p, std::int32_t v) {
    PutUInt32(p, static_cast<std::uint32_t>(v));
}
inline void PutReal(std::uint8_t* p, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutUInt32(p, bits);
}

// Appending forms, for building request and image buffers.
inline void AppendInt16(std::vector<std::uint8_t>& out, std::int16_t v) {
    out.resize(out.size() + 2);
    PutInt16(out.data() + out.size() - 2, v);
}
inline void AppendInt32(std::vector<std::uint8_t>& out, std::int32_t v) {
    out.resize(out.size() + 4);
    PutInt32(out.data() + out.size() - 4, v);
}
inline void AppendReal(std::vector<std::uint8_t>& out, float v) {
    out.resize(out.size() + 4);
    PutReal(out.data() + out.size() - 4, v);
}

}  // namespace velmora::plc
