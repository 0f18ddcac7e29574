#include "base/OperandParser.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

#include "base/IniFile.h"
#include "base/Strings.h"

namespace velmora::plc {

namespace {

// Numbers are summed in 64 bits and the result must fit the 32-bit fields;
// a negative number is never part of an address.
using Wide = std::int64_t;
constexpr Wide kLargest = std::numeric_limits<std::int32_t>::max();

// A whole decimal integer of 0 .. kLargest (blanks around it allowed), else nullopt.
std::optional<Wide> WholeNumber(std::string_view text) {
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return std::nullopt;
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || value < 0) return std::nullopt;
    return value;
}

// A C integer constant as "%i" reads it (sign, 0x hex, 0 octal) at the start of
// the text; the rest is handed back. nullopt when there is none or it is out of range.
std::optional<Wide> CInteger(std::string_view& text) {
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(copy.c_str(), &end, 0);
    if (end == copy.c_str() || errno == ERANGE || value < -kLargest || value > kLargest) return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - copy.c_str()));
    return value;
}

// Type keywords, tested in this order; the first found anywhere in the text wins.
struct Keyword {
    std::string_view word;
    char kind;
};
constexpr std::array<Keyword, 12> kKeywords{{{"QUAD", 'Q'},
                                             {"LINT", 'Q'},
                                             {"DOUBLE", 'D'},
                                             {"LREAL", 'D'},
                                             {"FLOAT", 'F'},
                                             {"REAL", 'F'},
                                             {"LONG", 'L'},
                                             {"DINT", 'L'},
                                             {"BYTE", 'B'},
                                             {"SINT", 'B'},
                                             {"WORD", 'W'},
                                             {"INT", 'W'}}};

char KeywordKind(std::string_view text) {
    for (const auto& k : kKeywords)
        if (text.find(k.word) != std::string_view::npos) return k.kind;
    return 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int OperandKindSize(char kind) {
    switch (kind) {
        case 'B':
        case 'b':
            return 1;
        case 'W':
            return 2;
        case 'L':
        case 'F':
            return 4;
        case 'D':
        case 'Q':
            return 8;
        default:
            return 0;
    }
}

namespace {

// Step 1: a type keyword in front ("INT %R100", "(INT)%R100") overrides the size at the end.
void TakeKeyword(std::string& text, OperandParts& p) {
    p.keywordKind = KeywordKind(text);
    if (!p.keywordKind) return;
    std::size_t cut = text.starts_with('(') ? text.find(')') : text.find(' ');
    if (cut != std::string::npos) text = text.substr(cut + 1);
    text = std::string(Trim(text));
}

// Step 2: "+bytes" or "+bytes.bits" at the end.
void TakeAddend(std::string& text, OperandParts& p) {
    const auto plus = text.find('+');
    if (plus == std::string::npos) return;
    std::string addend = text.substr(plus + 1);
    if (addend.find('.') != std::string::npos) {
        // Read like "%i.%i": the addend may be written in hex or octal like any C constant.
        std::string_view rest = addend;
        if (auto bytes = CInteger(rest)) {
            p.byteAddend = *bytes;
            if (rest.starts_with('.')) {
                rest.remove_prefix(1);
                // A bit addend that cannot be read leaves it unset, as a failed "%i" would.
                if (auto bits = CInteger(rest)) p.bitAddend = *bits;
            }
        }
    } else {
        p.byteAddend = WholeNumber(addend).value_or(0);
    }
    text.resize(plus);
}

// Step 3: an index "[n]".
void TakeIndex(std::string& text, OperandParts& p) {
    const auto open = text.find('[');
    if (open == std::string::npos) return;
    auto close = text.find(']');
    std::string_view inside = std::string_view(text).substr(open + 1);
    if (close != std::string::npos && close > open) inside = inside.substr(0, close - open - 1);
    p.index = WholeNumber(inside).value_or(0);
    text.resize(open);
}

// Step 4: the area letter, the bit after '.', the size letter and the number.
bool TakeAreaAndNumbers(std::string& text, OperandParts& p) {
    if (auto percent = text.find('%'); percent != std::string::npos) text[percent] = ' ';
    text = std::string(Trim(text));
    if (text.size() < 2) return false;
    static constexpr std::string_view kAreas = "IQMXYSRT";
    static constexpr std::int32_t kCodes[] = {0, 1, 3, 0, 1, 2, 3, 4};
    const auto area = kAreas.find(text[0]);
    if (area == std::string_view::npos) return false;
    p.area = kCodes[area];
    p.iec = area < 3;
    if (auto dot = text.find('.'); dot != std::string::npos) {
        p.bit = WholeNumber(std::string_view(text).substr(dot + 1)).value_or(-1);
        text.resize(dot);
    }
    if (text.size() >= 2 && !IsDigit(text[1])) p.letter = text[1];
    p.number = WholeNumber(std::string_view(text).substr(p.letter ? 2 : 1)).value_or(-1);
    // No number was read: what follows would only scale the -1 into something
    // that looks like an address.
    return p.number != -1;
}

// The operand's kind before IEC letters and keywords: b for a bit, else its letter.
char WrittenKind(const OperandParts& p, Wide bit) {
    if (!p.letter) return (bit >= 0 || p.iec) ? 'b' : 'B';
    if (p.bit == -1 && p.bitAddend == -1) return p.letter;
    return p.bitAddend != -1 ? 'b' : 0;
}

// IEC size letters: D is a double word (32 bits), L a long word (64 bits), X a bit.
char IecKind(char kind) {
    switch (kind) {
        case 'D':
            return 'L';
        case 'L':
            return 'D';
        case 'X':
            return 'b';
        default:
            return kind;
    }
}

// Sizes, units, the index, the keyword and the addend applied to the parts.
std::optional<OperandAddress> Resolve(const OperandParts& p) {
    Wide bit = p.bit;
    if (p.bitAddend != -1) {
        if (bit == -1) bit = 0;
        bit += p.bitAddend;
        if (bit < 0) return std::nullopt;
    }
    Wide offset = p.number;
    char kind = WrittenKind(p, bit);
    if (p.iec) kind = IecKind(kind);
    if (bit >= 0) kind = 'b';
    Wide size = OperandKindSize(kind);
    if (size == 0) return std::nullopt;

    // IEC numbers count in units of the operand: %I12 is bit 12, %MW5 is byte 10.
    if (p.iec) {
        if (kind == 'b' && bit == -1) {
            bit = offset;
            offset = 0;
        }
        offset *= size;
    }

    const Wide index = p.index;
    if (kind == 'b')
        bit += index;
    else
        offset += index * size;

    if (p.keywordKind) {
        kind = p.keywordKind;
        size = OperandKindSize(kind);
    }

    if (bit > 7) {
        offset += bit / 8;
        bit %= 8;
    }

    // No addend may lead below byte 0 or past the 32-bit range.
    offset += p.byteAddend;
    if (offset < 0 || offset > kLargest) return std::nullopt;
    OperandAddress a;
    a.area = p.area;
    a.offset = static_cast<std::int32_t>(offset);
    a.bit = static_cast<std::int32_t>(bit);
    a.size = static_cast<std::int32_t>(size);
    a.kind = kind;
    return a;
}

}  // namespace

std::optional<OperandParts> ReadOperandParts(std::string_view input) {
    // No part of an address is negative: "%RW-5" or "%R1.-5" is no address at all.
    if (input.find('-') != std::string_view::npos) return std::nullopt;
    std::string text = UpperAscii(Trim(input));
    OperandParts p;
    TakeKeyword(text, p);
    TakeAddend(text, p);
    TakeIndex(text, p);
    if (!TakeAreaAndNumbers(text, p)) return std::nullopt;
    return p;
}

std::optional<OperandAddress> ParseOperand(std::string_view text) {
    const auto parts = ReadOperandParts(text);
    if (!parts) return std::nullopt;
    return Resolve(*parts);
}

}  // namespace velmora::plc
