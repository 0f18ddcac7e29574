#pragma once
// The host's communication loop calls the plug-in's callback; inside it the
// plug-in talks to the PLC through the request function it is handed.
#include <cstdint>

namespace velmora {

// Reads (0x0B) or writes (0x0C) PLC memory items. responseLength holds the
// capacity on entry and the number of bytes received on return. A negative
// result is an error code.
using PlcRequestFunction = std::int32_t (*)(std::int32_t command, std::int32_t requestLength,
                                            const std::uint8_t* request, std::int32_t* responseLength,
                                            std::uint8_t* response, std::int32_t timeoutMs,
                                            std::int32_t flags);

constexpr std::int32_t kPlcRead = 0x0B;
constexpr std::int32_t kPlcWrite = 0x0C;
constexpr std::int32_t kPlcRequestTimeoutMs = 5000;
constexpr std::int32_t kPlcRequestFlags = 0x40;

// The plug-in's callback: the request function (null in a closing pass), two
// values the plug-in does not use, and the loop's status word.
using CommLoopCallbackFunction = void (*)(PlcRequestFunction request, std::intptr_t first,
                                          std::intptr_t second, std::uint32_t status);

}  // namespace velmora
