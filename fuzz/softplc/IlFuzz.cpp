#include "IlFuzz.h"

#include <string>

#include "softplc/PlcEngine.h"

namespace velmora::softplc {

int FuzzOne(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    SoftPlc plc;
    plc.symbols().addMnemonicDeclarations(text);
    plc.symbols().build();
    PlcEngine engine(plc);
    if (!engine.compile({{"fuzz.orv", text, SourceFile::Kind::Mnemonic}}, {})) return 0;
    engine.start(Restart::Cold);
    engine.advance(30);
    engine.start(Restart::Warm);
    engine.advance(10);
    return 0;
}

}  // namespace velmora::softplc
