// The operand parser: whatever it accepts is an address inside the 32-bit
// fields with a known kind and size, a bit of 0..7 or none.
#include "FuzzSupport.h"
#include "base/OperandParser.h"

VELMORA_FUZZ_TARGET(Operand) {
    const auto a = velmora::plc::ParseOperand(velmora::fuzz::Bytes(data, size));
    if (!a) return 0;
    velmora::fuzz::Expect(a->area >= 0 && a->area <= 4, "area out of range");
    velmora::fuzz::Expect(a->offset >= 0, "negative offset");
    velmora::fuzz::Expect(a->bit >= -1 && a->bit <= 7, "bit out of range");
    velmora::fuzz::Expect(a->size == velmora::plc::OperandKindSize(a->kind) && a->size > 0,
                          "size of no kind");
    return 0;
}
