// The INI reader and writer: every section and key read back, one write that
// must be read back as written, and nothing else of the file changed.
#include "FuzzSupport.h"
#include "base/IniFile.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(IniFile) {
    const auto path = fuzz::ScratchFolder() / "ini_file.ini";
    fuzz::WriteScratch(path, fuzz::Bytes(data, size));
    IniFile file(path);
    const auto sections = file.sections();
    for (const auto& section : sections) {
        for (const auto& key : file.keys(section)) {
            const auto value = file.find(section, key);
            fuzz::Expect(value.has_value(), "a listed key cannot be read");
            file.readInteger(section, key, 0);
            file.readDecimal(section, key, 0);
        }
        file.sectionValues(section);
    }
    if (!sections.empty()) {
        // Keys and values of one line without blanks at their ends survive a rewrite;
        // a section name that no header can hold is refused instead.
        try {
            file.writeString(sections.front(), "FuzzKey", "fuzz value");
        } catch (const IniFileError&) {
            return 0;
        }
        IniFile again(path);
        fuzz::Expect(again.readString(sections.front(), "FuzzKey", "") == "fuzz value", "a write was lost");
        fuzz::Expect(again.sections().size() == sections.size(), "a write changed the sections");
    }
    return 0;
}
