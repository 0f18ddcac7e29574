#include "softplc/RetainedMemory.h"

#include <algorithm>

#include "base/IniFile.h"

namespace velmora::softplc {

namespace {

constexpr std::string_view kSection = "Retained";

std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

int Nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void RetainedMemory::save(const SoftPlc& plc) const {
    IniFile file(file_);
    IniFile::Batch batch(file);
    file.eraseSection(kSection);
    const auto memory = plc.area(kRegisterArea);
    for (const RetainedRange& r : plc.symbols().retainedRanges())
        file.writeString(
            kSection, r.name,
            Hex(memory.subspan(static_cast<std::size_t>(r.offset), static_cast<std::size_t>(r.size))));
    batch.commit();
}

int RetainedMemory::restore(SoftPlc& plc) const {
    IniFile file(file_);
    if (!file.fileExists()) return 0;
    auto memory = plc.area(kRegisterArea);
    int restored = 0;
    for (const RetainedRange& r : plc.symbols().retainedRanges()) {
        const auto text = file.find(kSection, r.name);
        if (!text || text->size() != static_cast<std::size_t>(r.size) * 2) continue;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(r.size));
        bool ok = true;
        for (std::size_t i = 0; i < bytes.size() && ok; ++i) {
            const int hi = Nibble((*text)[2 * i]), lo = Nibble((*text)[2 * i + 1]);
            ok = hi >= 0 && lo >= 0;
            bytes[i] = static_cast<std::uint8_t>((hi << 4) | lo);
        }
        if (!ok) continue;
        std::copy(bytes.begin(), bytes.end(), memory.begin() + r.offset);
        ++restored;
    }
    return restored;
}

void ClearRetained(SoftPlc& plc) {
    auto memory = plc.area(kRegisterArea);
    for (const RetainedRange& r : plc.symbols().retainedRanges())
        std::fill_n(memory.begin() + r.offset, r.size, std::uint8_t{0});
}

}  // namespace velmora::softplc
