#pragma once
// What a PLC offers beside the request function of the communication loop:
// its state, as the host's PLC control reports it, and the texts of its
// error codes. The online exchange asks these; a PLC (the stand-in's soft
// PLC) answers them.
#include <cstdint>
#include <string>

namespace velmora {

// The host's PLC control: state 2 means no real or simulated PLC is connected.
class PlcControl {
public:
    virtual ~PlcControl() = default;
    virtual int plcState() const = 0;
};
constexpr int kPlcStateNotConnected = 2;

// The host's description of a communication error code of facility 4.
class PlcErrorDescriber {
public:
    virtual ~PlcErrorDescriber() = default;
    virtual std::string describe(std::int32_t code) const = 0;
};

}  // namespace velmora
