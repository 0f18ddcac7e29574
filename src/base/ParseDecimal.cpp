#include "base/ParseDecimal.h"

#include "base/Strings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace velmora {

namespace {

// For a number too large or too small for a double: whether it is too large,
// from the position of its first significant digit and its exponent.
bool Overflows(std::string_view number) {
    long long magnitude = 0;  // the power of ten of the first significant digit, plus one
    std::size_t i = 0;
    while (i < number.size() && number[i] == '0') ++i;
    while (i < number.size() && IsDigitAscii(number[i])) ++i, ++magnitude;
    if (magnitude == 0 && i < number.size() && number[i] == '.') {
        ++i;
        while (i < number.size() && number[i] == '0') ++i, --magnitude;
    }
    const auto e = number.find_first_of("eE");
    if (e != std::string_view::npos) {
        long long exponent = 0;
        std::string_view digits = number.substr(e + 1);
        if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        if (ec == std::errc::result_out_of_range) return digits.front() != '-';
        // Far beyond a double's range either way; keeps the sum from overflowing.
        constexpr long long kFar = 1'000'000'000;
        magnitude += std::clamp(exponent, -kFar, kFar);
    }
    return magnitude > 0;
}

}  // namespace

double ParseDecimal(std::string_view text) {
    std::string copy(text);
    for (char& c : copy)
        if (c == ',') c = '.';
    const char* first = copy.data();
    const char* last = copy.data() + copy.size();
    while (first != last && IsSpaceAscii(*first)) ++first;
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    // Only a digit or a point may follow the sign, so "+-1" reads as no number.
    if (first == last || !(IsDigitAscii(*first) || *first == '.')) return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        value = Overflows(std::string_view(first, static_cast<std::size_t>(end - first)))
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    else if (ec != std::errc())
        return 0;
    return negative ? -value : value;
}

std::optional<double> ParseNumber(std::string_view text) {
    std::string copy(Trim(text));
    for (char& c : copy)
        if (c == ',') c = '.';
    std::string_view s = copy;
    if (s.starts_with('+') && !s.substr(1).starts_with('-')) s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (end != s.data() + s.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        const bool negative = s.front() == '-';
        const std::string_view digits = negative ? s.substr(1) : s;
        if (!Overflows(digits)) return negative ? -0.0 : 0.0;
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc()) return std::nullopt;
    return value;
}

bool IsIntegerLiteral(std::string_view text) {
    std::string_view t = Trim(text);
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) t.remove_prefix(1);
    return !t.empty() && std::all_of(t.begin(), t.end(), IsDigitAscii);
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
