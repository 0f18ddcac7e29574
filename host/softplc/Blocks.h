#pragma once
// The soft PLC's function blocks: the input conversion CNV, the CRC, the
// integer PID controller on T_PID and the floating-point PIDA controller on
// _TPIDA_. They work on bytes of PLC memory that the machine has checked to
// lie inside the register area; docs/softplc.md defines what they do.
#include <cstddef>
#include <cstdint>

#include "base/PidStructure.h"
#include "base/PidaStructure.h"

namespace velmora::softplc {

// T_PID (Det first) and the private bytes behind it.
constexpr int kPidBytes = plc::kPidStructSize + plc::kPidPrivateSize;
// _TPIDA_ and its private bytes.
constexpr int kPidaBytes = plc::kPidaStructSize + plc::kPidaPrivateSize;

// The value an input holds while its reading is not valid (range flags, a
// module without its valid mark); the low mark is -$7FFF.
constexpr std::int32_t kInputOverflow = 0x7FFF;
constexpr std::int32_t kInputUnderflow = -0x7FFF;

// CRC-16 (polynomial $A001 reflected, start $FFFF). Appending the CRC low
// byte first makes the CRC of the whole 0.
std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count);

// The engineering value an input module of `mode` reports for its raw word:
// the inverse of the plant simulation's conversion, so a value sent through
// both comes back within one step of the module's resolution. `valid` is
// false for a reading without the module's valid mark.
std::int32_t ForwardInputConversion(int mode, std::int32_t raw, int plcTypeIndex, bool& valid);

struct ConversionArgs {
    std::int32_t mode = 0;
    std::int32_t value = 0;
    std::int32_t flags = 0;               // bit 0 table, bit 1 scaling, bit 2 filter
    const std::uint8_t* table = nullptr;  // MinY,MaxY or X1,X2,Y1,Y2 (INT each)
    std::uint8_t* filter = nullptr;       // 4-byte filter state
    std::int32_t tau = 0;                 // filter time constant: process runs, ms on PLC type index 14
    int plcTypeIndex = 0;
    double dtMs = 0;
};
std::int32_t RunConversion(const ConversionArgs& args);

// One call of the PID instruction; returns the new Det byte.
std::uint8_t RunPidBlock(std::uint8_t* tpid, std::int32_t input2, std::int32_t input3, double dtMs);
// One call of the PIDA instruction.
void RunPidaBlock(std::uint8_t* tpida, double dtMs);

}  // namespace velmora::softplc
