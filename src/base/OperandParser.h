#pragma once
// PLC operand text -> memory address. Tells a direct operand ("%R100",
// "INT %MW5", "%X10.3") from a symbolic name, and gives the online exchange
// the address header of a request item.
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::plc {

// Bytes of every memory area (X/I, Y/Q, S, R/M, T) the PLC addresses.
inline constexpr std::int32_t kAreaBytes = 0x10000;

struct OperandAddress {
    std::int32_t area = 0;     // 0 X/I, 1 Y/Q, 2 S, 3 R/M, 4 T
    std::int32_t offset = -1;  // byte offset in the area
    std::int32_t bit = -1;     // 0..7, or -1 when the operand is not a bit
    std::int32_t size = 0;     // bytes: 1, 2, 4 or 8
    char kind = 0;             // B W L F D Q, or b for a bit

    bool operator==(const OperandAddress&) const = default;
};

// An operand as written, before sizes and units apply: what a check of the
// written form needs ("%R202.99" names bit 99 of byte 202).
struct OperandParts {
    char keywordKind = 0;      // the kind of a type keyword in front, 0 without one
    std::int32_t area = 0;     // as OperandAddress::area
    bool iec = false;          // I, Q, M: numbers count in units of the operand
    char letter = 0;           // the size letter after the area ('W' in %RW5), 0 when digits follow
    std::int64_t number = -1;  // the number after the area and letter
    std::int64_t bit = -1;     // the number after '.', -1 without one
    std::int64_t index = 0;    // "[n]"
    std::int64_t byteAddend = 0, bitAddend = -1;  // "+bytes" or "+bytes.bits"
};

// nullopt when the text is no operand: a symbolic name, an unknown area, no number.
std::optional<OperandParts> ReadOperandParts(std::string_view text);

// nullopt when the text is not an address (a symbolic name, an unknown area
// or size letter, no number).
std::optional<OperandAddress> ParseOperand(std::string_view text);

// Bytes of a kind letter; 0 for a letter that is no kind.
int OperandKindSize(char kind);

}  // namespace velmora::plc
