// The view's exchange used by the wizard pages: single reads and writes of
// the controller's symbols whenever the PLC is online, the view online or not.
#include <algorithm>
#include <array>

#include "base/OperandParser.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"
#include "online/SymbolResolver.h"

namespace velmora::online {

namespace {

std::optional<PlcItem> ItemOf(const std::string& symbol, const SymbolLookup& lookup, std::size_t count) {
    const auto found = ResolveSymbol(symbol, lookup);
    if (!found || count == 0 || count > 0xFF || found->item.offset + count > plc::kAreaBytes)
        return std::nullopt;
    return found->item.withCount(static_cast<std::uint8_t>(count));
}

}  // namespace

bool OnlineExchange::symbolsReachable(const std::vector<std::string>& symbols) {
    if (!session_ || lookingUp_ || !session_->lastRequestFunction()) return false;
    if (symbols.empty()) return true;
    RequestBuilder b;
    int total = 0;
    for (const std::string& symbol : symbols) {
        const auto found = ResolveSymbol(symbol, session_->env_.lookup);
        if (!found) return false;
        b.addRead(found->item);
        total += found->item.count;
    }
    // Everything a page writes must be there before the first write goes out.
    std::vector<std::uint8_t> response(static_cast<std::size_t>(std::max(total, 1)));
    const auto got =
        send(session_->lastRequestFunction(), kPlcRead, "Cteni pred zapisem", b, response.data(), total);
    return got && *got == total;
}

bool OnlineExchange::writeSymbol(const std::string& symbol, std::span<const std::uint8_t> bytes) {
    if (!session_ || !session_->lastRequestFunction()) return false;
    const auto item = ItemOf(symbol, session_->env_.lookup, bytes.size());
    if (!item) return false;
    RequestBuilder b;
    b.addWrite(*item, bytes);
    std::array<std::uint8_t, 16> status{};
    const std::string text = "zapis " + symbol;
    return send(session_->lastRequestFunction(), kPlcWrite, text.c_str(), b, status.data(), 1).has_value();
}

std::optional<std::vector<std::uint8_t>> OnlineExchange::readSymbol(const std::string& symbol, int size) {
    if (!session_ || !session_->lastRequestFunction() || size <= 0) return std::nullopt;
    const auto item = ItemOf(symbol, session_->env_.lookup, static_cast<std::size_t>(size));
    if (!item) return std::nullopt;
    RequestBuilder b;
    b.addRead(*item);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    const std::string text = "cteni " + symbol;
    const auto got = send(session_->lastRequestFunction(), kPlcRead, text.c_str(), b, data.data(), size);
    if (!got || *got != size) return std::nullopt;
    return data;
}

}  // namespace velmora::online
