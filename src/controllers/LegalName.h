#pragma once
// The rule that turns a typed controller name into one the PLC compiler accepts.
#include <string>
#include <string_view>

namespace velmora {

struct LegalName {
    std::string name;
    bool corrected = false;  // the legal name differs from the trimmed text
};

// Trimmed of blanks at both ends; a leading digit gets "_" in front; every
// character other than an ASCII letter, a digit or "_" (a multi-byte UTF-8
// character counting as one) becomes "_".
LegalName LegalControllerName(std::string_view typed);

// Whether a stored controller or PLC name may become part of a file name: not
// empty and left as it is by the rule above (so no "/", "..", blank or NUL).
bool IsLegalName(std::string_view name);

// The name for a message: bytes outside printable ASCII as \xNN, so that a
// NUL or an escape sequence shows instead of acting.
std::string PrintableName(std::string_view name);

// Throws std::invalid_argument naming what the name belongs to when it is not legal.
void RequireLegalName(std::string_view what, std::string_view name);

}  // namespace velmora
