#pragma once
// One input of the instruction-list fuzz target: the bytes are a source file
// (its own #reg declarations included); it is compiled and, when it
// compiles, started and scanned a few times. Never crashes, never touches
// memory outside the PLC's areas (ASan watches); returns 0.
#include <cstddef>
#include <cstdint>

namespace velmora::softplc {
int FuzzOne(const std::uint8_t* data, std::size_t size);
}
