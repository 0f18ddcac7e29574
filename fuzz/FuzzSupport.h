#pragma once
// Fuzz targets: one per parser, each a function over arbitrary bytes that
// throws (or trips a sanitizer) when the parser breaks a promise. Built two
// ways: under libFuzzer (VELMORA_LIBFUZZER, one program per target) and into
// the test program, whose randomized driver mutates the seed corpus.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::fuzz {

using Target = int (*)(const std::uint8_t* data, std::size_t size);

struct TargetEntry {
    const char* name;  // also the folder of its seed corpus: fuzz/corpus/<name>
    Target run;
};

std::vector<TargetEntry>& Targets();

struct Registration {
    Registration(const char* name, Target run) { Targets().push_back({name, run}); }
};

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process for files a target must read from disk (on
// /dev/shm when there is one), emptied by Fresh().
std::filesystem::path ScratchFolder();
std::filesystem::path Fresh(const std::string& name);
void WriteScratch(const std::filesystem::path& path, std::string_view bytes);

inline void Expect(bool condition, const char* what) {
    if (!condition) throw std::logic_error(what);
}

}  // namespace velmora::fuzz

#ifdef VELMORA_LIBFUZZER
#define VELMORA_FUZZ_TARGET(Name)                                                       \
    static int Fuzz##Name(const std::uint8_t* data, std::size_t size);                  \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
        return Fuzz##Name(data, size);                                                  \
    }                                                                                   \
    static int Fuzz##Name(const std::uint8_t* data, std::size_t size)
#else
#define VELMORA_FUZZ_TARGET(Name)                                                      \
    static int Fuzz##Name(const std::uint8_t* data, std::size_t size);                 \
    static const ::velmora::fuzz::Registration registration##Name(#Name, &Fuzz##Name); \
    static int Fuzz##Name(const std::uint8_t* data, std::size_t size)
#endif
