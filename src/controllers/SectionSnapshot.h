#pragma once
// One controller section read once: a run reads some hundred keys, and each
// read through the profile file would look the section up again. Reads give
// what IniFile's reads of the same section give.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace velmora {

class IniFile;

class SectionSnapshot {
public:
    SectionSnapshot(const IniFile& file, std::string_view section);

    std::optional<std::string_view> find(std::string_view key) const;
    std::string readString(std::string_view key, std::string_view def) const;
    // A whole decimal integer within int; nullopt when absent or not one.
    std::optional<int> integerValue(std::string_view key) const;
    // Any integer, non-zero meaning true; nullopt when absent or not an integer.
    std::optional<bool> boolValue(std::string_view key) const;
    int readInteger(std::string_view key, int def) const { return integerValue(key).value_or(def); }
    bool readBool(std::string_view key, bool def) const { return boolValue(key).value_or(def); }
    // Keeps the snapshot in step with a value the run writes to the file.
    void set(std::string_view key, std::string value);

private:
    std::unordered_map<std::string, std::string> values_;  // upper-cased key -> value
};

}  // namespace velmora
