#pragma once
// Text helpers shared by every layer. Case folding is ASCII only: names in
// controller files, operands and host paths compare the way the PLC tools do,
// whatever locale the process runs in.
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

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
