#include "base/Resources.h"
#include "base/Strings.h"

#include <cstddef>

namespace velmora {
namespace embedded {
struct Entry {
    const char* name;
    const std::uint8_t* data;
    std::size_t size;
};
extern const Entry kResources[];
extern const std::size_t kResourceCount;
}  // namespace embedded

std::optional<std::span<const std::uint8_t>> FindResource(std::string_view name) {
    for (std::size_t i = 0; i < embedded::kResourceCount; ++i) {
        const auto& e = embedded::kResources[i];
        if (EqualNoCase(e.name, name)) return std::span<const std::uint8_t>(e.data, e.size);
    }
    return std::nullopt;
}

}  // namespace velmora
