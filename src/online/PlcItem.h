#pragma once
// PLC memory items: the unit of every read and write request the online
// exchange sends through the host's request function.
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

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
    return {item.area, static_cast<std::uint8_t>(item.offset & 0xFF), static_cast<std::uint8_t>(item.offset >> 8),
            item.count};
}

// Little-endian values as the PLC stores them.
inline std::array<std::uint8_t, 2> EncodeInt16(std::int16_t value) {
    const auto v = static_cast<std::uint16_t>(value);
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
}
inline std::array<std::uint8_t, 4> EncodeFloat(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}
inline std::int16_t DecodeInt16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}
inline std::uint16_t DecodeUInt16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::int32_t DecodeInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                     (static_cast<std::uint32_t>(p[2]) << 16) |
                                     (static_cast<std::uint32_t>(p[3]) << 24));
}
inline float DecodeFloat(const std::uint8_t* p) {
    const auto bits = static_cast<std::uint32_t>(DecodeInt32(p));
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Builds the bytes of one request: headers only for a read, header and data
// per item for a write.
class RequestBuilder {
public:
    void addRead(const PlcItem& item);
    // The item's count is the length of `data`.
    void addWrite(const PlcItem& item, std::span<const std::uint8_t> data);
    void addWrite(const PlcItem& item, std::int16_t value) { addWrite(item, EncodeInt16(value)); }
    void addWrite(const PlcItem& item, float value) { addWrite(item, EncodeFloat(value)); }
    void addWrite(const PlcItem& item, std::uint8_t value) { addWrite(item, std::span(&value, 1)); }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace velmora::online
