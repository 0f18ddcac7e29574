#include "base/TextTable.h"

#include <cstring>

namespace velmora {

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool Fail(std::string* whyNot, std::string reason) {
    if (whyNot) *whyNot = std::move(reason);
    return false;
}

bool Check(std::span<const std::uint8_t> bytes, std::string* whyNot) {
    if (bytes.size() < kHeaderSize) return Fail(whyNot, "shorter than its header");
    if (std::memcmp(bytes.data(), "STR0", 4) != 0) return Fail(whyNot, "no STR0 magic");
    // 64-bit arithmetic: no count or offset can wrap around.
    const std::uint64_t count = Read32(bytes.data() + 4);
    const std::uint64_t textsStart = kHeaderSize + kEntrySize * count;
    if (textsStart > bytes.size())
        return Fail(whyNot, "directory of " + std::to_string(count) + " entries does not fit");
    std::uint64_t previousId = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = bytes.data() + kHeaderSize + kEntrySize * i;
        const std::uint64_t id = Read32(entry);
        const std::uint64_t offset = Read32(entry + 4);
        const std::uint64_t length = Read32(entry + 8);
        if (i > 0 && id <= previousId) return Fail(whyNot, "ids not ascending at entry " + std::to_string(i));
        if (offset < textsStart || offset + 2 * length > bytes.size())
            return Fail(whyNot, "text of id " + std::to_string(id) + " lies outside the table");
        previousId = id;
    }
    return true;
}

}  // namespace

std::unique_ptr<TextTable> TextTable::Parse(std::span<const std::uint8_t> bytes, std::string* whyNot) {
    if (!Check(bytes, whyNot)) return nullptr;
    std::unique_ptr<TextTable> table(new TextTable);
    table->bytes_.assign(bytes.begin(), bytes.end());
    table->count_ = Read32(bytes.data() + 4);
    return table;
}

std::uint32_t TextTable::field(std::size_t entry, std::size_t column) const {
    return Read32(bytes_.data() + kHeaderSize + kEntrySize * entry + std::size_t{4} * column);
}

std::uint32_t TextTable::idAt(std::size_t index) const {
    return field(index, 0);
}

std::optional<std::u16string> TextTable::find(std::uint32_t id) const {
    std::size_t low = 0, high = count_;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const std::uint32_t midId = field(mid, 0);
        if (midId == id) {
            const std::uint8_t* p = bytes_.data() + field(mid, 1);
            std::u16string text(field(mid, 2), u'\0');
            for (char16_t& unit : text) {
                unit = static_cast<char16_t>(p[0] | p[1] << 8);
                p += 2;
            }
            return text;
        }
        if (midId < id)
            low = mid + 1;
        else
            high = mid;
    }
    return std::nullopt;
}

}  // namespace velmora
