#pragma once
// Every key of a controller's section: its type, encoding, the controller
// kinds it applies to, and the default each reader takes when it is absent.
// The code generator, the report, the pages and `velmora controller show`
// all read through this one table.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class IniFile;

enum class ControllerKind { Pid, Pidma };

// "PID" is the integer controller; any other `Type` text the PIDMA kind.
ControllerKind KindOfType(std::string_view type);

enum class KeyType { Boolean, Integer, Text, Decimal };

// Who reads a key. Readers that take the key's common default need no entry.
enum class Reader {
    Generator,       // generator frame and declarations
    GeneratorCode,   // the code emitters; where they name no default of their own, the frame's
    Page,            // the wizard page that writes the key
    WizardSequence,  // the wizard deciding which pages follow
    SameAsY1Copy,    // the Y2 page copying Y1's settings
    OnlineView,      // online view, its loop schema and the plant simulation
    OnlineRatio,     // the online view's ratio display
    Report,
    Lists,  // controller lists (manager, compile pass)
    Graph,
};

enum KindMask : std::uint8_t { kPid = 1, kPidma = 2, kBothKinds = 3 };

// How a scaled integer is made from a shown decimal.
enum class Rounding : std::uint8_t {
    None,      // not a scaled key
    AddHalf,   // shown × scale + 0.5, truncated toward zero (PID parameter page)
    Truncate,  // shown × scale, truncated toward zero (output and start pages)
};

struct ReaderDefault {
    Reader reader;
    std::string value;
};

struct ControllerKey {
    std::string name;
    int group = 0;  // 1 identity ... 11 trend graph
    KeyType type = KeyType::Text;
    std::uint8_t kinds = kBothKinds;
    std::string defaultValue;  // "{3016}" stands for Text(3016)
    double scale = 0;          // stored = shown × scale (0: stored as shown)
    Rounding rounding = Rounding::None;
    std::vector<ReaderDefault> otherDefaults;

    bool appliesTo(ControllerKind kind) const {
        return kinds & (kind == ControllerKind::Pid ? kPid : kPidma);
    }
};

// The whole table, in group order and within a group in document order.
std::span<const ControllerKey> ControllerKeyTable();

// The entry of a key name (without regard to case) for a kind; nullptr when
// the table has none.
const ControllerKey* FindControllerKey(std::string_view name, ControllerKind kind);

// The default a reader takes, with "{id}" replaced by Text(id).
std::string KeyDefault(const ControllerKey& key, Reader reader);

// The key as the reader sees it, as text: booleans "1"/"0" and integers in
// decimal after the file's profile conversions, text and decimal keys as stored.
std::string ReadKeyText(const IniFile& file, std::string_view section, const ControllerKey& key,
                        Reader reader);

struct KeyValue {
    std::string key, value;
};

// Every key that applies to the section's kind (decided by its `Type`), in
// table order, as ReadKeyText gives it; groups after lastGroup are left out.
std::vector<KeyValue> ReadControllerKeys(const IniFile& file, std::string_view section, Reader reader,
                                         int lastGroup = 11);

// Typed reads of a named key with the reader's default; the key must be in
// the table for that kind (std::logic_error otherwise: a programming error).
bool ReadBoolKey(const IniFile& file, std::string_view section, std::string_view key, ControllerKind kind,
                 Reader reader);
int ReadIntegerKey(const IniFile& file, std::string_view section, std::string_view key, ControllerKind kind,
                   Reader reader);
std::string ReadTextKey(const IniFile& file, std::string_view section, std::string_view key,
                        ControllerKind kind, Reader reader);
// Decimal text keys through ParseDecimal; a scaled integer key divided by its scale.
double ReadDecimalKey(const IniFile& file, std::string_view section, std::string_view key,
                      ControllerKind kind, Reader reader);

// Scaled integers: a shown value to the stored integer (clamped to the int
// range, NaN gives 0), and back.
int ScaledToStored(double shown, double scale, Rounding rounding);
int ScaledToStored(std::string_view shownText, double scale, Rounding rounding);  // through ParseDecimal
double StoredToShown(int stored, double scale);

// The release number after `stored`: 16-bit unsigned, so 65535 is followed by 0.
std::uint16_t NextReleaseNumber(int stored);

}  // namespace velmora
