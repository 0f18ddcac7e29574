#pragma once
// The soft PLC's compiled program: instruction-list source turned into a flat
// array of small pre-decoded instructions (operands resolved to area, offset
// and access kind, jump and call targets as indices), one entry point per
// process. docs/softplc.md describes what each instruction does.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::softplc {

enum class Op : std::uint8_t {
    End,  // end of a process
    Ld,
    Ldc,
    Wr,
    Wrc,
    Put,
    Eq,
    Ne,
    Gt,
    Lt,
    Ge,
    Le,
    Add,
    Sub,
    Mul,
    Div,
    Mod,
    And,
    Or,
    Xor,
    Adf,
    Suf,
    Muf,
    Dif,  // the binary operations run from Eq to here (IlOperations.h)
    Not,
    Neg,
    Ifw,
    Iwf,
    Ror,
    Rol,
    Jmp,
    Jmc,
    Jmd,
    Cal,
    Cad,
    Ret,
    Crc,
    Src,
    Mov,
    Cnv,
    Pid,
    Pida,
    Pop,
    Dup,
};

// Where an instruction's operand comes from.
// Where an instruction's operand comes from; a Target is a variable the
// instruction writes (or copies to or from), whose value it does not load.
enum class Source : std::uint8_t { None, Immediate, Memory, Target };

// How a memory operand is read and written.
enum class Access : std::uint8_t { Bit, U8, S16, U16, I32 };

struct Instr {
    Op op = Op::End;
    Source source = Source::None;
    Access access = Access::I32;
    std::uint8_t area = 0;
    std::int8_t bit = -1;
    std::uint8_t real = 0;  // the memory operand holds a REAL
    // The stack may hold from `need` to need + span cells when the
    // instruction starts: Machine::load sets both from its stack effect.
    std::uint8_t need = 0;
    std::uint8_t span = 0;
    std::int32_t value = 0;  // immediate, memory offset, or jump/call target index
    std::int32_t extra = 0;  // CNV: its flag word; SRC: element size
};

// Process numbers the program can hold.
enum Process : int { kCyclic = 0, kTimed = 1, kColdRestart = 2, kWarmRestart = 3, kProcessSlots = 4 };
int ProcessNumber(Process p);  // 0, 41, 62, 63

struct SourcePosition {
    std::int32_t file = 0;
    std::int32_t line = 0;
};

struct Program {
    std::vector<Instr> code;
    std::vector<SourcePosition> where;  // one per instruction
    std::vector<std::string> files;     // host-relative names
    std::array<std::int32_t, kProcessSlots> entry{-1, -1, -1, -1};
    int maxStack = 0;  // deepest stack any process can reach
    int maxCalls = 0;  // deepest CAL nesting
    std::size_t sourceInstructions = 0;

    std::string position(std::size_t index) const;  // "file:line"
};

// Limits of the machine, checked when compiling.
constexpr int kStackCells = 32;
constexpr int kCallDepth = 16;

}  // namespace velmora::softplc
