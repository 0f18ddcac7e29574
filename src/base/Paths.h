#pragma once
// Names the host sees keep the IDE's form with backslashes ("Velmora\\Boiler.orv",
// an OEM directory "C:\ORVANE"); this is the one place where such a name
// becomes a path of the file system and back.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace velmora {

// The host-visible name as a path: backslashes become separators and a
// relative name is taken under base. Each component that does not exist as
// written but matches an existing entry without regard to ASCII case is
// replaced by that entry, since the host's names are case-insensitive (an
// OEM directory arrives upper-cased); components not found stay as written.
std::filesystem::path HostPath(std::string_view hostName, const std::filesystem::path& base = {});

// One listing of a folder for a pass that creates many files in it: a name
// resolves as HostPath would resolve it in that folder, without a listing per
// name (which made a pass over n new files cost n listings of up to n
// entries). Files made by others during the pass are not seen.
class FolderNames {
public:
    explicit FolderNames(std::filesystem::path folder);
    const std::filesystem::path& folder() const { return folder_; }
    // The entry written so, else the one matching without regard to ASCII
    // case, else the name as given.
    std::filesystem::path path(const std::string& name) const;
    // A file the pass has created.
    void add(const std::string& name);

private:
    std::filesystem::path folder_;
    std::unordered_set<std::string> exact_;
    std::unordered_map<std::string, std::string> folded_;  // upper-cased -> as listed
};

// The folder of a file path: its parent, "." for a bare name.
std::filesystem::path Folder(const std::filesystem::path& file);

// A relative path in the host's form, components joined with backslashes.
std::string HostName(const std::filesystem::path& relative);

}  // namespace velmora
