#include "controllers/DescriptionVariables.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "base/OperandParser.h"
#include "base/Strings.h"

namespace velmora {

namespace {

// Types a variable line may name and their sizes in bytes (0: a bit). DWORD
// and LWORD are left out: the operand parser would size them as words.
struct TypeSize {
    std::string_view name;
    int bytes;
};
constexpr std::array<TypeSize, 16> kTypes{{{"BOOL", 0},
                                           {"BYTE", 1},
                                           {"SINT", 1},
                                           {"USINT", 1},
                                           {"WORD", 2},
                                           {"INT", 2},
                                           {"UINT", 2},
                                           {"DINT", 4},
                                           {"UDINT", 4},
                                           {"LONG", 4},
                                           {"REAL", 4},
                                           {"FLOAT", 4},
                                           {"LINT", 8},
                                           {"QUAD", 8},
                                           {"LREAL", 8},
                                           {"DOUBLE", 8}}};

std::optional<int> BytesOfType(std::string_view type) {
    for (const auto& t : kTypes)
        if (EqualNoCase(t.name, type)) return t.bytes;
    return std::nullopt;
}

struct Written {
    std::string type;  // empty when the line names none
    std::string operand;
};

// "INT %R200", "(INT)%R200" or "%R200".
Written SplitType(std::string_view text) {
    text = Trim(text);
    if (text.starts_with('(')) {
        const auto close = text.find(')');
        if (close != std::string_view::npos)
            return {std::string(Trim(text.substr(1, close - 1))), std::string(Trim(text.substr(close + 1)))};
    }
    const auto blank = text.find_first_of(" \t");
    if (blank == std::string_view::npos) return {"", std::string(text)};
    return {std::string(text.substr(0, blank)), std::string(Trim(text.substr(blank)))};
}

// Bytes of a size letter as the operand parser reads it (IEC D and L swapped); 1 for none or X.
int LetterBytes(const plc::OperandParts& p) {
    char letter = p.letter;
    if (p.iec && (letter == 'D' || letter == 'L')) letter = letter == 'D' ? 'L' : 'D';
    const int bytes = (letter && letter != 'X') ? plc::OperandKindSize(letter) : 1;
    return bytes > 0 ? bytes : 1;
}

// A variable's memory in bits of its area: [begin, end).
struct Placed {
    std::string name;
    int line = 0;
    std::int32_t area = 0;
    std::int64_t begin = 0, end = 0;
};

// Why the address cannot be what its type says; empty when it can. Fills placed.
std::string AddressError(const Written& w, Placed& placed) {
    const std::optional<int> typeBytes = w.type.empty() ? std::optional<int>(-1) : BytesOfType(w.type);
    if (!typeBytes)
        return "the type " + w.type +
               " is not one of BOOL, BYTE, SINT, USINT, WORD, INT, UINT, DINT, "
               "UDINT, LONG, REAL, FLOAT, LINT, QUAD, LREAL, DOUBLE";
    const auto parts = plc::ReadOperandParts(w.operand);
    const auto own = plc::ParseOperand(w.operand);
    if (!parts || !own) return "the address " + w.operand + " is no operand";
    const bool bit = own->kind == 'b';
    if (parts->bit >= 8 * LetterBytes(*parts))
        return "bit " + std::to_string(parts->bit) + " is beyond bit " +
               std::to_string(LetterBytes(*parts) * 8 - 1) + " of its address " + w.operand;
    if (*typeBytes == 0 && !bit)
        return "BOOL needs a bit address (such as %R202.0), " + w.operand + " is none";
    if (*typeBytes > 0 && bit) return w.type + " needs a byte address, " + w.operand + " addresses a bit";
    if (*typeBytes > 0 && parts->letter && parts->letter != 'X' && LetterBytes(*parts) != *typeBytes)
        return w.type + " takes " + std::to_string(*typeBytes) + " bytes, " + w.operand + " addresses " +
               std::to_string(LetterBytes(*parts));
    const auto resolved = *typeBytes > 0 ? plc::ParseOperand(w.type + " " + w.operand) : own;
    if (!resolved) return "the address " + w.operand + " is no operand";
    if (static_cast<std::int64_t>(resolved->offset) + resolved->size > plc::kAreaBytes)
        return "the address " + w.operand + " reaches past its area (" + std::to_string(plc::kAreaBytes) +
               " bytes)";
    placed.area = resolved->area;
    placed.begin = std::int64_t{resolved->offset} * 8 + (bit ? resolved->bit : 0);
    placed.end = bit ? placed.begin + 1 : (std::int64_t{resolved->offset} + resolved->size) * 8;
    return {};
}

// One warning per variable that shares memory with an earlier one of its area.
void WarnOverlaps(std::vector<Placed> placed, const std::filesystem::path& file,
                  std::vector<DescriptionProblem>& problems) {
    std::sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.area != b.area ? a.area < b.area : a.begin < b.begin;
    });
    const Placed* reaching = nullptr;  // of the area so far, the one that ends last
    for (const Placed& p : placed) {
        if (reaching && reaching->area == p.area && p.begin < reaching->end)
            problems.push_back({file, p.line, false,
                                "variable " + p.name + " shares memory with " + reaching->name + " (line " +
                                    std::to_string(reaching->line) + ")"});
        if (!reaching || reaching->area != p.area || p.end > reaching->end) reaching = &p;
    }
}

}  // namespace

std::string DescriptionProblem::message() const {
    return file.string() + "(" + std::to_string(line) + "): " + (error ? "error: " : "warning: ") + text;
}

std::vector<std::pair<std::string, std::string>> CheckVariables(const std::vector<IniFile::KeyEntry>& lines,
                                                                const std::filesystem::path& file,
                                                                std::vector<DescriptionProblem>& problems) {
    std::vector<std::pair<std::string, std::string>> kept;
    std::vector<Placed> placed;
    std::unordered_map<std::string, int> firstLine;  // upper-cased name
    for (const auto& entry : lines) {
        const auto [first, fresh] = firstLine.emplace(UpperAscii(entry.key), entry.line);
        if (!fresh) {
            problems.push_back({file, entry.line, true,
                                "variable " + entry.key + " is declared again (first on line " +
                                    std::to_string(first->second) + "); this line is ignored"});
            continue;
        }
        Placed p{entry.key, entry.line};
        if (const std::string error = AddressError(SplitType(entry.value), p); !error.empty()) {
            problems.push_back({file, entry.line, true, "variable " + entry.key + ": " + error});
            continue;
        }
        placed.push_back(std::move(p));
        kept.emplace_back(entry.key, entry.value);
    }
    WarnOverlaps(std::move(placed), file, problems);
    return kept;
}

}  // namespace velmora
