#include "base/Paths.h"
#include "base/Strings.h"

#include <algorithm>

namespace velmora {

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
            const std::filesystem::path dir = out.empty() ? std::filesystem::path(".") : out;
            bool found = false;
            for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
                const std::filesystem::path entry = it->path().filename();
                if (EqualNoCase(entry.string(), text)) {
                    next = out / entry;
                    found = true;
                    break;
                }
            }
            resolving = found;
        }
        out = std::move(next);
    }
    return out;
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
