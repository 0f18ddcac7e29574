#include "online/StructureTable.h"

#include <cstdio>
#include <initializer_list>

#include "online/OnlineExchange.h"

namespace velmora::online {

namespace {

enum class Kind { Int, Byte, Bits8, Bits16, Real, Dint };

struct Member {
    const char* name;  // with its direction prefix
    int offset;        // in the received image
    Kind kind;
    const char* const* bits = nullptr;
    int bitCount = 0;
};

constexpr const char* kDetBits[] = {"ER0", "ER1", "ER2", "UMN", "UMX", "EY1", "EY2", "EY3"};
constexpr const char* kControlBits[] = {"RC", "AO", "A12", "KC",  "BU",  "IP",  "AM",  "HR",
                                        "RF", "RIO", "R41", "CHN", "DUM", "FU0", "FU1", "FU3"};
constexpr const char* kStatusBits[] = {"UH", "UC", "UM", "DR", "EY1", "EY2", "EY3"};

// T_PID follows Input3 and Input2 in the received block.
constexpr int kT = 4;
const Member kPidMembers[] = {
    {"iInput1", kT + tpid::Input1, Kind::Int},     {"iMinY", kT + tpid::MinY, Kind::Int},
    {"iMaxY", kT + tpid::MaxY, Kind::Int},         {"hConW", kT + tpid::ConW, Kind::Int},
    {"itiW", kT + tpid::tiW, Kind::Int},           {"oDev", kT + tpid::Dev, Kind::Int},
    {"hOutPut", kT + tpid::Output, Kind::Int},     {"oLastOut", kT + tpid::LastOut, Kind::Int},
    {"oCurOut", kT + tpid::CurOut, Kind::Int},     {"oConOut", kT + tpid::ConOut, Kind::Int},
    {"iDefOut", kT + tpid::DefOut, Kind::Int},     {"iMinU", kT + tpid::MinU, Kind::Int},
    {"iMaxU", kT + tpid::MaxU, Kind::Int},         {"idMaxU", kT + tpid::dMaxU, Kind::Int},
    {"iOutCycle", kT + tpid::OutCycle, Kind::Int}, {"iPBnd", kT + tpid::PBnd, Kind::Int},
    {"iRelCool", kT + tpid::RelCool, Kind::Int},   {"iEGap", kT + tpid::EGap, Kind::Int},
    {"iDGap", kT + tpid::DGap, Kind::Int},         {"iIGap", kT + tpid::IGap, Kind::Int},
    {"hControl", kT + tpid::Control, Kind::Bits16, kControlBits, 16},
    {"oStatus", kT + tpid::Status, Kind::Bits8, kStatusBits, 7},
    {"oDet", kT + tpid::Det, Kind::Bits8, kDetBits, 8},
};

const Member kPidmaMembers[] = {
    {"idv", tpida::dv, Kind::Real},         {"isp", tpida::sp, Kind::Real},
    {"ipv", tpida::pv, Kind::Real},         {"itv", tpida::tv, Kind::Real},
    {"ihv", tpida::hv, Kind::Real},         {"iMAN", tpida::MAN, Kind::Byte},
    {"iTUNE", tpida::TUNE, Kind::Byte},     {"iTBRK", tpida::TBRK, Kind::Byte},
    {"iTAFF", tpida::TAFF, Kind::Byte},     {"iips", 24, Kind::Dint},
    {"iTs", tpida::Ts, Kind::Real},         {"iCHANGED", tpida::CHANGED, Kind::Byte},
    {"iirtype", tpida::irType, Kind::Dint}, {"iRACT", tpida::RACT, Kind::Byte},
    {"ik", tpida::k, Kind::Real},           {"iti", tpida::ti, Kind::Real},
    {"itd", tpida::td, Kind::Real},         {"ind", tpida::nd, Kind::Real},
    {"ib", tpida::b, Kind::Real},           {"ic", tpida::c, Kind::Real},
    {"itt", tpida::tt, Kind::Real},         {"ihilim", tpida::hilim, Kind::Real},
    {"ilolim", tpida::lolim, Kind::Real},   {"idz", 92, Kind::Real},
    {"iicotype", 96, Kind::Dint},           {"iittype", 100, Kind::Dint},
    {"iiainf", 104, Kind::Dint},            {"iDGC", 108, Kind::Byte},
    {"itdg", 110, Kind::Real},              {"itn", 114, Kind::Real},
    {"iamp", 118, Kind::Real},              {"idy", 122, Kind::Real},
    {"iispeed", 126, Kind::Dint},           {"iipid", 130, Kind::Dint},
    {"omv", tpida::mv, Kind::Real},         {"odmv", tpida::dmv, Kind::Real},
    {"ode", tpida::de, Kind::Real},         {"oSAT", tpida::SAT, Kind::Byte},
    {"oTBSY", tpida::TBSY, Kind::Byte},     {"oTE", tpida::TE, Kind::Byte},
    {"oite", tpida::ite, Kind::Dint},       {"opk", tpida::pk, Kind::Real},
    {"opti", tpida::pti, Kind::Real},       {"optd", tpida::ptd, Kind::Real},
    {"opnd", tpida::pnd, Kind::Real},       {"opb", tpida::pb, Kind::Real},
    {"opc", tpida::pc, Kind::Real},
};

int SizeOf(Kind kind) {
    switch (kind) {
        case Kind::Byte:
        case Kind::Bits8: return 1;
        case Kind::Int:
        case Kind::Bits16: return 2;
        case Kind::Real:
        case Kind::Dint: return 4;
    }
    return 1;
}

std::string Hex(const std::uint8_t* p, int size) {
    std::string out;
    char two[4];
    for (int i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02X", p[i]);
        if (i) out += ' ';
        out += two;
    }
    return out;
}

std::string RealText(float value, char sep) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(value));
    std::string out = text;
    for (char& c : out)
        if (c == '.') c = sep;
    return out;
}

std::string ValueText(Kind kind, const std::uint8_t* p, char sep) {
    switch (kind) {
        case Kind::Int: return std::to_string(DecodeInt16(p));
        case Kind::Byte:
        case Kind::Bits8: return std::to_string(p[0]);
        case Kind::Bits16: return std::to_string(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
        case Kind::Real: return RealText(DecodeFloat(p), sep);
        case Kind::Dint:
            return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (p[1] << 8) |
                                                            (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24)));
    }
    return {};
}

void AddRows(std::vector<StructureRow>& rows, const Member& m, const std::uint8_t* image, bool data, char sep) {
    const std::uint8_t* p = image + m.offset;
    const int size = SizeOf(m.kind);
    rows.push_back({m.name, data ? ValueText(m.kind, p, sep) : "-", data ? Hex(p, size) : ""});
    const unsigned word = data ? (size == 2 ? static_cast<unsigned>(p[0] | (p[1] << 8)) : p[0]) : 0;
    for (int b = 0; b < m.bitCount; ++b)
        rows.push_back({std::string("  .") + m.bits[b], data ? std::to_string((word >> b) & 1u) : "-", ""});
}

}  // namespace

std::vector<StructureRow> StructureRows(const OnlineExchange& x, char sep) {
    std::vector<StructureRow> rows;
    const bool data = x.hasData();
    if (x.kind() == ControllerKind::Pidma) {
        for (const Member& m : kPidmaMembers) AddRows(rows, m, x.pidmaImage().data(), data, sep);
        return rows;
    }
    const std::uint8_t* block = x.pidBlock().data();
    if (x.settings().hasInput3()) AddRows(rows, {"iInput3", 0, Kind::Int}, block, data, sep);
    if (x.settings().hasInput2()) AddRows(rows, {"iInput2", 2, Kind::Int}, block, data, sep);
    for (const Member& m : kPidMembers) AddRows(rows, m, block, data, sep);
    return rows;
}

}  // namespace velmora::online
