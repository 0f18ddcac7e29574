#pragma once
// The communication log's lines for PLC requests.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace velmora::online {

// log text, tab, command in hexadecimal with "h", tab, request length, tab,
// response length as the host reported it, tab, ":", tab, the request bytes
// ("0B  "), a line break, the received bytes the same way, a line break.
std::string FormatRequestLog(std::string_view text, std::int32_t command,
                             std::span<const std::uint8_t> request, std::int32_t responseLength,
                             std::span<const std::uint8_t> response);

// The line that precedes the request line of a failed request.
std::string FormatCommError(std::string_view description);

}  // namespace velmora::online
