#include "controllers/InputValue.h"

#include "controllers/ArithmeticExpression.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "base/Strings.h"
#include "base/Texts.h"
#include "base/Toolkit.h"

namespace velmora {

namespace {

// A digit's value below 16; 99, which no base admits, for anything else.
int DigitValue(char c) {
    const int value = HexDigitValue(c);
    return value < 0 ? 99 : value;
}

// Reads digits of the base from s at i; nullopt when there are none. Saturates
// instead of overflowing, which the range check then rejects.
std::optional<long long> Digits(std::string_view s, std::size_t& i, int base) {
    const std::size_t start = i;
    long long value = 0;
    constexpr long long kLimit = 1LL << 53;
    while (i < s.size() && DigitValue(s[i]) < base) {
        if (value < kLimit) value = value * base + DigitValue(s[i]);
        ++i;
    }
    if (i == start) return std::nullopt;
    return value;
}

bool ReadSign(std::string_view s, std::size_t& i) {
    while (i < s.size() && IsSpaceAscii(s[i])) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) return s[i++] == '-';
    return false;
}

// scanf's "%x" after the sign: an optional "0X" prefix, then hex digits.
std::optional<long long> Hex(std::string_view s, std::size_t i) {
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'X' || s[i + 1] == 'x') && i + 2 < s.size() &&
        DigitValue(s[i + 2]) < 16)
        i += 2;
    return Digits(s, i, 16);
}

// The limits are single precision: compare in it, so "0.1" meets a minimum of 0.1.
bool WithinLimits(double value, float minimum, float maximum) {
    if (std::isnan(value)) return false;
    if (std::fabs(value) > std::numeric_limits<float>::max()) return minimum <= value && value <= maximum;
    const float narrowed = static_cast<float>(value);
    return minimum <= narrowed && narrowed <= maximum;
}

}  // namespace

std::optional<long long> ReadIntegerText(std::string_view text) {
    const std::string upper = UpperAscii(text);
    std::string_view s = upper;
    std::size_t i = 0;
    std::optional<long long> value;
    bool negative = false;
    if (!s.empty() && s.front() == '$') {
        i = 1;
        negative = ReadSign(s, i);
        value = Hex(s, i);
    } else {
        negative = ReadSign(s, i);
        if (i < s.size() && s[i] == '0') {
            if (i + 2 < s.size() && s[i + 1] == 'X' && DigitValue(s[i + 2]) < 16) {
                value = Hex(s, i);
            } else {
                value = Digits(s, i, 8);  // "0" alone is octal zero
            }
        } else {
            value = Digits(s, i, 10);
        }
    }
    if (!value) return std::nullopt;
    return negative ? -*value : *value;
}

std::optional<double> ReadRealText(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == ',') c = '.';
    std::size_t i = 0;
    while (i < s.size() && IsSpaceAscii(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const char* first = s.data() + i;
    const char* last = s.data() + s.size();
    double value = 0.0;
    std::from_chars_result r{};
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        r = std::from_chars(first + 2, last, value, std::chars_format::hex);
        if (r.ec != std::errc()) {  // "0x" without hex digits: scanf reads the 0
            value = 0.0;
            r.ec = std::errc();
        }
    } else {
        r = std::from_chars(first, last, value, std::chars_format::general);
    }
    if (r.ec == std::errc::result_out_of_range) {
        // Like strtod: a huge number overflows (and fails the limits), a tiny one is 0.
        const std::string_view digits(first, static_cast<std::size_t>(r.ptr - first));
        const auto e = digits.find_first_of("eEpP");
        value =
            (e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-') ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

void InputValue::okClick(const std::string& text) {
    // Unchecked skips the expression and integer readings: always a real number.
    std::optional<double> value;
    if (!unchecked && expressionMode) {
        value = EvaluateArithmetic(text);
    } else if (!unchecked && integerMode) {
        if (auto n = ReadIntegerText(text)) value = static_cast<double>(*n);
    } else {
        value = ReadRealText(text);
    }
    if (!value) {
        messages_.show(Text(3019), Text(integerMode ? 3436 : 3437), MessageIcon::Stop, MessageButtons::Ok);
        return;
    }
    if (!WithinLimits(*value, minimum, maximum)) {
        messages_.show(Text(3019), Text(3435), MessageIcon::Stop, MessageButtons::Ok);
        return;
    }
    value_ = value;
    mayClose_ = true;
}

}  // namespace velmora
