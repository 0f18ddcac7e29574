#include "controllers/LegalName.h"

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
    while (!typed.empty() && static_cast<unsigned char>(typed.front()) <= ' ') typed.remove_prefix(1);
    while (!typed.empty() && static_cast<unsigned char>(typed.back()) <= ' ') typed.remove_suffix(1);
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

}  // namespace velmora
