#pragma once
// Inverse input conversions: an engineering value turned into the 16-bit raw
// value that the PLC's input module of a conversion mode would deliver, so the
// simulated plant can feed a controller exactly like the real module does.
#include <cstdint>

namespace velmora {

// Marks a valid reading in the raw value of the modules that report one.
inline constexpr int kRawValidBit = 0x2000;

// The raw value of `mode` for the engineering value `value`. Modes 2001 to 2033
// depend on the PLC type index (index 0 is the compact series with its own
// input circuit). A mode without a conversion returns the value truncated
// toward zero and kept within -32768..32767. A NaN value counts as 0.
int ConvertInputToRaw(int mode, double value, int plcTypeIndex);

// Modes below -710 deliver a REAL instead of an INT.
inline constexpr bool IsRealInputMode(int mode) {
    return mode < -710;
}

// True when the mode has a row of its own (not the truncating fallback).
bool HasInputConversion(int mode);

}  // namespace velmora
