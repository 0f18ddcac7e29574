// The trend data file reader, fed in chunks of varying size.
#include "FuzzSupport.h"
#include "online/TrendDataFile.h"

VELMORA_FUZZ_TARGET(TrendDataFile) {
    return velmora::online::FuzzTrendDataFile(data, size);
}
