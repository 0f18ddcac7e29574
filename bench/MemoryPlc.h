#pragma once
// A PLC for the online benchmarks: reads come from one register area, writes
// are taken silently, nothing is checked. The exchange is what is measured.
#include <array>
#include <cstdint>
#include <cstring>

#include "base/com/CommLoop.h"

namespace velmora::bench {

inline std::array<std::uint8_t, 0x10000> g_registers{};

inline std::int32_t MemoryRequest(std::int32_t command, std::int32_t requestLength,
                                  const std::uint8_t* request, std::int32_t* responseLength,
                                  std::uint8_t* response, std::int32_t, std::int32_t) {
    if (command != kPlcRead) {
        *responseLength = 1;
        return 0;
    }
    std::int32_t out = 0;
    for (std::int32_t at = 0; at + 4 <= requestLength; at += 4) {
        const int offset = request[at + 1] | (request[at + 2] << 8);
        const int count = request[at + 3];
        std::memcpy(response + out, g_registers.data() + offset, static_cast<std::size_t>(count));
        out += count;
    }
    *responseLength = out;
    return 0;
}

}  // namespace velmora::bench
