#pragma once
// The registry stand-in: a text file of keys, each with named string values.
//
//   [HKEY_CLASSES_ROOT\CLSID\{C051C3F6-...}\InprocServer32]
//   @=/opt/velmora/libVelmora.so
//   ThreadingModel=Apartment
//
// "@" is the key's default value. Key and value names are compared without
// regard to case, as the registry does. Only keys written explicitly are
// stored; a parent key exists as long as one of its subkeys does.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora {

struct RegistryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Registry {
public:
    // Reads the file; a missing file is an empty registry. Throws RegistryError
    // for a file that cannot be read or parsed.
    explicit Registry(std::filesystem::path file);

    // VELMORA_REGISTRY when set, else the per-user file
    // ($XDG_DATA_HOME or ~/.local/share)/velmora/registry.ini.
    static std::filesystem::path DefaultPath();

    const std::filesystem::path& file() const { return file_; }

    void createKey(std::string_view key);
    // An empty name or "@" is the default value. Values are one line.
    void setValue(std::string_view key, std::string_view name, std::string_view value);
    std::optional<std::string> value(std::string_view key, std::string_view name = {}) const;
    bool keyExists(std::string_view key) const;
    // The names of the key's direct subkeys, in file order.
    std::vector<std::string> subkeys(std::string_view key) const;
    std::vector<std::pair<std::string, std::string>> values(std::string_view key) const;
    // Removes the key and everything under it; false when there was nothing.
    bool deleteTree(std::string_view key);

    // Writes the file atomically (a temporary file beside it, then a rename).
    void save() const;

private:
    struct Key {
        std::string path;
        std::vector<std::pair<std::string, std::string>> values;
    };
    Key* find(std::string_view key);
    const Key* find(std::string_view key) const;

    std::filesystem::path file_;
    std::vector<Key> keys_;
};

}  // namespace velmora
