#pragma once
// The stand-in's communication loop: it calls the registered plug-in
// callback once per pass with the soft PLC's request function and a status
// word, and tells the plug-in when the connection is lost.
#include <cstdint>
#include <functional>

#include "base/com/CommLoop.h"
#include "softplc/SoftPlc.h"

namespace velmora::softplc {

// Status word bits the loop reports.
namespace status {
constexpr std::uint32_t kError = 1u << 0;
constexpr std::uint32_t kRun = 1u << 7;
constexpr std::uint32_t kFixed = 1u << 11;
constexpr std::uint32_t kConnected = (1u << 16) | (1u << 17);
constexpr std::uint32_t kDataValid = 1u << 19;
}  // namespace status

class SoftPlcCommLoop {
public:
    explicit SoftPlcCommLoop(SoftPlc& plc) : plc_(plc) {}

    // IOrvaneCommLoop: register and unregister the plug-in's callback.
    void registerCallback(CommLoopCallbackFunction callback) { callback_ = callback; }
    void unregisterCallback() { callback_ = nullptr; }
    CommLoopCallbackFunction callback() const { return callback_; }

    // IOrvaneCommStateEvent of the plug-in: hard-off and soft-off, with the
    // 16-bit argument the host passes (0 to act).
    std::function<void(std::uint16_t argument)> hardOff, softOff;

    // One pass: the callback gets the request function while connected, a
    // null one while the connection is lost.
    void pass();

    // The connection drops (hard: a failure, soft: the user stopped it); the
    // matching notification goes out at once. The PLC is made unreachable.
    void loseConnection(bool hard);
    // The connection is back; the next pass reports bits 16 and 17.
    void regainConnection();
    bool connectionUp() const { return up_; }

    // The PLC's fixed mark (bit 11).
    void setFixed(bool fixed) { fixed_ = fixed; }
    // Data valid (bit 19) while the PLC runs; a test can clear it.
    void setDataValid(bool valid) { dataValid_ = valid; }
    // The status word of the next pass.
    std::uint32_t status() const;

private:
    SoftPlc& plc_;
    CommLoopCallbackFunction callback_ = nullptr;
    bool up_ = true;
    bool fixed_ = false;
    bool dataValid_ = true;
};

}  // namespace velmora::softplc
