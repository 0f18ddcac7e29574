#include "controllers/LegalName.h"

#include <cstdio>
#include <stdexcept>

#include "base/Strings.h"

namespace velmora {

namespace {

bool IsLegal(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Bytes of the UTF-8 character that starts with c (1 for anything malformed).
std::size_t Utf8Length(unsigned char c) {
    if (c >= 0xF0 && c < 0xF8) return 4;
    if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

}  // namespace

LegalName LegalControllerName(std::string_view typed) {
    typed = Trim(typed);
    LegalName result;
    if (!typed.empty() && typed.front() >= '0' && typed.front() <= '9') result.name.push_back('_');
    for (std::size_t i = 0; i < typed.size();) {
        const char c = typed[i];
        if (IsLegal(c)) {
            result.name += c;
            ++i;
            continue;
        }
        std::size_t length = Utf8Length(static_cast<unsigned char>(c));
        if (length > 1) {
            // Only a well-formed sequence counts as one character.
            if (i + length > typed.size()) length = 1;
            for (std::size_t k = 1; k < length; ++k)
                if ((static_cast<unsigned char>(typed[i + k]) & 0xC0) != 0x80) length = 1;
        }
        result.name += '_';
        i += length;
    }
    result.corrected = result.name != typed;
    return result;
}

bool IsLegalName(std::string_view name) {
    return !name.empty() && !LegalControllerName(name).corrected;
}

std::string PrintableName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

void RequireLegalName(std::string_view what, std::string_view name) {
    if (!IsLegalName(name))
        throw std::invalid_argument(
            "The " + std::string(what) + " name \"" + PrintableName(name) +
            "\" is not a legal name (letters, digits and \"_\", not starting with a digit).");
}

}  // namespace velmora
