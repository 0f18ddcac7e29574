#include "host/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "base/Strings.h"

namespace velmora::host {

namespace {

// The whole text as a number, one leading "+" allowed; nothing otherwise.
std::optional<double> WholeText(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

bool IsIdeSwitch(const std::string& arg) {
    const std::string a(Trim(arg));
    if (a.size() < 2 || a[0] != '/') return false;
    const std::string upper = UpperAscii(a);
    if (upper.rfind("/OEMDIR=", 0) == 0) return true;
    // "/WORD" or "/WORD=value": a switch, not an absolute path.
    const std::string word = upper.substr(1, upper.find('=') - 1);
    return std::all_of(word.begin(), word.end(), [](char c) { return IsAlnumAscii(c); }) &&
           !std::filesystem::exists(a);
}

std::optional<std::string> CommandArgs::next() {
    while (at_ < args_.size() && IsIdeSwitch(args_[at_])) ++at_;
    if (at_ == args_.size()) return std::nullopt;
    return args_[at_++];
}

std::string CommandArgs::value(const std::string& option) {
    if (at_ == args_.size()) throw UsageError(command_ + ": " + option + " needs a value");
    return args_[at_++];
}

void CommandArgs::unexpected(const std::string& option) const {
    throw UsageError(command_ + ": unexpected argument " + option);
}

std::string LimitText(double value) {
    char text[32];
    // Whole numbers in full ("2147483647"), others short ("0.5", "3.40282e+38").
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%g", value);
    return text;
}

double CheckedNumber(std::string_view text, const std::string& option, double min, double max) {
    const auto value = WholeText(text);
    if (!value || !std::isfinite(*value) || *value < min || *value > max)
        throw UsageError(option + " takes a number from " + LimitText(min) + " to " + LimitText(max) +
                         ", not " + std::string(text));
    return *value;
}

long long CheckedCount(std::string_view text, const std::string& option, long long min, long long max) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw UsageError(option + " takes a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not " + std::string(text));
    return value;
}

}  // namespace velmora::host
