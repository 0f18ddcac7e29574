#include "report/ReportLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velmora::report {

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string ValueLine(std::string_view label, std::string_view value) {
    const std::size_t width = CharacterCount(label);
    std::string line(label);
    line.append(width < kLabelWidth ? kLabelWidth - width : 1, ' ');
    line += ": ";
    line += value;
    return line;
}

namespace {

long long Pow10(int n) {
    long long p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

int DigitCount(unsigned long long n) {
    int d = 0;
    for (; n != 0; n /= 10) ++d;
    return d;
}

// Integer division rounding half away from zero.
unsigned long long DivideRounded(unsigned long long n, unsigned long long d) {
    return (n + d / 2) / d;
}

std::string Scientific(double value, int precision) {
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                   std::max(precision - 1, 0))
                         .ptr;
    // Three exponent digits, as the fixed-point writer of the report always had.
    std::string s(buffer, end);
    for (char& c : s)
        if (c == 'e') c = 'E';
    const auto e = s.find('E');
    if (e == std::string::npos || e + 2 > s.size()) return s;
    std::string digits = s.substr(e + 2);
    while (digits.size() < 3) digits.insert(digits.begin(), '0');
    return s.substr(0, e + 2) + digits;
}

}  // namespace

std::string FixedPoint(double value, int decimals, int precision) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    const double scaled = std::abs(value) * double(Pow10(decimals));
    if (scaled >= 9e18) return Scientific(value, precision);
    // Whole units of the last decimal; the scales of the report are exact there.
    unsigned long long units = static_cast<unsigned long long>(std::llround(scaled));
    const long long unit = Pow10(decimals);
    const int intDigits = DigitCount(units / unit);
    if (intDigits > precision) return Scientific(value, precision);
    const int excess = intDigits + decimals - precision;
    if (excess > 0) {
        const long long drop = Pow10(excess);
        units = DivideRounded(units, drop) * drop;
        if (DigitCount(units / unit) > precision) return Scientific(value, precision);
    }
    std::string s = std::to_string(units / unit);
    if (decimals > 0) {
        std::string frac = std::to_string(units % unit);
        s += '.';
        s.append(decimals - frac.size(), '0');
        s += frac;
    }
    if (value < 0 && units != 0) s.insert(s.begin(), '-');
    return s;
}

std::string ScaledValue(long long stored, double scale, int decimals, std::string_view unit) {
    const std::string number = FixedPoint(double(stored) * scale, decimals);
    const std::size_t width = std::max(kScaledWidth, number.size() + 1);
    std::string s(width - number.size(), ' ');
    s += number;
    s += ' ';
    s += unit;
    s += "\t(";
    s += std::to_string(stored);
    s += ')';
    return s;
}

std::string ChoiceLine(std::string_view lines, long long index) {
    if (index < 0) return std::string(kUnknownChoice);
    std::size_t start = 0;
    for (long long i = 0;; ++i) {
        const std::size_t end = lines.find('\n', start);
        if (i == index) {
            std::string_view line = lines.substr(start, end == std::string_view::npos ? end : end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            // A trailing line break does not make another choice.
            if (line.empty() && end == std::string_view::npos) return std::string(kUnknownChoice);
            return std::string(line);
        }
        if (end == std::string_view::npos) return std::string(kUnknownChoice);
        start = end + 1;
    }
}

std::string ExpandTabs(std::string_view line, std::size_t tabSize) {
    std::string out;
    out.reserve(line.size() + 8);
    std::size_t column = 0;
    for (unsigned char c : line) {
        if (c == '\t') {
            const std::size_t blanks = tabSize - column % tabSize;
            out.append(blanks, ' ');
            column += blanks;
            continue;
        }
        out += static_cast<char>(c);
        if ((c & 0xC0) != 0x80) ++column;
    }
    return out;
}

}  // namespace velmora::report
