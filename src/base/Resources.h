#pragma once
// Resources embedded in the plug-in's binary (text tables, the menu bitmap),
// looked up by name without regard to case, like the module's resources.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace velmora {

std::optional<std::span<const std::uint8_t>> FindResource(std::string_view name);

}  // namespace velmora
