#pragma once
// The controller structures as the exchange receives them, and the raw PLC
// values turned into the percentages the online view shows.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/PidStructure.h"

namespace velmora::online {

// The bits of T_PID the view tests, as masks; the members' offsets are
// plc::PidOffset and plc::PidaOffset.
consteval int PidBitOf(std::span<const std::string_view> bits, std::string_view name) {
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == name) return static_cast<int>(i);
    throw "unknown bit";
}
constexpr std::uint16_t kControlCHN = 1u << PidBitOf(plc::kPidControlBits, "CHN");  // take changed parameters
constexpr std::uint16_t kControlAM = 1u << PidBitOf(plc::kPidControlBits, "AM");    // automatic mode
constexpr std::uint8_t kStatusUH = 1u << PidBitOf(plc::kPidStatusBits, "UH");       // output up
constexpr std::uint8_t kStatusUC = 1u << PidBitOf(plc::kPidStatusBits, "UC");       // output down
// Det's measuring-error bits of inputs 1, 2 and 3.
constexpr std::uint8_t kDetEY[3] = {1u << PidBitOf(plc::kPidDetBits, "EY1"),
                                    1u << PidBitOf(plc::kPidDetBits, "EY2"),
                                    1u << PidBitOf(plc::kPidDetBits, "EY3")};

// A value box of the view: its text, whether it is an error (text on red), its hint.
struct ShownValue {
    std::string text;
    bool error = false;
    std::string hint;
};

// (input − MinY) × 100 / (MaxY − MinY); nothing when MaxY equals MinY.
std::optional<double> InputPercent(int input, int minY, int maxY);

// A PID input (signal 1, 2 or 3) as the view shows it, checked against the
// range and the input's measuring-error bit of Det.
ShownValue PidInputValue(int signal, std::int16_t input, int minY, int maxY, std::uint8_t det,
                         const std::string& name, char decimalSeparator);
// A PID output in hundredths of a percent.
ShownValue PidOutputValue(std::int16_t hundredths, const std::string& name, char decimalSeparator);
// A PIDMA REAL percentage.
ShownValue PidmaPercentValue(float percent, char decimalSeparator);

// A number with two decimals and "%", with the given decimal separator.
std::string FormatPercent(double value, char decimalSeparator);

}  // namespace velmora::online
