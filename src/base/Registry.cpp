#include "base/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/AtomicFile.h"
#include "base/Strings.h"

namespace velmora {

namespace {

std::string NormalKey(std::string_view key) {
    std::string k(key);
    while (!k.empty() && k.back() == '\\') k.pop_back();
    while (!k.empty() && k.front() == '\\') k.erase(k.begin());
    if (k.empty()) throw RegistryError("An empty registry key");
    return k;
}

std::string ValueName(std::string_view name) {
    return name == "@" ? std::string() : std::string(name);
}

void CheckLine(std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos)
        throw RegistryError("A registry value must be one line: " + std::string(text));
}

// A name the file would read back as a key, a comment or a split line cannot be stored.
void CheckValueName(std::string_view name) {
    CheckLine(name);
    if (name.find('=') != std::string_view::npos) throw RegistryError("A value name must not hold '='");
    if (name.starts_with('[') || name.starts_with(';'))
        throw RegistryError("A value name must not start with '[' or ';': " + std::string(name));
}

}  // namespace

Registry::Registry(std::filesystem::path file) : file_(std::move(file)) {
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (std::filesystem::exists(file_, ec)) throw RegistryError("Cannot read " + file_.string());
        return;
    }
    std::string line;
    int number = 0;
    Key* current = nullptr;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                throw RegistryError(file_.string() + ":" + std::to_string(number) + ": bad key");
            createKey(line.substr(1, line.size() - 2));
            current = find(NormalKey(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t eq = line.find('=');
        // A carriage return inside a line would not survive the next save.
        if (!current || eq == std::string::npos || line.find('\r') != std::string::npos)
            throw RegistryError(file_.string() + ":" + std::to_string(number) + ": bad value");
        current->values.emplace_back(ValueName(line.substr(0, eq)), line.substr(eq + 1));
    }
}

std::filesystem::path Registry::DefaultPath() {
    if (const char* p = std::getenv("VELMORA_REGISTRY"); p && *p) return p;
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else if (const char* appData = std::getenv("APPDATA"); appData && *appData)
        base = appData;
    else
        base = std::filesystem::temp_directory_path();
    return base / "velmora" / "registry.ini";
}

Registry::Key* Registry::find(std::string_view key) {
    for (Key& k : keys_)
        if (EqualNoCase(k.path, key)) return &k;
    return nullptr;
}

const Registry::Key* Registry::find(std::string_view key) const {
    for (const Key& k : keys_)
        if (EqualNoCase(k.path, key)) return &k;
    return nullptr;
}

void Registry::createKey(std::string_view key) {
    const std::string k = NormalKey(key);
    CheckLine(k);
    if (!find(k)) keys_.push_back(Key{k, {}});
}

void Registry::setValue(std::string_view key, std::string_view name, std::string_view value) {
    CheckValueName(name);
    CheckLine(value);
    createKey(key);
    Key* k = find(NormalKey(key));
    const std::string n = ValueName(name);
    for (auto& [vn, vv] : k->values) {
        if (EqualNoCase(vn, n)) {
            vv = std::string(value);
            return;
        }
    }
    k->values.emplace_back(n, std::string(value));
}

std::optional<std::string> Registry::value(std::string_view key, std::string_view name) const {
    const Key* k = find(NormalKey(key));
    if (!k) return std::nullopt;
    const std::string n = ValueName(name);
    for (const auto& [vn, vv] : k->values)
        if (EqualNoCase(vn, n)) return vv;
    return std::nullopt;
}

bool Registry::keyExists(std::string_view key) const {
    const std::string k = NormalKey(key);
    for (const Key& stored : keys_)
        if (EqualNoCase(stored.path, k) || StartsWithNoCase(stored.path, k + "\\")) return true;
    return false;
}

std::vector<std::string> Registry::subkeys(std::string_view key) const {
    const std::string prefix = NormalKey(key) + "\\";
    std::vector<std::string> names;
    for (const Key& stored : keys_) {
        if (!StartsWithNoCase(stored.path, prefix)) continue;
        std::string rest = stored.path.substr(prefix.size());
        rest = rest.substr(0, rest.find('\\'));
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return EqualNoCase(n, rest); }))
            names.push_back(rest);
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> Registry::values(std::string_view key) const {
    const Key* k = find(NormalKey(key));
    return k ? k->values : std::vector<std::pair<std::string, std::string>>{};
}

bool Registry::deleteTree(std::string_view key) {
    const std::string k = NormalKey(key);
    const auto before = keys_.size();
    std::erase_if(keys_, [&](const Key& stored) {
        return EqualNoCase(stored.path, k) || StartsWithNoCase(stored.path, k + "\\");
    });
    return keys_.size() != before;
}

void Registry::save() const {
    std::ostringstream out;
    for (const Key& k : keys_) {
        out << '[' << k.path << "]\n";
        for (const auto& [name, value] : k.values) out << (name.empty() ? "@" : name) << '=' << value << '\n';
        out << '\n';
    }
    const std::string text = out.str();
    std::error_code ec;
    if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ec);
    if (auto result = WriteFileAtomically(file_, text); !result) throw RegistryError(result.message());
}

}  // namespace velmora
