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

}  // namespace velmora
