#include "online/StructureTable.h"

#include <cstdio>
#include <span>
#include <string_view>
#include <utility>

#include "base/ByteOrder.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"

#include "online/OnlineExchange.h"

namespace velmora::online {

namespace {

enum class Kind { Int, Byte, Bits, Real, Dint };

struct Member {
    std::string name;  // with its direction prefix
    int offset;        // in the received image
    Kind kind;
    int size;
    std::span<const std::string_view> bits{};
};

// PID rows: prefix and member of T_PID, in the page's order.
constexpr std::pair<const char*, std::string_view> kPidRows[] = {
    {"iInput1", "Input1"},   {"iMinY", "MinY"},     {"iMaxY", "MaxY"},         {"hConW", "ConW"},
    {"itiW", "tiW"},         {"oDev", "Dev"},       {"hOutPut", "Output"},     {"oLastOut", "LastOut"},
    {"oCurOut", "CurOut"},   {"oConOut", "ConOut"}, {"iDefOut", "DefOut"},     {"iMinU", "MinU"},
    {"iMaxU", "MaxU"},       {"idMaxU", "dMaxU"},   {"iOutCycle", "OutCycle"}, {"iPBnd", "PBnd"},
    {"iRelCool", "RelCool"}, {"iEGap", "EGap"},     {"iDGap", "DGap"},         {"iIGap", "IGap"},
    {"hControl", "Control"}, {"oStatus", "Status"}, {"oDet", "Det"},
};

// PIDMA rows: every member of _TPIDA_ but the spare room, in its order.
constexpr std::pair<const char*, std::string_view> kPidmaRows[] = {
    {"idv", "dv"},           {"isp", "sp"},         {"ipv", "pv"},       {"itv", "tv"},
    {"ihv", "hv"},           {"iMAN", "MAN"},       {"iTUNE", "TUNE"},   {"iTBRK", "TBRK"},
    {"iTAFF", "TAFF"},       {"iips", "ips"},       {"iTs", "Ts"},       {"iCHANGED", "CHANGED"},
    {"iirtype", "irType"},   {"iRACT", "RACT"},     {"ik", "k"},         {"iti", "ti"},
    {"itd", "td"},           {"ind", "nd"},         {"ib", "b"},         {"ic", "c"},
    {"itt", "tt"},           {"ihilim", "hilim"},   {"ilolim", "lolim"}, {"idz", "dz"},
    {"iicotype", "icotype"}, {"iittype", "itType"}, {"iiainf", "iainf"}, {"iDGC", "DGC"},
    {"itdg", "tdg"},         {"itn", "tn"},         {"iamp", "amp"},     {"idy", "dy"},
    {"iispeed", "ispeed"},   {"iipid", "ipid"},     {"omv", "mv"},       {"odmv", "dmv"},
    {"ode", "de"},           {"oSAT", "SAT"},       {"oTBSY", "TBSY"},   {"oTE", "TE"},
    {"oite", "ite"},         {"opk", "pk"},         {"opti", "pti"},     {"optd", "ptd"},
    {"opnd", "pnd"},         {"opb", "pb"},         {"opc", "pc"},
};

// T_PID follows Input3 and Input2 in the received block.
constexpr int kT = 4;

Member PidMemberRow(const char* row, std::string_view name) {
    for (const plc::PidMember& m : plc::kPidMembers) {
        if (m.name != name) continue;
        if (name == "Control") return {row, kT + m.offset, Kind::Bits, m.size, plc::kPidControlBits};
        if (name == "Status") return {row, kT + m.offset, Kind::Bits, m.size, plc::kPidStatusBits};
        if (name == "Det") return {row, kT + m.offset, Kind::Bits, m.size, plc::kPidDetBits};
        return {row, kT + m.offset, Kind::Int, m.size};
    }
    return {row, 0, Kind::Byte, 1};
}

Member PidmaMemberRow(const char* row, std::string_view name) {
    for (const plc::PidaMember& m : plc::kPidaMembers) {
        if (m.name != name) continue;
        const Kind kind = m.type == plc::PidaType::Real   ? Kind::Real
                          : m.type == plc::PidaType::Dint ? Kind::Dint
                                                          : Kind::Byte;
        return {row, m.offset, kind, m.size};
    }
    return {row, 0, Kind::Byte, 1};
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

std::string ValueText(Kind kind, const std::uint8_t* p, int size, char sep) {
    switch (kind) {
        case Kind::Int:
            return std::to_string(plc::GetInt16(p));
        case Kind::Byte:
            return std::to_string(p[0]);
        case Kind::Bits:
            return std::to_string(size == 2 ? plc::GetUInt16(p) : p[0]);
        case Kind::Real:
            return RealText(plc::GetReal(p), sep);
        case Kind::Dint:
            return std::to_string(plc::GetInt32(p));
    }
    return {};
}

void AddRows(std::vector<StructureRow>& rows, const Member& m, const std::uint8_t* image, bool data,
             char sep) {
    const std::uint8_t* p = image + m.offset;
    rows.push_back({m.name, data ? ValueText(m.kind, p, m.size, sep) : "-", data ? Hex(p, m.size) : ""});
    const unsigned word = data ? (m.size == 2 ? plc::GetUInt16(p) : p[0]) : 0;
    for (std::size_t b = 0; b < m.bits.size(); ++b)
        rows.push_back({"  ." + std::string(m.bits[b]), data ? std::to_string((word >> b) & 1u) : "-", ""});
}

}  // namespace

std::vector<StructureRow> StructureRows(const OnlineExchange& x, char sep) {
    std::vector<StructureRow> rows;
    const bool data = x.hasData();
    if (x.kind() == ControllerKind::Pidma) {
        for (const auto& [row, name] : kPidmaRows)
            AddRows(rows, PidmaMemberRow(row, name), x.pidmaImage().data(), data, sep);
        return rows;
    }
    const std::uint8_t* block = x.pidBlock().data();
    if (x.settings().hasInput3()) AddRows(rows, {"iInput3", 0, Kind::Int, 2}, block, data, sep);
    if (x.settings().hasInput2()) AddRows(rows, {"iInput2", 2, Kind::Int, 2}, block, data, sep);
    for (const auto& [row, name] : kPidRows) AddRows(rows, PidMemberRow(row, name), block, data, sep);
    return rows;
}

}  // namespace velmora::online
