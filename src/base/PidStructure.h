#pragma once
// T_PID, the integer controller's 50-byte working structure in the PLC, and
// its three bit structures. The online view reads and writes the same layout.
#include <array>
#include <cstdint>
#include <string_view>

namespace velmora::plc {

struct PidMember {
    std::string_view name;
    int offset;                 // bytes from the start of T_PID
    int size;                   // 1 for Det and Status, 2 for the rest
    std::uint32_t comment;      // localized comment text
    std::string_view suffix{};  // printed after the comment ("Input1" names its signal)
};

inline constexpr int kPidStructSize = 50;
inline constexpr int kPidPrivateSize = 23;  // the PID instruction's own area behind the structure

inline constexpr std::array<PidMember, 26> kPidMembers{{
    {"Det", 0, 1, 3417},           {"MinY", 1, 2, 3126},      {"MaxY", 3, 2, 3127},
    {"Input1", 5, 2, 3410, " Y1"}, {"gW", 7, 2, 3419},        {"ConW", 9, 2, 3420},
    {"tiW", 11, 2, 3421},          {"Dev", 13, 2, 3329},      {"Output", 15, 2, 3328},
    {"LastOut", 17, 2, 3422},      {"CurOut", 19, 2, 3178},   {"ConOut", 21, 2, 3426},
    {"DefOut", 23, 2, 3150},       {"MinU", 25, 2, 3168},     {"MaxU", 27, 2, 3169},
    {"dMaxU", 29, 2, 3170},        {"OutCycle", 31, 2, 3148}, {"PBnd", 33, 2, 3135},
    {"RelCool", 35, 2, 3137},      {"Ti", 37, 2, 3141},       {"Td", 39, 2, 3142},
    {"EGap", 41, 2, 3143},         {"DGap", 43, 2, 3145},     {"IGap", 45, 2, 3144},
    {"Control", 47, 2, 3423},      {"Status", 49, 1, 3424},
}};

constexpr bool PidMembersPacked() {
    int offset = 0;
    for (const auto& m : kPidMembers) {
        if (m.offset != offset) return false;
        offset += m.size;
    }
    return offset == kPidStructSize;
}
static_assert(PidMembersPacked());

// Offset of a member by name, for compile-time constants: an unknown name
// does not compile.
consteval int PidOffset(std::string_view name) {
    for (const auto& m : kPidMembers)
        if (m.name == name) return m.offset;
    throw "unknown member";
}

// Bits from bit 0 upward.
inline constexpr std::array<std::string_view, 8> kPidDetBits{"ER0", "ER1", "ER2", "UMN",
                                                             "UMX", "EY1", "EY2", "EY3"};
inline constexpr std::array<std::string_view, 16> kPidControlBits{
    "RC", "AO", "A12", "KC", "BU", "IP", "AM", "HR", "RF", "RIO", "R41", "CHN", "DUM", "FU0", "FU1", "FU3"};
inline constexpr std::array<std::string_view, 7> kPidStatusBits{"UH", "UC", "UM", "DR", "EY1", "EY2", "EY3"};

// Bit numbers the generated code tests directly.
inline constexpr int kStatusBitUH = 0;
inline constexpr int kStatusBitUC = 1;
inline constexpr int kControlBitCHN = 11;

}  // namespace velmora::plc
