#pragma once
// The wizard pages' controller data in the running PLC, served by the online
// view's exchange of that controller.
#include "online/OnlineExchange.h"
#include "wizard/WizardContext.h"

namespace velmora {

class PlcControllerData : public wizard::ControllerData {
public:
    explicit PlcControllerData(online::OnlineExchange& exchange) : exchange_(exchange) {}
    bool reachable(const std::vector<std::string>& symbols) override {
        return exchange_.symbolsReachable(symbols);
    }
    bool write(const std::string& symbol, const std::vector<std::uint8_t>& bytes) override {
        return exchange_.writeSymbol(symbol, bytes);
    }
    std::optional<std::vector<std::uint8_t>> read(const std::string& symbol, int size) override {
        return exchange_.readSymbol(symbol, size);
    }

private:
    online::OnlineExchange& exchange_;
};

}  // namespace velmora
