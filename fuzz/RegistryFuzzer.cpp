// The registry file: what it reads, it writes and reads back the same.
#include "FuzzSupport.h"
#include "base/Registry.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(Registry) {
    const auto folder = fuzz::Fresh("registry");
    const auto path = folder / "registry.ini";
    fuzz::WriteScratch(path, fuzz::Bytes(data, size));
    try {
        Registry registry(path);
        // The keys the file names in its "[key]" lines.
        std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> seen;
        const std::string_view text = fuzz::Bytes(data, size);
        for (std::size_t at = 0; at < text.size();
             at = text.find('\n', at) == std::string_view::npos ? text.size() : text.find('\n', at) + 1) {
            const std::string_view line = text.substr(at, text.find('\n', at) - at);
            const auto close = line.find(']');
            if (line.starts_with('[') && close != std::string_view::npos && close > 1) {
                const std::string key(line.substr(1, close - 1));
                if (registry.keyExists(key)) {
                    registry.subkeys(key);
                    seen.emplace_back(key, registry.values(key));
                }
            }
        }
        registry.save();
        const Registry again(path);
        for (const auto& [key, values] : seen)
            fuzz::Expect(again.values(key) == values, "a registry round trip changed values");
    } catch (const RegistryError&) {
        // A file that is not a registry is refused, which is the promise.
    }
    return 0;
}
