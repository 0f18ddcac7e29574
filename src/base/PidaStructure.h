#pragma once
// _TPIDA_ / T_PIDA, the floating-point controller's 226-byte working
// structure, member by member, with the names, types and comment texts the
// declarations print.
#include <array>
#include <cstdint>
#include <string_view>

namespace velmora::plc {

enum class PidaType : std::uint8_t { Real, Dint, Byte, Array };

enum PidaGroup : std::uint8_t {
    kPidInputs,
    kTunerInputs,
    kGeneralParameters,
    kPidParameters,
    kTunerParameters,
    kPidOutputs,
    kTunerOutputs,
};

struct PidaMember {
    std::string_view name;      // IEC member name
    std::string_view mnemonic;  // mnemonic name, with the element count of an array
    PidaType type;
    int offset;
    int size;
    PidaGroup group;              // title the member is listed under
    bool reserved;                // padding and spare room: no alias, no comment
    std::uint32_t comment;        // 0: none
    std::string_view iecArray{};  // IEC type of an array member
};

inline constexpr int kPidaStructSize = 226;
inline constexpr int kPidaPrivateSize = 444;
// The parameter range kept in the retained copy: Ts ... ipid.
inline constexpr int kPidaParameterFirst = 44;
inline constexpr int kPidaParameterSize = 90;

inline constexpr std::array<PidaMember, 54> kPidaMembers{{
    {"dv", "dv", PidaType::Real, 0, 4, kPidInputs, false, 3319},
    {"sp", "sp", PidaType::Real, 4, 4, kPidInputs, false, 3320},
    {"pv", "pv", PidaType::Real, 8, 4, kPidInputs, false, 3321},
    {"tv", "tv", PidaType::Real, 12, 4, kPidInputs, false, 3322},
    {"hv", "hv", PidaType::Real, 16, 4, kPidInputs, false, 3323},
    {"MAN", "MAN", PidaType::Byte, 20, 1, kPidInputs, false, 3324},
    {"TUNE", "TUNE", PidaType::Byte, 21, 1, kTunerInputs, false, 3325},
    {"TBRK", "TBRK", PidaType::Byte, 22, 1, kTunerInputs, false, 3326},
    {"TAFF", "TAFF", PidaType::Byte, 23, 1, kTunerInputs, false, 3327},
    {"ips", "ips", PidaType::Dint, 24, 4, kTunerInputs, false, 0},
    {"inpDUMMY", "inpDUMMY[4]", PidaType::Array, 28, 16, kTunerInputs, true, 0, "ARRAY [0..3] OF DWORD"},
    {"Ts", "Ts", PidaType::Real, 44, 4, kGeneralParameters, false, 3364},
    {"CHANGED", "CHANGED", PidaType::Byte, 48, 1, kGeneralParameters, false, 3365},
    {"DUMMY1", "DUMMY1", PidaType::Byte, 49, 1, kGeneralParameters, true, 0},
    {"irType", "irType", PidaType::Dint, 50, 4, kPidParameters, false, 3340},
    {"RACT", "RACT", PidaType::Byte, 54, 1, kPidParameters, false, 3341},
    {"DUMMY", "DUMMY", PidaType::Byte, 55, 1, kPidParameters, true, 0},
    {"k", "k", PidaType::Real, 56, 4, kPidParameters, false, 3343},
    {"ti", "ti", PidaType::Real, 60, 4, kPidParameters, false, 3344},
    {"td", "td", PidaType::Real, 64, 4, kPidParameters, false, 3345},
    {"nd", "nd", PidaType::Real, 68, 4, kPidParameters, false, 3346},
    {"b", "b", PidaType::Real, 72, 4, kPidParameters, false, 3347},
    {"c", "c", PidaType::Real, 76, 4, kPidParameters, false, 3348},
    {"tt", "tt", PidaType::Real, 80, 4, kPidParameters, false, 3351},
    {"hilim", "hilim", PidaType::Real, 84, 4, kPidParameters, false, 3352},
    {"lolim", "lolim", PidaType::Real, 88, 4, kPidParameters, false, 3353},
    {"dz", "dz", PidaType::Real, 92, 4, kPidParameters, false, 0},
    {"icotype", "icotype", PidaType::Dint, 96, 4, kPidParameters, false, 0},
    {"itType", "itType", PidaType::Dint, 100, 4, kTunerParameters, false, 3354},
    {"iainf", "iainf", PidaType::Dint, 104, 4, kTunerParameters, false, 3355},
    {"DGC", "DGC", PidaType::Byte, 108, 1, kTunerParameters, false, 3356},
    {"DUMMY2", "DUMMY2", PidaType::Byte, 109, 1, kTunerParameters, true, 0},
    {"tdg", "tdg", PidaType::Real, 110, 4, kTunerParameters, false, 3357},
    {"tn", "tn", PidaType::Real, 114, 4, kTunerParameters, false, 3358},
    {"amp", "amp", PidaType::Real, 118, 4, kTunerParameters, false, 3359},
    {"dy", "dy", PidaType::Real, 122, 4, kTunerParameters, false, 3360},
    {"ispeed", "ispeed", PidaType::Dint, 126, 4, kTunerParameters, false, 3361},
    {"ipid", "ipid", PidaType::Dint, 130, 4, kTunerParameters, false, 3362},
    {"arDUMMY", "parDUMMY[8]", PidaType::Array, 134, 32, kTunerParameters, true, 0, "ARRAY [0..7] OF DINT"},
    {"mv", "mv", PidaType::Real, 166, 4, kPidOutputs, false, 3328},
    {"dmv", "dmv", PidaType::Real, 170, 4, kPidOutputs, false, 0},
    {"de", "de", PidaType::Real, 174, 4, kPidOutputs, false, 3329},
    {"SAT", "SAT", PidaType::Byte, 178, 1, kPidOutputs, false, 3330},
    {"TBSY", "TBSY", PidaType::Byte, 179, 1, kTunerOutputs, false, 3331},
    {"TE", "TE", PidaType::Byte, 180, 1, kTunerOutputs, false, 3332},
    {"DUMMY3", "DUMMY3", PidaType::Byte, 181, 1, kTunerOutputs, true, 0},
    {"ite", "ite", PidaType::Dint, 182, 4, kTunerOutputs, false, 3333},
    {"pk", "pk", PidaType::Real, 186, 4, kTunerOutputs, false, 3334},
    {"pti", "pti", PidaType::Real, 190, 4, kTunerOutputs, false, 3335},
    {"ptd", "ptd", PidaType::Real, 194, 4, kTunerOutputs, false, 3336},
    {"pnd", "pnd", PidaType::Real, 198, 4, kTunerOutputs, false, 3337},
    {"pb", "pb", PidaType::Real, 202, 4, kTunerOutputs, false, 3338},
    {"pc", "pc", PidaType::Real, 206, 4, kTunerOutputs, false, 3339},
    {"outDUMMY", "outDUMMY[4]", PidaType::Array, 210, 16, kTunerOutputs, true, 0, "ARRAY [0..3] OF DINT"},
}};

// Members packed without gaps, filling the structure exactly.
constexpr bool PidaMembersPacked() {
    int offset = 0;
    for (const auto& m : kPidaMembers) {
        if (m.offset != offset || m.name.empty()) return false;
        offset += m.size;
    }
    return offset == kPidaStructSize;
}
static_assert(PidaMembersPacked());

// Offset of a member by name, for compile-time constants: an unknown name
// does not compile.
consteval int PidaOffset(std::string_view name) {
    for (const auto& m : kPidaMembers)
        if (m.name == name) return m.offset;
    throw "unknown member";
}

// Title texts of the groups, in group order.
inline constexpr std::array<std::uint32_t, 7> kPidaGroupTitles{3395, 3396, 3397, 3398, 3399, 3400, 3401};

}  // namespace velmora::plc
