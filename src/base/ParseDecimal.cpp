#include "base/ParseDecimal.h"

#include <locale.h>

#include <charconv>
#include <cstdlib>

namespace velmora {

namespace {
// strtod_l with a C locale object reads the same whatever locale the process runs in.
locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}
}  // namespace

double ParseDecimal(std::string_view text) {
    std::string copy(text);
    for (char& c : copy)
        if (c == ',') c = '.';
    return strtod_l(copy.c_str(), nullptr, CLocale());
}

std::string FormatDecimal(double value, char separator) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string out(buffer, ec == std::errc() ? end : buffer);
    for (char& c : out)
        if (c == '.') c = separator;
    return out;
}

}  // namespace velmora
