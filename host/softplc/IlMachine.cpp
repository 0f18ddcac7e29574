#include "IlMachine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "Blocks.h"
#include "SoftPlc.h"

namespace velmora::softplc {

namespace {

inline float AsFloat(std::int32_t v) {
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

inline std::int32_t FromFloat(float f) {
    std::int32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

inline std::int32_t Load(const std::uint8_t* m, Access access, int bit) {
    switch (access) {
        case Access::Bit:
            return (*m >> bit) & 1;
        case Access::U8:
            return *m;
        case Access::S16:
            return static_cast<std::int16_t>(m[0] | (m[1] << 8));
        case Access::U16:
            return static_cast<std::uint16_t>(m[0] | (m[1] << 8));
        case Access::I32:
            return static_cast<std::int32_t>(
                static_cast<std::uint32_t>(m[0]) | (static_cast<std::uint32_t>(m[1]) << 8) |
                (static_cast<std::uint32_t>(m[2]) << 16) | (static_cast<std::uint32_t>(m[3]) << 24));
    }
    return 0;
}

inline void Store(std::uint8_t* m, Access access, int bit, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    switch (access) {
        case Access::Bit:
            *m = static_cast<std::uint8_t>(v != 0 ? (*m | (1u << bit)) : (*m & ~(1u << bit)));
            return;
        case Access::U8:
            m[0] = static_cast<std::uint8_t>(u);
            return;
        case Access::S16:
        case Access::U16:
            m[0] = static_cast<std::uint8_t>(u);
            m[1] = static_cast<std::uint8_t>(u >> 8);
            return;
        case Access::I32:
            m[0] = static_cast<std::uint8_t>(u);
            m[1] = static_cast<std::uint8_t>(u >> 8);
            m[2] = static_cast<std::uint8_t>(u >> 16);
            m[3] = static_cast<std::uint8_t>(u >> 24);
            return;
    }
}

// A range of register bytes [offset, offset + count) that lies inside the area.
inline bool Inside(std::int64_t offset, std::int64_t count) {
    return offset >= 0 && count >= 0 && offset + count <= kAreaSize;
}

std::int32_t FloatToWord(float f) {
    if (std::isnan(f)) return 0;
    const float t = std::trunc(f);
    if (t >= 32767.f) return 32767;
    if (t <= -32768.f) return -32768;
    return static_cast<std::int32_t>(t);
}

std::int32_t Rotate16(std::int32_t v, int count, bool right) {
    const std::uint32_t w = static_cast<std::uint32_t>(v) & 0xFFFFu;
    const int n = ((count % 16) + 16) % 16;
    if (n == 0) return static_cast<std::int32_t>(w);
    const std::uint32_t r = right ? ((w >> n) | (w << (16 - n))) : ((w << n) | (w >> (16 - n)));
    return static_cast<std::int32_t>(r & 0xFFFFu);
}

}  // namespace

Machine::Machine(SoftPlc& plc) {
    for (int a = 0; a < kAreaCount; ++a) areas_[a] = plc.area(a).data();
}

void Machine::load(Program program) {
    program_ = std::move(program);
    fault_.reset();
    sourceOffset_ = -1;
}

bool Machine::fail(std::int32_t at, std::string text) {
    fault_ = MachineFault{std::move(text), at, program_.position(static_cast<std::size_t>(std::max(at, 0)))};
    return false;
}

bool Machine::run(Process process, double dtMs) {
    std::int32_t pc = program_.entry[process];
    if (pc < 0) return true;
    const Instr* const code = program_.code.data();
    std::int32_t stack[kStackCells];
    int sp = 0;  // cells in use
    std::int32_t calls[kCallDepth];
    int callDepths[kCallDepth];  // stack depth at each CAL
    int depth = 0;
    std::uint64_t budget = kScanBudget;
    std::uint64_t count = 0;
    std::uint8_t* const registers = areas_[kRegisterArea];

#define NEED(n) \
    if (sp < (n)) return fail(at, "stack underflow")
#define PUSH(v)                                                   \
    do {                                                          \
        if (sp >= kStackCells) return fail(at, "stack overflow"); \
        stack[sp++] = (v);                                        \
    } while (0)

    for (;;) {
        const std::int32_t at = pc;
        const Instr& i = code[pc++];
        ++count;
        if (--budget == 0) {
            executed_ += count;
            return fail(at, "scan stopped: more than " + std::to_string(kScanBudget) +
                                " instructions (endless loop?)");
        }
        std::int32_t operand = 0;
        if (i.source == Source::Immediate)
            operand = i.value;
        else if (i.source == Source::Memory && i.op != Op::Wr && i.op != Op::Wrc && i.op != Op::Put &&
                 i.op != Op::Src && i.op != Op::Mov)
            operand = Load(areas_[i.area] + i.value, i.access, i.bit);

        switch (i.op) {
            case Op::End:
                executed_ += count;
                return true;
            case Op::Ld:
                PUSH(operand);
                break;
            case Op::Ldc:
                PUSH(i.access == Access::Bit && i.source == Source::Memory ? (operand ? 0 : 1) : ~operand);
                break;
            case Op::Wr:
                NEED(1);
                --sp;
                Store(areas_[i.area] + i.value, i.access, i.bit, stack[sp]);
                break;
            case Op::Wrc:
                NEED(1);
                --sp;
                Store(areas_[i.area] + i.value, i.access, i.bit,
                      i.access == Access::Bit ? (stack[sp] == 0) : ~stack[sp]);
                break;
            case Op::Put:
                NEED(1);
                --sp;
                if (areas_[2][1] & 1u) Store(areas_[i.area] + i.value, i.access, i.bit, stack[sp]);
                break;
            case Op::Eq:
            case Op::Ne:
            case Op::Gt:
            case Op::Lt:
            case Op::Ge:
            case Op::Le:
            case Op::Add:
            case Op::Sub:
            case Op::Mul:
            case Op::Div:
            case Op::Mod:
            case Op::And:
            case Op::Or:
            case Op::Xor:
            case Op::Adf:
            case Op::Suf:
            case Op::Muf:
            case Op::Dif: {
                if (i.source == Source::None) {
                    NEED(2);
                    operand = stack[--sp];
                } else {
                    NEED(1);
                }
                std::int32_t& a = stack[sp - 1];
                const bool real = i.real != 0;
                switch (i.op) {
                    case Op::Eq:
                        a = real ? AsFloat(a) == AsFloat(operand) : a == operand;
                        break;
                    case Op::Ne:
                        a = real ? AsFloat(a) != AsFloat(operand) : a != operand;
                        break;
                    case Op::Gt:
                        a = real ? AsFloat(a) > AsFloat(operand) : a > operand;
                        break;
                    case Op::Lt:
                        a = real ? AsFloat(a) < AsFloat(operand) : a < operand;
                        break;
                    case Op::Ge:
                        a = real ? AsFloat(a) >= AsFloat(operand) : a >= operand;
                        break;
                    case Op::Le:
                        a = real ? AsFloat(a) <= AsFloat(operand) : a <= operand;
                        break;
                    case Op::Add:
                        a = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) +
                                                      static_cast<std::uint32_t>(operand));
                        break;
                    case Op::Sub:
                        a = static_cast<std::int32_t>(static_cast<std::uint32_t>(a) -
                                                      static_cast<std::uint32_t>(operand));
                        break;
                    case Op::Mul:
                        a = static_cast<std::int32_t>(static_cast<std::int64_t>(a) * operand);
                        break;
                    case Op::Div:
                    case Op::Mod:
                        if (operand == 0) return fail(at, "division by zero");
                        if (a == std::numeric_limits<std::int32_t>::min() && operand == -1)
                            a = i.op == Op::Div ? a : 0;
                        else
                            a = i.op == Op::Div ? a / operand : a % operand;
                        break;
                    case Op::And:
                        a &= operand;
                        break;
                    case Op::Or:
                        a |= operand;
                        break;
                    case Op::Xor:
                        a ^= operand;
                        break;
                    case Op::Adf:
                        a = FromFloat(AsFloat(a) + AsFloat(operand));
                        break;
                    case Op::Suf:
                        a = FromFloat(AsFloat(a) - AsFloat(operand));
                        break;
                    case Op::Muf:
                        a = FromFloat(AsFloat(a) * AsFloat(operand));
                        break;
                    case Op::Dif:
                        a = FromFloat(AsFloat(a) / AsFloat(operand));
                        break;
                    default:
                        break;
                }
                break;
            }
            case Op::Not:
                NEED(1);
                stack[sp - 1] = ~stack[sp - 1];
                break;
            case Op::Neg:
                NEED(1);
                stack[sp - 1] = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(stack[sp - 1]));
                break;
            case Op::Ifw:
                NEED(1);
                stack[sp - 1] = FloatToWord(AsFloat(stack[sp - 1]));
                break;
            case Op::Iwf:
                NEED(1);
                stack[sp - 1] = FromFloat(static_cast<float>(stack[sp - 1]));
                break;
            case Op::Ror:
                NEED(1);
                stack[sp - 1] = Rotate16(stack[sp - 1], operand, true);
                break;
            case Op::Rol:
                NEED(1);
                stack[sp - 1] = Rotate16(stack[sp - 1], operand, false);
                break;
            case Op::Jmp:
                pc = i.value;
                break;
            case Op::Jmc:
                NEED(1);
                if (stack[--sp] == 0) pc = i.value;
                break;
            case Op::Jmd:
                NEED(1);
                if (stack[--sp] != 0) pc = i.value;
                break;
            case Op::Cad:
                NEED(1);
                if (stack[--sp] == 0) break;
                [[fallthrough]];
            case Op::Cal:
                if (depth >= kCallDepth) return fail(at, "CAL nested too deeply");
                callDepths[depth] = sp;
                calls[depth++] = pc;
                pc = i.value;
                break;
            case Op::Ret:
                if (depth == 0) return fail(at, "RET without CAL");
                pc = calls[--depth];
                sp = std::min(sp, callDepths[depth]);  // what the subroutine left is dropped
                break;
            case Op::Crc: {
                NEED(2);
                const std::int32_t size = stack[--sp];
                const std::int32_t offset = stack[sp - 1];
                if (!Inside(offset, size)) return fail(at, "CRC outside the register area");
                stack[sp - 1] = Crc16(registers + offset, static_cast<std::size_t>(size));
                break;
            }
            case Op::Src: {
                NEED(1);
                const std::int64_t index = stack[--sp];
                sourceArea_ = i.area;
                sourceElement_ = i.extra;
                sourceOffset_ = static_cast<std::int32_t>(
                    std::clamp<std::int64_t>(i.value + index * i.extra, -1, kAreaSize));
                break;
            }
            case Op::Mov: {
                NEED(2);
                const std::int64_t count = static_cast<std::int64_t>(stack[--sp]) * sourceElement_;
                const std::int64_t to = i.value + static_cast<std::int64_t>(stack[--sp]) * sourceElement_;
                if (sourceOffset_ < 0) return fail(at, "MOV without SRC");
                if (!Inside(sourceOffset_, count) || !Inside(to, count))
                    return fail(at, "MOV outside its memory area");
                std::memmove(areas_[i.area] + to, areas_[sourceArea_] + sourceOffset_,
                             static_cast<std::size_t>(count));
                break;
            }
            case Op::Cnv: {
                const int cells = (i.extra & 4) ? 6 : 4;
                NEED(cells);
                ConversionArgs args;
                args.mode = stack[sp - 1];
                args.value = stack[sp - 2];
                args.flags = i.extra;
                const std::int32_t tableIndex = stack[sp - 4];
                if (i.extra & 1) {
                    const int bytes = (i.extra & 2) ? 8 : 4;
                    if (!Inside(tableIndex, bytes)) return fail(at, "CNV table outside the register area");
                    args.table = registers + tableIndex;
                }
                if (i.extra & 4) {
                    const std::int32_t filterIndex = stack[sp - 6];
                    if (!Inside(filterIndex, 4)) return fail(at, "CNV filter outside the register area");
                    args.filter = registers + filterIndex;
                    args.tau = stack[sp - 5];
                }
                args.plcTypeIndex = plcTypeIndex_;
                args.dtMs = dtMs;
                sp -= cells;
                stack[sp++] = RunConversion(args);
                break;
            }
            case Op::Pid: {
                NEED(3);
                const std::int32_t index = stack[sp - 1];
                // The operand is the address of MinY; Det lies one byte before it.
                if (!Inside(static_cast<std::int64_t>(index) - 1, kPidBytes))
                    return fail(at, "PID structure outside the register area");
                const std::uint8_t det =
                    RunPidBlock(registers + index - 1, stack[sp - 2], stack[sp - 3], dtMs);
                sp -= 3;
                stack[sp++] = det;
                break;
            }
            case Op::Pida: {
                NEED(1);
                const std::int32_t index = stack[sp - 1];
                if (!Inside(index, kPidaBytes)) return fail(at, "PIDA structure outside the register area");
                RunPidaBlock(registers + index, dtMs);
                std::memcpy(&stack[sp - 1], registers + index + 166, 4);  // the new output, mv
                break;
            }
            case Op::Pop:
                NEED(1);
                --sp;
                break;
            case Op::Dup: {
                NEED(1);
                const std::int32_t top = stack[sp - 1];
                PUSH(top);
                break;
            }
        }
    }
#undef NEED
#undef PUSH
}

}  // namespace velmora::softplc
