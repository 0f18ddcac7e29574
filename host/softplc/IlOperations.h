#pragma once
// What each instruction does, in one place: the compiler takes mnemonics,
// operand rules and stack effects from here, the machine the arithmetic of
// the binary operations and the stack checks of every instruction.
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <string_view>

#include "softplc/IlProgram.h"

namespace velmora::softplc {

using Word = std::int32_t;

inline float AsReal(Word v) {
    return std::bit_cast<float>(v);
}
inline Word FromReal(float f) {
    return std::bit_cast<Word>(f);
}

// A binary operation combines the top cell `a` with its operand `b` (the
// operand of the instruction, or the cell popped off the top).
struct BinaryOperation {
    Op op;
    Word (*integer)(Word a, Word b);
    Word (*real)(Word a, Word b);  // with a REAL operand: comparisons compare as REAL
    bool zeroFails;                // DIV and MOD stop the scan on a zero operand
};

namespace binary {
inline Word Wrap(std::int64_t v) {
    return static_cast<Word>(static_cast<std::uint32_t>(v));
}
inline Word Add(Word a, Word b) {
    return Wrap(static_cast<std::int64_t>(a) + b);
}
inline Word Sub(Word a, Word b) {
    return Wrap(static_cast<std::int64_t>(a) - b);
}
inline Word Mul(Word a, Word b) {
    return Wrap(static_cast<std::int64_t>(a) * b);
}
// The one quotient that overflows (MIN / -1) keeps MIN; its remainder is 0.
inline Word Div(Word a, Word b) {
    return a == std::numeric_limits<Word>::min() && b == -1 ? a : a / b;
}
inline Word Mod(Word a, Word b) {
    return a == std::numeric_limits<Word>::min() && b == -1 ? 0 : a % b;
}
inline Word And(Word a, Word b) {
    return a & b;
}
inline Word Or(Word a, Word b) {
    return a | b;
}
inline Word Xor(Word a, Word b) {
    return a ^ b;
}
inline Word Eq(Word a, Word b) {
    return a == b;
}
inline Word Ne(Word a, Word b) {
    return a != b;
}
inline Word Gt(Word a, Word b) {
    return a > b;
}
inline Word Lt(Word a, Word b) {
    return a < b;
}
inline Word Ge(Word a, Word b) {
    return a >= b;
}
inline Word Le(Word a, Word b) {
    return a <= b;
}
inline Word EqF(Word a, Word b) {
    return AsReal(a) == AsReal(b);
}
inline Word NeF(Word a, Word b) {
    return AsReal(a) != AsReal(b);
}
inline Word GtF(Word a, Word b) {
    return AsReal(a) > AsReal(b);
}
inline Word LtF(Word a, Word b) {
    return AsReal(a) < AsReal(b);
}
inline Word GeF(Word a, Word b) {
    return AsReal(a) >= AsReal(b);
}
inline Word LeF(Word a, Word b) {
    return AsReal(a) <= AsReal(b);
}
inline Word Adf(Word a, Word b) {
    return FromReal(AsReal(a) + AsReal(b));
}
inline Word Suf(Word a, Word b) {
    return FromReal(AsReal(a) - AsReal(b));
}
inline Word Muf(Word a, Word b) {
    return FromReal(AsReal(a) * AsReal(b));
}
inline Word Dif(Word a, Word b) {
    return FromReal(AsReal(a) / AsReal(b));
}
}  // namespace binary

// In the order of Op from Op::Eq on.
inline constexpr std::array<BinaryOperation, 18> kBinaryOperations{{
    {Op::Eq, binary::Eq, binary::EqF, false},
    {Op::Ne, binary::Ne, binary::NeF, false},
    {Op::Gt, binary::Gt, binary::GtF, false},
    {Op::Lt, binary::Lt, binary::LtF, false},
    {Op::Ge, binary::Ge, binary::GeF, false},
    {Op::Le, binary::Le, binary::LeF, false},
    {Op::Add, binary::Add, binary::Add, false},
    {Op::Sub, binary::Sub, binary::Sub, false},
    {Op::Mul, binary::Mul, binary::Mul, false},
    {Op::Div, binary::Div, binary::Div, true},
    {Op::Mod, binary::Mod, binary::Mod, true},
    {Op::And, binary::And, binary::And, false},
    {Op::Or, binary::Or, binary::Or, false},
    {Op::Xor, binary::Xor, binary::Xor, false},
    {Op::Adf, binary::Adf, binary::Adf, false},
    {Op::Suf, binary::Suf, binary::Suf, false},
    {Op::Muf, binary::Muf, binary::Muf, false},
    {Op::Dif, binary::Dif, binary::Dif, false},
}};

constexpr bool BinaryTableInOpOrder() {
    for (std::size_t k = 0; k < kBinaryOperations.size(); ++k)
        if (static_cast<std::size_t>(kBinaryOperations[k].op) != static_cast<std::size_t>(Op::Eq) + k)
            return false;
    return true;
}
static_assert(BinaryTableInOpOrder());

constexpr bool IsBinary(Op op) {
    return op >= Op::Eq && op <= Op::Dif;
}
constexpr const BinaryOperation& BinaryOf(Op op) {
    return kBinaryOperations[static_cast<std::size_t>(op) - static_cast<std::size_t>(Op::Eq)];
}

// What an instruction does to the stack: it needs `need` cells, removes `pop`
// and adds `push`.
struct StackEffect {
    int need = 0, pop = 0, push = 0;
};
StackEffect EffectOf(const Instr& i);

enum class OperandRule { None, Optional, Required, Label, Name };

struct Mnemonic {
    std::string_view name;
    Op op;
    OperandRule rule;
};

inline constexpr std::array<Mnemonic, 46> kMnemonics{{
    {"LD", Op::Ld, OperandRule::Required},   {"LDL", Op::Ld, OperandRule::Required},
    {"LDC", Op::Ldc, OperandRule::Required}, {"WR", Op::Wr, OperandRule::Required},
    {"WRC", Op::Wrc, OperandRule::Required}, {"PUT", Op::Put, OperandRule::Required},
    {"EQ", Op::Eq, OperandRule::Optional},   {"NE", Op::Ne, OperandRule::Optional},
    {"GT", Op::Gt, OperandRule::Optional},   {"LT", Op::Lt, OperandRule::Optional},
    {"GE", Op::Ge, OperandRule::Optional},   {"LE", Op::Le, OperandRule::Optional},
    {"ADD", Op::Add, OperandRule::Optional}, {"SUB", Op::Sub, OperandRule::Optional},
    {"MUL", Op::Mul, OperandRule::Optional}, {"DIV", Op::Div, OperandRule::Optional},
    {"MOD", Op::Mod, OperandRule::Optional}, {"AND", Op::And, OperandRule::Optional},
    {"OR", Op::Or, OperandRule::Optional},   {"XOR", Op::Xor, OperandRule::Optional},
    {"NOT", Op::Not, OperandRule::None},     {"NEG", Op::Neg, OperandRule::None},
    {"ADF", Op::Adf, OperandRule::Optional}, {"SUF", Op::Suf, OperandRule::Optional},
    {"MUF", Op::Muf, OperandRule::Optional}, {"DIF", Op::Dif, OperandRule::Optional},
    {"IFW", Op::Ifw, OperandRule::None},     {"IWF", Op::Iwf, OperandRule::None},
    {"ROR", Op::Ror, OperandRule::Optional}, {"ROL", Op::Rol, OperandRule::Optional},
    {"JMP", Op::Jmp, OperandRule::Label},    {"JMC", Op::Jmc, OperandRule::Label},
    {"JMD", Op::Jmd, OperandRule::Label},    {"CAL", Op::Cal, OperandRule::Label},
    {"CAD", Op::Cad, OperandRule::Label},    {"RET", Op::Ret, OperandRule::None},
    {"CRC", Op::Crc, OperandRule::None},     {"CRCM", Op::Crc, OperandRule::None},
    {"SRC", Op::Src, OperandRule::Required}, {"MOV", Op::Mov, OperandRule::Required},
    {"CNV", Op::Cnv, OperandRule::None},     {"PID", Op::Pid, OperandRule::None},
    {"PIDA", Op::Pida, OperandRule::None},   {"POP", Op::Pop, OperandRule::None},
    {"DUP", Op::Dup, OperandRule::None},     {"USI", Op::Crc, OperandRule::Name},
}};

// The mnemonic of an upper-case name; null for an unknown one.
const Mnemonic* FindMnemonic(std::string_view upperName);

}  // namespace velmora::softplc
