#include "base/Paths.h"

#include <algorithm>

#include "base/Strings.h"

namespace velmora {

namespace {

// The entry of dir whose name matches without regard to ASCII case, if any.
std::optional<std::filesystem::path> MatchInFolder(const std::filesystem::path& dir,
                                                   const std::string& name) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::filesystem::path entry = it->path().filename();
        if (EqualNoCase(entry.string(), name)) return entry;
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path Folder(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::filesystem::path HostPath(std::string_view hostName, const std::filesystem::path& base) {
    std::string name(hostName);
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path given(name);
    std::filesystem::path out = given.is_absolute() || base.empty() ? given.root_path() : base;
    bool resolving = true;
    for (const auto& part : given.relative_path()) {
        const std::string text = part.string();
        if (text.empty() || text == "." || text == "..") {
            out /= part;
            continue;
        }
        std::error_code ec;
        std::filesystem::path next = out / part;
        if (resolving && !std::filesystem::exists(next, ec)) {
            const auto entry = MatchInFolder(out.empty() ? std::filesystem::path(".") : out, text);
            if (entry) next = out / *entry;
            resolving = entry.has_value();
        }
        out = std::move(next);
    }
    return out;
}

FolderNames::FolderNames(std::filesystem::path folder) : folder_(std::move(folder)) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
        add(it->path().filename().string());
}

std::filesystem::path FolderNames::path(const std::string& name) const {
    if (exact_.count(name)) return folder_ / name;
    const auto folded = folded_.find(UpperAscii(name));
    return folder_ / (folded == folded_.end() ? name : folded->second);
}

void FolderNames::add(const std::string& name) {
    exact_.insert(name);
    folded_.emplace(UpperAscii(name), name);  // the first in listing order, as a search would find
}

std::string HostName(const std::filesystem::path& relative) {
    std::string out;
    for (const auto& part : relative.relative_path()) {
        if (part.empty()) continue;
        if (!out.empty()) out += '\\';
        out += part.string();
    }
    return out;
}

}  // namespace velmora
