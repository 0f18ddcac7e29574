#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace velmora::fuzz {

std::vector<TargetEntry>& Targets() {
    static std::vector<TargetEntry> targets;
    return targets;
}

std::filesystem::path ScratchFolder() {
    // Never destroyed: the exit handler that removes it runs after static destructors.
    static const auto* folder = [] {
        std::error_code ec;
        const std::filesystem::path shm = "/dev/shm";
        const auto base =
            std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
        auto* f = new std::filesystem::path(base / ("velmora-fuzz-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*f);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return f;
    }();
    return *folder;
}

std::filesystem::path Fresh(const std::string& name) {
    const auto path = ScratchFolder() / name;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path);
    return path;
}

void WriteScratch(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("fuzz: cannot write " + path.string());
}

}  // namespace velmora::fuzz
