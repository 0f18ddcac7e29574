#include "codegen/SectionSnapshot.h"

#include <charconv>
#include <climits>

#include "base/IniFile.h"
#include "base/Strings.h"

namespace velmora::codegen {

namespace {

std::optional<long long> WholeInteger(std::string_view t) {
    t = Trim(t);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return std::nullopt;
    long long n = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return n;
}

}  // namespace

SectionSnapshot::SectionSnapshot(const IniFile& file, std::string_view section) {
    for (auto& line : file.sectionValues(section)) {
        const auto eq = line.find('=');
        values_.emplace(UpperAscii(std::string_view(line).substr(0, eq)), line.substr(eq + 1));
    }
}

std::optional<std::string_view> SectionSnapshot::find(std::string_view key) const {
    auto it = values_.find(UpperAscii(key));
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string SectionSnapshot::readString(std::string_view key, std::string_view def) const {
    return std::string(find(key).value_or(def));
}

std::optional<int> SectionSnapshot::integerValue(std::string_view key) const {
    auto v = find(key);
    if (!v) return std::nullopt;
    auto n = WholeInteger(*v);
    if (!n || *n < INT_MIN || *n > INT_MAX) return std::nullopt;
    return static_cast<int>(*n);
}

std::optional<bool> SectionSnapshot::boolValue(std::string_view key) const {
    auto v = find(key);
    if (!v) return std::nullopt;
    auto n = WholeInteger(*v);
    if (!n) return std::nullopt;
    return *n != 0;
}

void SectionSnapshot::set(std::string_view key, std::string value) {
    values_[UpperAscii(key)] = std::move(value);
}

}  // namespace velmora::codegen
