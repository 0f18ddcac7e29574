// The text table reader: an accepted table answers every id it lists.
#include <span>

#include "FuzzSupport.h"
#include "base/TextTable.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(TextTable) {
    const auto table = TextTable::Parse(std::span<const std::uint8_t>(data, size));
    if (!table) return 0;
    for (std::size_t i = 0; i < table->size(); ++i)
        fuzz::Expect(table->find(table->idAt(i)).has_value(), "a listed id has no text");
    table->find(0xFFFFFFFFu);
    return 0;
}
