#include "softplc/IlOperations.h"

#include <algorithm>

namespace velmora::softplc {

StackEffect EffectOf(const Instr& i) {
    if (IsBinary(i.op)) return i.source == Source::None ? StackEffect{2, 2, 1} : StackEffect{1, 0, 0};
    switch (i.op) {
        case Op::Ld:
        case Op::Ldc:
            return {0, 0, 1};
        case Op::Dup:
            return {1, 0, 1};
        case Op::Not:
        case Op::Neg:
        case Op::Ifw:
        case Op::Iwf:
        case Op::Ror:
        case Op::Rol:
            return {1, 0, 0};
        case Op::Wr:
        case Op::Wrc:
        case Op::Put:
        case Op::Jmc:
        case Op::Jmd:
        case Op::Cad:
        case Op::Src:
        case Op::Pop:
            return {1, 1, 0};
        case Op::Crc:
            return {2, 2, 1};
        case Op::Mov:
            return {2, 2, 0};
        case Op::Cnv:
            return (i.extra & 4) ? StackEffect{6, 6, 1} : StackEffect{4, 4, 1};
        case Op::Pid:
            return {3, 3, 1};
        case Op::Pida:
            return {1, 1, 1};
        default:  // END, JMP, CAL, RET
            return {};
    }
}

const Mnemonic* FindMnemonic(std::string_view upperName) {
    const auto found = std::find_if(kMnemonics.begin(), kMnemonics.end(),
                                    [&](const Mnemonic& m) { return m.name == upperName; });
    return found == kMnemonics.end() ? nullptr : &*found;
}

}  // namespace velmora::softplc
