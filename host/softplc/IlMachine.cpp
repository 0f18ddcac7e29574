#include "softplc/IlMachine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/ByteOrder.h"
#include "base/PidaStructure.h"
#include "softplc/Blocks.h"
#include "softplc/IlOperations.h"
#include "softplc/SoftPlc.h"

namespace velmora::softplc {

namespace {

// The machine's value stack over cells the caller owns (a small view that
// lives in registers). Machine::run checks each instruction's need and room
// against it once, so the steps push and pop unchecked.
class ValueStack {
public:
    explicit ValueStack(Word* cells) : cells_(cells) {}
    int size() const { return size_; }
    Word& top() { return cells_[size_ - 1]; }
    Word pop() { return cells_[--size_]; }
    void push(Word v) { cells_[size_++] = v; }
    void cut(int to) { size_ = std::min(size_, to); }
    // Whether the instruction finds the cells it needs and room for those it adds.
    bool fits(const Instr& i) const { return static_cast<unsigned>(size_ - i.need) <= i.span; }
    const char* misfit(const Instr& i) const { return size_ < i.need ? "stack underflow" : "stack overflow"; }
    void drop(int n) { size_ -= n; }
    // The cells an instruction reads, the deepest first.
    std::span<Word> last(int n) { return {cells_ + size_ - n, static_cast<std::size_t>(n)}; }

private:
    Word* cells_;
    int size_ = 0;
};

// Return addresses of the CALs in progress and the stack depth at each.
struct CallStack {
    std::array<std::int32_t, kCallDepth> to;
    std::array<int, kCallDepth> depth;
    int size = 0;
};

// S1.0, the flag that lets PUT write.
constexpr int kPutEnableArea = 2, kPutEnableByte = 1;

// The machine's hot path: these are inlined into run() so that an instruction
// costs one dispatch.
[[gnu::always_inline]] inline Word Load(const std::uint8_t* m, Access access, int bit) {
    switch (access) {
        case Access::Bit:
            return (*m >> bit) & 1;
        case Access::U8:
            return *m;
        case Access::S16:
            return plc::GetInt16(m);
        case Access::U16:
            return plc::GetUInt16(m);
        case Access::I32:
            return plc::GetInt32(m);
    }
    return 0;
}

[[gnu::always_inline]] inline void Store(std::uint8_t* m, Access access, int bit, Word v) {
    switch (access) {
        case Access::Bit:
            *m = static_cast<std::uint8_t>(v != 0 ? (*m | (1u << bit)) : (*m & ~(1u << bit)));
            return;
        case Access::U8:
            *m = static_cast<std::uint8_t>(v);
            return;
        case Access::S16:
        case Access::U16:
            plc::PutUInt16(m, static_cast<std::uint16_t>(v));
            return;
        case Access::I32:
            plc::PutInt32(m, v);
            return;
    }
}

// A range of register bytes [offset, offset + count) that lies inside the area.
bool Inside(std::int64_t offset, std::int64_t count) {
    return offset >= 0 && count >= 0 && offset + count <= kAreaSize;
}

Word FloatToWord(float f) {
    if (std::isnan(f)) return 0;
    const float t = std::trunc(f);
    if (t >= 32767.f) return 32767;
    if (t <= -32768.f) return -32768;
    return static_cast<Word>(t);
}

Word Rotate16(Word v, int count, bool right) {
    const std::uint32_t w = static_cast<std::uint32_t>(v) & 0xFFFFu;
    const int n = ((count % 16) + 16) % 16;
    if (n == 0) return static_cast<Word>(w);
    const std::uint32_t r = right ? ((w >> n) | (w << (16 - n))) : ((w << n) | (w >> (16 - n)));
    return static_cast<Word>(r & 0xFFFFu);
}

// LDC and WRC: a bit inverted, anything else complemented.
Word Complement(const Instr& i, Word operand) {
    return i.access == Access::Bit ? operand == 0 : ~operand;
}

// The operand of an instruction: its constant, or the variable it reads.
[[gnu::always_inline]] inline Word Fetch(const Instr& i, std::uint8_t* const* areas) {
    return i.source == Source::Memory ? Load(areas[i.area] + i.value, i.access, i.bit) : i.value;
}

[[gnu::always_inline]] inline void Store(const Instr& i, Word v, std::uint8_t* const* areas) {
    Store(areas[i.area] + i.value, i.access, i.bit, v);
}

// PUT writes only while S1.0 is set.
void Put(const Instr& i, Word v, std::uint8_t* const* areas) {
    if (areas[kPutEnableArea][kPutEnableByte] & 1u) Store(i, v, areas);
}

// The one-cell operations that change the top in place.
void Unary(const Instr& i, Word operand, Word& top) {
    switch (i.op) {
        case Op::Not:
            top = ~top;
            break;
        case Op::Neg:
            top = static_cast<Word>(0u - static_cast<std::uint32_t>(top));
            break;
        case Op::Ifw:
            top = FloatToWord(AsReal(top));
            break;
        case Op::Iwf:
            top = FromReal(static_cast<float>(top));
            break;
        case Op::Ror:
            top = Rotate16(top, operand, true);
            break;
        case Op::Rol:
            top = Rotate16(top, operand, false);
            break;
        default:
            break;
    }
}

// False on a division by zero.
// A binary operation of the table, picked when compiling, so that its body inlines.
template <Op op>
Word Apply(bool real, Word a, Word b) {
    constexpr BinaryOperation operation = BinaryOf(op);
    return real ? operation.real(a, b) : operation.integer(a, b);
}

// False on a division by zero.
bool Binary(const Instr& i, Word operand, ValueStack& stack) {
    if (i.source == Source::None) operand = stack.pop();
    if (BinaryOf(i.op).zeroFails && operand == 0) return false;
    Word& a = stack.top();
    const bool real = i.real != 0;
    switch (i.op) {
        case Op::Eq:
            a = Apply<Op::Eq>(real, a, operand);
            break;
        case Op::Ne:
            a = Apply<Op::Ne>(real, a, operand);
            break;
        case Op::Gt:
            a = Apply<Op::Gt>(real, a, operand);
            break;
        case Op::Lt:
            a = Apply<Op::Lt>(real, a, operand);
            break;
        case Op::Ge:
            a = Apply<Op::Ge>(real, a, operand);
            break;
        case Op::Le:
            a = Apply<Op::Le>(real, a, operand);
            break;
        case Op::Add:
            a = Apply<Op::Add>(real, a, operand);
            break;
        case Op::Sub:
            a = Apply<Op::Sub>(real, a, operand);
            break;
        case Op::Mul:
            a = Apply<Op::Mul>(real, a, operand);
            break;
        case Op::Div:
            a = Apply<Op::Div>(real, a, operand);
            break;
        case Op::Mod:
            a = Apply<Op::Mod>(real, a, operand);
            break;
        case Op::And:
            a = Apply<Op::And>(real, a, operand);
            break;
        case Op::Or:
            a = Apply<Op::Or>(real, a, operand);
            break;
        case Op::Xor:
            a = Apply<Op::Xor>(real, a, operand);
            break;
        case Op::Adf:
            a = Apply<Op::Adf>(real, a, operand);
            break;
        case Op::Suf:
            a = Apply<Op::Suf>(real, a, operand);
            break;
        case Op::Muf:
            a = Apply<Op::Muf>(real, a, operand);
            break;
        case Op::Dif:
            a = Apply<Op::Dif>(real, a, operand);
            break;
        default:
            break;
    }
    return true;
}

// JMP, JMC, JMD, CAL, CAD and RET: the next pc, or a fault.
const char* Flow(const Instr& i, ValueStack& stack, CallStack& calls, std::int32_t& pc) {
    switch (i.op) {
        case Op::Jmp:
            pc = i.value;
            return nullptr;
        case Op::Jmc:
            if (stack.pop() == 0) pc = i.value;
            return nullptr;
        case Op::Jmd:
            if (stack.pop() != 0) pc = i.value;
            return nullptr;
        case Op::Cad:
            if (stack.pop() == 0) return nullptr;
            [[fallthrough]];
        case Op::Cal:
            if (calls.size >= kCallDepth) return "CAL nested too deeply";
            calls.depth[calls.size] = stack.size();
            calls.to[calls.size++] = pc;
            pc = i.value;
            return nullptr;
        case Op::Ret:
            if (calls.size == 0) return "RET without CAL";
            pc = calls.to[--calls.size];
            stack.cut(calls.depth[calls.size]);  // what the subroutine left is dropped
            return nullptr;
        default:
            return nullptr;
    }
}

}  // namespace

Machine::Machine(SoftPlc& plc) {
    for (int a = 0; a < kAreaCount; ++a) areas_[a] = plc.area(a).data();
}

void Machine::load(Program program) {
    program_ = std::move(program);
    for (Instr& i : program_.code) {
        const StackEffect e = EffectOf(i);
        i.need = static_cast<std::uint8_t>(e.need);
        i.span = static_cast<std::uint8_t>(kStackCells - (e.push - e.pop) - e.need);
    }
    findStretches();
    fault_.reset();
    sourceOffset_ = -1;
}

namespace {

// Whether control can leave the instruction other than to the next one.
bool EndsStretch(Op op) {
    return op == Op::End || op == Op::Jmp || op == Op::Jmc || op == Op::Jmd || op == Op::Cal ||
           op == Op::Cad || op == Op::Ret;
}

}  // namespace

void Machine::findStretches() {
    const std::vector<Instr>& code = program_.code;
    const std::size_t n = code.size();
    // Where a stretch starts: an entry, a jump or call target, after a control transfer.
    std::vector<bool> starts(n + 1, false);
    for (const std::int32_t entry : program_.entry)
        if (entry >= 0 && static_cast<std::size_t>(entry) < n) starts[static_cast<std::size_t>(entry)] = true;
    for (std::size_t k = 0; k < n; ++k) {
        if (!EndsStretch(code[k].op)) continue;
        starts[k + 1] = true;
        const bool transfers = code[k].op != Op::End && code[k].op != Op::Ret;  // jumps and calls
        if (transfers && code[k].value >= 0 && static_cast<std::size_t>(code[k].value) < n)
            starts[static_cast<std::size_t>(code[k].value)] = true;
    }
    // Execution only ever arrives at a start; every other index keeps length 0.
    stretches_.assign(n + 1, Stretch{});
    for (std::size_t first = 0; first < n; ++first) {
        if (!starts[first]) continue;
        Stretch& s = stretches_[first];
        s.lowest = 0, s.highest = kStackCells;
        int depth = 0;  // relative to the stretch's start
        std::size_t k = first;
        do {
            const StackEffect e = EffectOf(code[k]);
            s.lowest = std::max(s.lowest, e.need - depth);
            s.highest = std::min(s.highest, kStackCells - (e.push - e.pop) - depth);
            depth += e.push - e.pop;
            ++s.length;
        } while (!EndsStretch(code[k].op) && ++k < n && !starts[k]);
    }
}

bool Machine::fail(std::int32_t at, std::string text) {
    fault_ = MachineFault{std::move(text), at, program_.position(static_cast<std::size_t>(std::max(at, 0)))};
    return false;
}

bool Machine::run(Process process, double dtMs) {
    std::int32_t pc = program_.entry[process];
    if (pc < 0) return true;
    const Instr* const code = program_.code.data();
    std::array<Word, kStackCells> cells;
    ValueStack stack(cells.data());
    CallStack calls;
    std::uint64_t budget = kScanBudget;
    for (;;) {
        // A stretch whose stack checks all pass at its start, and that the budget
        // covers whole, runs without checking each instruction; any other runs
        // checked, so a fault names its instruction as before.
        const Stretch& s = stretches_[static_cast<std::size_t>(pc)];
        if (s.length == 0) return fail(pc, "the program runs past its end");
        const bool checked = stack.size() < s.lowest || stack.size() > s.highest || budget <= s.length;
        if (!checked) budget -= s.length;
        for (std::uint32_t n = s.length; n != 0; --n) {
            const std::int32_t at = pc;
            const Instr& i = code[pc++];
            if (checked) {
                if (--budget == 0) return stopped(at);
                if (!stack.fits(i)) return fail(at, stack.misfit(i));
            }
            const Word operand = Fetch(i, areas_.data());
            switch (i.op) {
                case Op::End:
                    executed_ += kScanBudget - budget;
                    return true;
                case Op::Ld:
                    stack.push(operand);
                    break;
                case Op::Ldc:
                    stack.push(Complement(i, operand));
                    break;
                case Op::Wr:
                    Store(i, stack.pop(), areas_.data());
                    break;
                case Op::Wrc:
                    Store(i, Complement(i, stack.pop()), areas_.data());
                    break;
                case Op::Put:
                    Put(i, stack.pop(), areas_.data());
                    break;
                case Op::Dup:
                    stack.push(stack.top());
                    break;
                case Op::Not:
                case Op::Neg:
                case Op::Ifw:
                case Op::Iwf:
                case Op::Ror:
                case Op::Rol:
                    Unary(i, operand, stack.top());
                    break;
                case Op::Jmp:
                case Op::Jmc:
                case Op::Jmd:
                case Op::Cal:
                case Op::Cad:
                case Op::Ret:
                    if (const char* why = Flow(i, stack, calls, pc)) return fail(at, why);
                    break;
                case Op::Crc:
                case Op::Src:
                case Op::Mov:
                case Op::Cnv:
                case Op::Pid:
                case Op::Pida:
                case Op::Pop:  // a block of no work: it only drops its cell
                    if (const char* why = block(i, stack.last(i.need), dtMs)) return fail(at, why);
                    stack.drop(i.op == Op::Src || i.op == Op::Mov || i.op == Op::Pop ? i.need : i.need - 1);
                    break;
                default:  // the binary operations
                    if (!Binary(i, operand, stack)) return fail(at, "division by zero");
                    break;
            }
        }
    }
}

bool Machine::stopped(std::int32_t at) {
    executed_ += kScanBudget;
    return fail(at,
                "scan stopped: more than " + std::to_string(kScanBudget) + " instructions (endless loop?)");
}

// The blocks read their cells from `args` (the deepest first) and leave
// their result, if they have one, in args[0], which run() keeps as the top.
[[gnu::always_inline]] inline const char* Machine::block(const Instr& i, std::span<Word> args, double dtMs) {
    switch (i.op) {
        case Op::Crc:
            return crc(args);
        case Op::Src:
            return source(i, args);
        case Op::Mov:
            return move(i, args);
        case Op::Cnv:
            return convert(i, args, dtMs);
        case Op::Pid:
            return pid(args, dtMs);
        case Op::Pida:
            return pida(args, dtMs);
        default:
            return nullptr;
    }
}

const char* Machine::crc(std::span<Word> args) {
    const Word offset = args[0], size = args[1];
    if (!Inside(offset, size)) return "CRC outside the register area";
    args[0] = Crc16(areas_[kRegisterArea] + offset, static_cast<std::size_t>(size));
    return nullptr;
}

const char* Machine::source(const Instr& i, std::span<Word> args) {
    const std::int64_t index = args[0];
    sourceArea_ = i.area;
    sourceElement_ = i.extra;
    sourceOffset_ =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(i.value + index * i.extra, -1, kAreaSize));
    return nullptr;
}

const char* Machine::move(const Instr& i, std::span<Word> args) {
    const std::int64_t count = static_cast<std::int64_t>(args[1]) * sourceElement_;
    const std::int64_t to = i.value + static_cast<std::int64_t>(args[0]) * sourceElement_;
    if (sourceOffset_ < 0) return "MOV without SRC";
    if (!Inside(sourceOffset_, count) || !Inside(to, count)) return "MOV outside its memory area";
    std::memmove(areas_[i.area] + to, areas_[sourceArea_] + sourceOffset_, static_cast<std::size_t>(count));
    return nullptr;
}

// CNV's cells, deepest first: [filter, tau,] table, (unused), value, mode.
[[gnu::always_inline]] inline const char* Machine::convert(const Instr& i, std::span<Word> args,
                                                           double dtMs) {
    const std::size_t n = args.size();
    std::uint8_t* const registers = areas_[kRegisterArea];
    ConversionArgs a;
    a.mode = args[n - 1];
    a.value = args[n - 2];
    a.flags = i.extra;
    if (i.extra & 1) {
        const Word table = args[n - 4];
        if (!Inside(table, (i.extra & 2) ? 8 : 4)) return "CNV table outside the register area";
        a.table = registers + table;
    }
    if (i.extra & 4) {
        const Word filter = args[n - 6];
        if (!Inside(filter, 4)) return "CNV filter outside the register area";
        a.filter = registers + filter;
        a.tau = args[n - 5];
    }
    a.plcTypeIndex = plcTypeIndex_;
    a.dtMs = dtMs;
    args[0] = RunConversion(a);
    return nullptr;
}

// PID's cells, deepest first: input 3, input 2, the address of MinY (Det lies
// one byte before it).
[[gnu::always_inline]] inline const char* Machine::pid(std::span<Word> args, double dtMs) {
    const std::int64_t det = static_cast<std::int64_t>(args[2]) - 1;
    if (!Inside(det, kPidBytes)) return "PID structure outside the register area";
    args[0] = RunPidBlock(areas_[kRegisterArea] + det, args[1], args[0], dtMs);
    return nullptr;
}

// PIDA replaces the structure's address with its new output, mv.
[[gnu::always_inline]] inline const char* Machine::pida(std::span<Word> args, double dtMs) {
    const Word index = args[0];
    if (!Inside(index, kPidaBytes)) return "PIDA structure outside the register area";
    std::uint8_t* const block = areas_[kRegisterArea] + index;
    RunPidaBlock(block, dtMs);
    args[0] = plc::GetInt32(block + plc::PidaOffset("mv"));
    return nullptr;
}

}  // namespace velmora::softplc
