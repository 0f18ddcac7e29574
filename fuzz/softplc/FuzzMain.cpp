// libFuzzer entry of the instruction-list fuzz target.
#include "IlFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmora::softplc::FuzzOne(data, size);
}
