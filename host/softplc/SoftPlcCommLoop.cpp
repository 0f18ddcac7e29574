#include "softplc/SoftPlcCommLoop.h"

namespace velmora::softplc {

std::uint32_t SoftPlcCommLoop::status() const {
    std::uint32_t word = 0;
    if (!up_) return word;
    word |= status::kConnected;
    if (fixed_) word |= status::kFixed;
    switch (plc_.mode()) {
        case PlcMode::Run:
            word |= status::kRun;
            if (dataValid_) word |= status::kDataValid;
            break;
        case PlcMode::Error:
            word |= status::kError;
            break;
        case PlcMode::Halt:
            break;
    }
    return word;
}

void SoftPlcCommLoop::pass() {
    if (!callback_) return;
    plc_.makeCurrent();
    callback_(up_ ? SoftPlc::requestFunction() : nullptr, 0, 0, status());
}

void SoftPlcCommLoop::loseConnection(bool hard) {
    up_ = false;
    plc_.setConnected(false);
    const auto& notify = hard ? hardOff : softOff;
    if (notify) notify(0);
}

void SoftPlcCommLoop::regainConnection() {
    up_ = true;
    plc_.setConnected(true);
}

}  // namespace velmora::softplc
