#pragma once
// The checked reader of one text table in its binary layout (little-endian):
// "STR0", count N, N directory entries (id, byte offset from the start of the
// table, length in UTF-16 units) sorted by ascending id, then the UTF-16LE texts.
// A table is only accepted when every entry lies inside the buffer, after the
// directory, and the ids strictly ascend; a damaged table is never read.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora {

class TextTable {
public:
    // The table in a copy of the bytes, or nullptr when the bytes are not a
    // well-formed table (whyNot then says what is wrong).
    static std::unique_ptr<TextTable> Parse(std::span<const std::uint8_t> bytes,
                                            std::string* whyNot = nullptr);

    std::size_t size() const { return count_; }
    std::uint32_t idAt(std::size_t index) const;
    // The text of an id, nullopt when the table has no such id.
    std::optional<std::u16string> find(std::uint32_t id) const;

private:
    TextTable() = default;
    std::uint32_t field(std::size_t entry, std::size_t column) const;

    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

}  // namespace velmora
