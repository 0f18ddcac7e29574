#pragma once
// PLC memory items: the unit of every read and write request the online
// exchange sends through the host's request function.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/ByteOrder.h"

namespace velmora::online {

// One item header: area code, offset (low byte first on the wire) and byte count.
struct PlcItem {
    std::uint8_t area = 0;
    std::uint16_t offset = 0;
    std::uint8_t count = 0;
    bool valid = false;  // set when the header came from a found symbol

    // The same item moved by `delta` bytes with another count (a member of a
    // structure whose start is known).
    PlcItem at(int delta, std::uint8_t newCount) const {
        PlcItem item = *this;
        item.offset = static_cast<std::uint16_t>(offset + delta);
        item.count = newCount;
        return item;
    }
    PlcItem withCount(std::uint8_t newCount) const { return at(0, newCount); }

    friend bool operator==(const PlcItem&, const PlcItem&) = default;
};

constexpr std::size_t kItemHeaderSize = 4;

// The four header bytes of an item.
inline std::array<std::uint8_t, kItemHeaderSize> EncodeHeader(const PlcItem& item) {
    std::array<std::uint8_t, kItemHeaderSize> header{item.area, 0, 0, item.count};
    plc::PutUInt16(header.data() + 1, item.offset);
    return header;
}

// Builds the bytes of one request: headers only for a read, header and data
// per item for a write.
class RequestBuilder {
public:
    void addRead(const PlcItem& item);
    // The item's count is the length of `data`.
    void addWrite(const PlcItem& item, std::span<const std::uint8_t> data);
    void addWrite(const PlcItem& item, std::int16_t value) {
        std::array<std::uint8_t, 2> bytes;
        plc::PutInt16(bytes.data(), value);
        addWrite(item, bytes);
    }
    void addWrite(const PlcItem& item, float value) {
        std::array<std::uint8_t, 4> bytes;
        plc::PutReal(bytes.data(), value);
        addWrite(item, bytes);
    }
    void addWrite(const PlcItem& item, std::uint8_t value) { addWrite(item, std::span(&value, 1)); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace velmora::online
