#pragma once
// Text helpers shared by every layer. Case folding is ASCII only: names in
// controller files, operands and host paths compare the way the PLC tools do,
// whatever locale the process runs in.
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The blanks of the C locale (space, tab, LF, VT, FF, CR), whatever the
// process's locale says.
constexpr bool IsSpaceAscii(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool IsDigitAscii(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsAlphaAscii(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool IsAlnumAscii(char c) {
    return IsAlphaAscii(c) || IsDigitAscii(c);
}
constexpr char LowerAsciiChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
// 0..15 for a hexadecimal digit of either case, -1 for any other byte.
constexpr int HexDigitValue(char c) {
    return (c >= '0' && c <= '9')   ? c - '0'
           : (c >= 'A' && c <= 'F') ? c - 'A' + 10
           : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                    : -1;
}

// Blanks and control characters (every byte up to ' ') off both ends, as
// the host's own Trim does.
std::string_view Trim(std::string_view text);
std::string_view TrimLeft(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

// The parts between separators, empty ones included ("a,,b" gives three).
std::vector<std::string> Split(std::string_view text, char separator);
// Lines without their LF or CRLF ends; a final line end starts no empty line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace velmora
