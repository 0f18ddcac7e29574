#pragma once
// The controller structures as the exchange receives them, and the raw PLC
// values turned into the percentages the online view shows.
#include <cstdint>
#include <optional>
#include <string>

namespace velmora::online {

// Byte offsets of the members of T_PID (50 bytes).
namespace tpid {
constexpr int Det = 0, MinY = 1, MaxY = 3, Input1 = 5, gW = 7, ConW = 9, tiW = 11, Dev = 13, Output = 15,
              LastOut = 17, CurOut = 19, ConOut = 21, DefOut = 23, MinU = 25, MaxU = 27, dMaxU = 29,
              OutCycle = 31, PBnd = 33, RelCool = 35, Ti = 37, Td = 39, EGap = 41, DGap = 43, IGap = 45,
              Control = 47, Status = 49;
constexpr int Size = 50;
constexpr std::uint16_t CHN = 1u << 11;                                   // Control: accept changed parameters
constexpr std::uint8_t EY1 = 1u << 5, EY2 = 1u << 6, EY3 = 1u << 7;       // Det: measuring errors
constexpr std::uint8_t UH = 1u << 0, UC = 1u << 1;                        // Status
}  // namespace tpid

// Byte offsets of the members of _TPIDA_ (226 bytes) used by the online view.
namespace tpida {
constexpr int dv = 0, sp = 4, pv = 8, tv = 12, hv = 16, MAN = 20, TUNE = 21, TBRK = 22, TAFF = 23, Ts = 44,
              CHANGED = 48, irType = 50, RACT = 54, k = 56, ti = 60, td = 64, nd = 68, b = 72, c = 76, tt = 80,
              hilim = 84, lolim = 88, mv = 166, dmv = 170, de = 174, SAT = 178, TBSY = 179, TE = 180, ite = 182,
              pk = 186, pti = 190, ptd = 194, pnd = 198, pb = 202, pc = 206;
constexpr int Size = 226;
}  // namespace tpida

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
