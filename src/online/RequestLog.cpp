#include "online/RequestLog.h"

#include <cstdio>
#include <system_error>

#include "online/OnlineHost.h"

namespace velmora::online {

namespace {

void AppendHexBytes(std::string& out, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
        out += "  ";
    }
}

}  // namespace

std::string FormatRequestLog(std::string_view text, std::int32_t command,
                             std::span<const std::uint8_t> request, std::int32_t responseLength,
                             std::span<const std::uint8_t> response) {
    std::string out;
    out.reserve(text.size() + 32 + 4 * (request.size() + response.size()));
    out += text;
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "\t%Xh\t%zu\t%d\t:\t", static_cast<unsigned>(command),
                  request.size(), static_cast<int>(responseLength));
    out += numbers;
    AppendHexBytes(out, request);
    out += '\n';
    AppendHexBytes(out, response);
    out += '\n';
    return out;
}

std::string FormatCommError(std::string_view description) {
    std::string out = "Comm Error\t";
    out += description;
    return out;
}

std::string DescribeCommError(std::int32_t code, const PlcErrorDescriber* host) {
    const auto bits = static_cast<std::uint32_t>(code);
    const unsigned facility = (bits >> 16) & 0x1FFF;
    if (facility == 4 && host) return host->describe(code);
    // Win32 errors wrapped in a result code carry the system's own number.
    if (facility == 7) return std::system_category().message(static_cast<int>(bits & 0xFFFF));
    char text[32];
    std::snprintf(text, sizeof text, "Error 0x%08X", bits);
    return text;
}

}  // namespace velmora::online
