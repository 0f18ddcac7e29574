#pragma once
// Names the host sees keep the IDE's form with backslashes ("Velmora\\Boiler.orv",
// an OEM directory "C:\ORVANE"); this is the one place where such a name
// becomes a path of the file system and back.
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// The host-visible name as a path: backslashes become separators and a
// relative name is taken under base. Each component that does not exist as
// written but matches an existing entry without regard to ASCII case is
// replaced by that entry, since the host's names are case-insensitive (an
// OEM directory arrives upper-cased); components not found stay as written.
std::filesystem::path HostPath(std::string_view hostName, const std::filesystem::path& base = {});

// A relative path in the host's form, components joined with backslashes.
std::string HostName(const std::filesystem::path& relative);

}  // namespace velmora
