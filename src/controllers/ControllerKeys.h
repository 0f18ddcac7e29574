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

// A key of a controller's section. Code names keys only through the constants
// in `key`, so a misspelt key does not compile; the table below is built from
// the same constants.
struct Key {
    std::string_view name;
};

namespace key {
// One group of keys per line, kept by hand.
// clang-format off
#define VELMORA_KEYS(X)                                                                                   \
    X(Name) X(Type) X(HeaderInST) X(ReleaseNumber) X(Remanent) X(Alias) X(FoundStruct) X(OffReg) X(OffRem) \
    X(InputMode) X(Cascade) X(Astat)                                                                      \
    X(PBnd) X(RelCool) X(Ti) X(Td) X(EGap) X(IGap) X(DGap) X(MaxY) X(MinY) X(OutCycle) X(P41) X(UDef)     \
    X(UdefLastU)                                                                                          \
    X(WFiltr) X(TiW)                                                                                      \
    X(UPosition) X(UAnalog) X(UF) X(UFiltr) X(UTau) X(UMax) X(UMin) X(dUMax) X(A8) X(A12) X(A16) X(UReal) \
    X(UMeasure) X(AO) X(UBipolar) X(Ux1) X(Ux2) X(Uy1) X(Uy2) X(UpName) X(UmName)                         \
    X(AM) X(gW) X(Output) X(sp) X(hv)                                                                     \
    X(irtype) X(RACT) X(k) X(ti) X(td) X(nd) X(b) X(c) X(tt) X(hilim) X(lolim) X(Ts) X(Input)             \
    X(ittype) X(iainf) X(ispeed) X(ipid) X(DGC) X(tdg) X(tn) X(amp) X(dy)                                 \
    X(Simulation) X(TypSoustavy) X(Su) X(Su2) X(Tau1) X(Tau2) X(Tau3) X(Delta) X(Omega) X(TauA) X(MinSU)  \
    X(MaxSU) X(DDelta) X(Delay) X(y0) X(ys) X(SimT) X(AddOut) X(AddOutName)                               \
    X(OsaXMrizka) X(OsaXRozsah) X(OsaXPopisekPo) X(OsaXFormatCasu) X(DelkaBuffer)
// clang-format on
#define VELMORA_KEY(name) inline constexpr Key name{#name};
VELMORA_KEYS(VELMORA_KEY)
#undef VELMORA_KEY

// The keys of a controlled variable: Y[0] holds Y1's.
struct SignalKeys {
    Key name, ovf, unf, unit, cnvMode, filtr, tau, measure, x1, x2, y1, y2, min, max;
};
#define VELMORA_SIGNAL(n)                                                                       \
    SignalKeys {                                                                                \
        {"Y" #n "Name"}, {"Y" #n "OVF"}, {"Y" #n "UNF"}, {"Y" #n "Unit"}, {"Y" #n "CNVMode"},   \
            {"Y" #n "Filtr"}, {"Y" #n "Tau"}, {"Y" #n "Measure"}, {"Y" #n "x1"}, {"Y" #n "x2"}, \
            {"Y" #n "y1"}, {"Y" #n "y2"}, {"Y" #n "Min"}, {"Y" #n "Max"},                       \
    }
inline constexpr SignalKeys Y[3] = {VELMORA_SIGNAL(1), VELMORA_SIGNAL(2), VELMORA_SIGNAL(3)};
#undef VELMORA_SIGNAL

// The keys of a trend curve: Curve[0] is "Prubeh0".
struct CurveKeys {
    Key shown, min, max, gridStep, from, to, sameAs, order, grid, colour, pointSize, points, label;
};
#define VELMORA_CURVE(n)                                                                                    \
    CurveKeys {                                                                                             \
        {"Prubeh" #n}, {"Prubeh" #n "Min"}, {"Prubeh" #n "Max"}, {"Prubeh" #n "PopisekPo"},                 \
            {"Prubeh" #n "Pocatek"}, {"Prubeh" #n "Konec"}, {"Prubeh" #n "Stejne"}, {"Prubeh" #n "Poradi"}, \
            {"Prubeh" #n "Mrizka"}, {"Prubeh" #n "Barva"}, {"Prubeh" #n "VelikostBodu"},                    \
            {"Prubeh" #n "Body"}, {"Prubeh" #n "Popis"},                                                    \
    }
inline constexpr CurveKeys Curve[6] = {VELMORA_CURVE(0), VELMORA_CURVE(1), VELMORA_CURVE(2),
                                       VELMORA_CURVE(3), VELMORA_CURVE(4), VELMORA_CURVE(5)};
#undef VELMORA_CURVE
}  // namespace key

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

// The values the code generator may turn into code for a key, in stored
// units: the range of the PLC variable the value goes to, narrowed where a
// page or the process narrows it. Keys of type Integer or Boolean need an
// integer literal, Decimal ones any number (a decimal comma allowed).
struct CodeRange {
    double min = 0, max = 0;
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
    std::optional<CodeRange> codeRange;  // none: the key is not turned into code

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
// The same by key (std::logic_error when the kind has no such key).
std::string KeyDefault(Key key, ControllerKind kind, Reader reader);

struct KeyValue {
    std::string key, value;
};

// Every key that applies to the section's kind (decided by its `Type`), in
// table order, as SectionReader::shown gives it; groups after lastGroup are left out.
std::vector<KeyValue> ReadControllerKeys(const IniFile& file, std::string_view section, Reader reader,
                                         int lastGroup = 11);

// Scaled integers: a shown value to the stored integer (clamped to the int
// range, NaN gives 0), and back.
int ScaledToStored(double shown, double scale, Rounding rounding);
int ScaledToStored(std::string_view shownText, double scale, Rounding rounding);  // through ParseDecimal
double StoredToShown(int stored, double scale);

// The release number after `stored`: 16-bit unsigned, so 65535 is followed by 0.
std::uint16_t NextReleaseNumber(int stored);

}  // namespace velmora
