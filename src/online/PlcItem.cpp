#include "online/PlcItem.h"

namespace velmora::online {

void RequestBuilder::addRead(const PlcItem& item) {
    const auto header = EncodeHeader(item);
    bytes_.insert(bytes_.end(), header.begin(), header.end());
}

void RequestBuilder::addWrite(const PlcItem& item, std::span<const std::uint8_t> data) {
    const auto header = EncodeHeader(item.withCount(static_cast<std::uint8_t>(data.size())));
    bytes_.insert(bytes_.end(), header.begin(), header.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

}  // namespace velmora::online
