// libFuzzer main for the trend data file reader. Built with
// -DVELMORA_FUZZ=ON and clang: fuzz_trend_data_file [corpus folder].
#include <cstddef>
#include <cstdint>

#include "online/TrendDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return velmora::online::FuzzTrendDataFile(data, size);
}
