#include "controllers/ControllerKeys.h"

#include <climits>
#include <cmath>
#include <stdexcept>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Texts.h"
#include "base/Strings.h"

namespace velmora {

namespace {

using R = Reader;
constexpr KeyType B = KeyType::Boolean;
constexpr KeyType I = KeyType::Integer;
constexpr KeyType S = KeyType::Text;
constexpr KeyType D = KeyType::Decimal;

class TableBuilder {
public:
    std::vector<ControllerKey> keys;
    int group = 0;
    std::uint8_t kinds = kBothKinds;

    ControllerKey& add(std::string name, KeyType type, std::string def,
                       std::vector<ReaderDefault> others = {}) {
        ControllerKey k;
        k.name = std::move(name);
        k.group = group;
        k.type = type;
        k.kinds = kinds;
        k.defaultValue = std::move(def);
        k.otherDefaults = std::move(others);
        keys.push_back(std::move(k));
        return keys.back();
    }
    void scaled(std::string name, double scale, Rounding rounding, std::string def,
                std::vector<ReaderDefault> others = {}) {
        ControllerKey& k = add(std::move(name), I, std::move(def), std::move(others));
        k.scale = scale;
        k.rounding = rounding;
    }
};

std::vector<ControllerKey> BuildTable() {
    TableBuilder t;

    // 1. Identity and generation.
    t.group = 1;
    t.kinds = kBothKinds;
    t.add("Name", S, "", {{R::Generator, "Chyba"}, {R::Report, "Chyba pri cteni informaci!"}});
    t.add("Type", S, "PID");
    t.add("HeaderInST", B, "0");
    t.add("ReleaseNumber", I, "0");
    t.add("Remanent", B, "1");
    t.add("Alias", B, "1");
    t.add("FoundStruct", B, "0");
    t.add("OffReg", I, "-1");
    t.add("OffRem", I, "-1");

    // 2. Structure of a PID controller.
    t.group = 2;
    t.kinds = kPid;
    t.add("InputMode", I, "1", {{R::WizardSequence, "0"}});
    t.add("Cascade", B, "0");
    t.add("Astat", B, "0");

    // 3. Controlled variables Y1..Y3.
    t.group = 3;
    for (int i = 1; i <= 3; ++i) {
        const std::string y = "Y" + std::to_string(i);
        const std::string undefined = y + "{3016}";
        t.add(y + "Name", S, "",
              {{R::Page, undefined}, {R::GeneratorCode, i == 2 ? "Y2_mebylo_definovano!!" : undefined}});
        t.add(y + "OVF", S, "");
        t.add(y + "UNF", S, "");
        t.add(y + "Unit", S, "", {{R::Page, undefined}});
        t.add(y + "CNVMode", I, "0");
        t.add(y + "Filtr", B, "0");
        t.add(y + "Tau", I, "0");
        t.add(y + "Measure", B, "0");
        t.add(y + "x1", I, "0");
        t.add(y + "x2", I, "10000", {{R::OnlineRatio, "0"}, {R::SameAsY1Copy, "0"}});
        t.add(y + "y1", I, "0", {{R::OnlineRatio, "10000"}, {R::SameAsY1Copy, "10000"}});
        t.add(y + "y2", I, "10000");
        t.add(y + "Min", I, "0");
        t.add(y + "Max", I, "10000");
    }

    // 4. PID parameters: the page rounds (adds 0.5); the report shows other defaults.
    t.group = 4;
    const auto half = Rounding::AddHalf;
    t.scaled("PBnd", 10, half, "1000");
    t.scaled("RelCool", 10, half, "1000");
    t.scaled("Ti", 10, half, "0", {{R::Report, "1000"}});
    t.scaled("Td", 10, half, "0", {{R::Report, "1000"}});
    t.scaled("EGap", 100, half, "0", {{R::Report, "1000"}});
    t.scaled("IGap", 100, half, "0", {{R::Report, "1000"}});
    t.scaled("DGap", 100, half, "0", {{R::Report, "1000"}});
    t.add("MaxY", I, "10000");
    t.add("MinY", I, "0");
    t.scaled("OutCycle", 100, half, "100");
    t.add("P41", B, "0");
    t.scaled("UDef", 100, half, "0");
    t.add("UdefLastU", B, "0");

    // 5. Setpoint.
    t.group = 5;
    t.add("WFiltr", B, "1", {{R::OnlineView, "0"}});
    t.add("TiW", I, "0");

    // 6. Output: the output page truncates its scaled values.
    t.group = 6;
    const auto cut = Rounding::Truncate;
    t.add("UPosition", B, "0", {{R::OnlineView, "1"}, {R::Report, "1"}});
    t.add("UAnalog", B, "0", {{R::Generator, "1"}, {R::GeneratorCode, "0"}, {R::OnlineView, "1"}});
    t.scaled("UF", 3.125, cut, "0");
    t.add("UFiltr", B, "0");
    t.add("UTau", I, "0");
    t.scaled("UMax", 100, cut, "0");
    t.scaled("UMin", 100, cut, "0");
    t.scaled("dUMax", 100, cut, "0");
    t.add("A8", B, "0", {{R::Page, "1"}});
    t.add("A12", B, "0");
    t.add("A16", B, "0");
    t.add("UReal", B, "0");
    t.add("UMeasure", B, "0");
    t.add("AO", B, "0");
    t.add("UBipolar", B, "0");
    t.scaled("Ux1", 100, cut, "0");
    t.add("Ux2", I, "0");
    t.scaled("Uy1", 100, cut, "0", {{R::GeneratorCode, "10000"}});
    t.add("Uy2", I, "10000");
    t.add("UpName", S, "", {{R::Page, "U1{3016}"}});
    t.add("UmName", S, "", {{R::Page, "U2{3016}"}});

    // 7. Start-up state; `Output` is an integer for PID and a name for PIDMA (group 8).
    t.group = 7;
    t.kinds = kBothKinds;
    t.add("AM", B, "0");
    t.kinds = kPid;
    t.scaled("gW", 100, cut, "0");
    t.scaled("Output", 100, cut, "0");
    t.kinds = kPidma;
    t.add("sp", D, "0", {{R::GeneratorCode, "0."}});
    t.add("hv", D, "0", {{R::GeneratorCode, "0."}});

    // 8. PIDMA parameters; the code emitter and the report read other defaults.
    t.group = 8;
    auto real = [&](const char* name, const char* def, const char* codeDefault) {
        t.add(name, D, def, {{R::GeneratorCode, codeDefault}, {R::Report, "1."}});
    };
    t.add("irtype", I, "7");
    t.add("RACT", B, "0");
    real("k", "1", "1,0");
    real("ti", "4", "4,0");
    real("td", "1", "1,0");
    real("nd", "10", "10,0");
    real("b", "1", "1,0");
    real("c", "0", "0,0");
    real("tt", "1", "1,0");
    real("hilim", "100", "100,0");
    real("lolim", "0", "0,0");
    real("Ts", "1", "0,2");
    t.add("Input", S, "", {{R::GeneratorCode, "Vstup_nebyl_definovan"}, {R::Page, "{3433}"}});
    t.add("Output", S, "", {{R::GeneratorCode, "Vystup_nebyl_definovan"}, {R::Page, "{3434}"}});

    // 9. PIDMA autotuner.
    t.group = 9;
    t.add("ittype", I, "7");
    t.add("iainf", I, "1");
    t.add("ispeed", I, "2");
    t.add("ipid", I, "1");
    t.add("DGC", B, "0", {{R::GeneratorCode, "1"}});
    real("tdg", "2", "10,0");
    real("tn", "2", "2,0");
    real("amp", "15", "15,0");
    real("dy", "5", "5,0");

    // 10. Plant simulation. `Astat` is the key of group 2; the simulation reads it for PIDMA too.
    t.group = 10;
    t.kinds = kPidma;
    t.add("Astat", B, "0");
    t.kinds = kBothKinds;
    t.add("Simulation", B, "0");
    t.add("TypSoustavy", I, "1");
    t.add("Su", D, "1");
    t.add("Su2", D, "1");
    t.add("Tau1", D, "10");
    t.add("Tau2", D, "5");
    t.add("Tau3", D, "2");
    t.add("Delta", D, "0.25");
    t.add("Omega", D, "0.4", {{R::OnlineView, "0.5"}});
    t.add("TauA", D, "20");
    t.add("MinSU", D, "0");
    t.add("MaxSU", D, "100");
    t.add("DDelta", D, "0", {{R::OnlineView, "1"}});
    t.add("Delay", B, "0");
    t.add("y0", D, "0");
    t.add("ys", D, "0");
    t.add("SimT", D, "1");
    t.add("AddOut", I, "0");
    t.add("AddOutName", S, "");

    // 11. Trend graph: six curves with their own defaults, then the X axis and buffer.
    // Colours as the toolkit stores them: red + 256 green + 65536 blue.
    t.group = 11;
    struct Curve {
        const char *min, *max, *from, *to, *same, *order, *colour;
    };
    static const Curve curves[6] = {
        {"0", "100", "0", "50", "-1", "0", "32768"},         // setpoint w, (0, 128, 0)
        {"-100", "100", "50", "100", "-1", "3", "255"},      // deviation e, (255, 0, 0)
        {"-100", "100", "50", "100", "1", "4", "16711680"},  // output u, (0, 0, 255)
        {"0", "100", "0", "50", "0", "5", "0"},              // y1, (0, 0, 0)
        {"0", "100", "0", "50", "0", "1", "8421376"},        // y2, (0, 128, 128)
        {"0", "100", "0", "50", "0", "2", "33023"},          // y3, (255, 128, 0)
    };
    for (int n = 0; n < 6; ++n) {
        const std::string p = "Prubeh" + std::to_string(n);
        const Curve& c = curves[n];
        if (n >= 4) {
            // A PIDMA controller has no second and third input to show.
            t.kinds = kPid;
            t.add(p, B, "1");
            t.kinds = kPidma;
            t.add(p, B, "0");
            t.kinds = kBothKinds;
        } else {
            t.add(p, B, "1");
        }
        t.add(p + "Min", D, c.min);
        t.add(p + "Max", D, c.max);
        t.add(p + "PopisekPo", D, "10");
        t.add(p + "Pocatek", D, c.from);
        t.add(p + "Konec", D, c.to);
        t.add(p + "Stejne", I, c.same);
        t.add(p + "Poradi", I, c.order);
        t.add(p + "Mrizka", B, "1");
        t.add(p + "Barva", I, c.colour);
        t.add(p + "VelikostBodu", I, "4");
        t.add(p + "Body", B, "0");
        t.add(p + "Popis", S, "");
    }
    t.add("OsaXMrizka", B, "1");
    t.add("OsaXRozsah", D, "100");
    t.add("OsaXPopisekPo", D, "5");
    t.add("OsaXFormatCasu", I, "0");
    t.add("DelkaBuffer", I, "10000");
    return t.keys;
}

std::string ExpandTexts(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '{') {
            const std::size_t close = value.find('}', i);
            if (close != std::string_view::npos) {
                out += Text(
                    static_cast<std::uint32_t>(std::stoul(std::string(value.substr(i + 1, close - i - 1)))));
                i = close;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

const ControllerKey& Require(std::string_view name, ControllerKind kind) {
    const ControllerKey* key = FindControllerKey(name, kind);
    if (!key) throw std::logic_error("no controller key " + std::string(name) + " for this kind");
    return *key;
}

int DefaultInteger(const ControllerKey& key, Reader reader) {
    return std::stoi(KeyDefault(key, reader));
}

}  // namespace

ControllerKind KindOfType(std::string_view type) {
    return type == "PID" ? ControllerKind::Pid : ControllerKind::Pidma;
}

std::span<const ControllerKey> ControllerKeyTable() {
    static const std::vector<ControllerKey> table = BuildTable();
    return table;
}

const ControllerKey* FindControllerKey(std::string_view name, ControllerKind kind) {
    for (const auto& key : ControllerKeyTable())
        if (key.appliesTo(kind) && EqualNoCase(key.name, name)) return &key;
    return nullptr;
}

std::string KeyDefault(const ControllerKey& key, Reader reader) {
    for (const auto& other : key.otherDefaults)
        if (other.reader == reader) return ExpandTexts(other.value);
    if (reader == Reader::GeneratorCode) return KeyDefault(key, Reader::Generator);
    return ExpandTexts(key.defaultValue);
}

std::string ReadKeyText(const IniFile& file, std::string_view section, const ControllerKey& key,
                        Reader reader) {
    switch (key.type) {
        case KeyType::Boolean:
            return file.readBool(section, key.name, DefaultInteger(key, reader) != 0) ? "1" : "0";
        case KeyType::Integer:
            return std::to_string(file.readInteger(section, key.name, DefaultInteger(key, reader)));
        default:
            return file.readString(section, key.name, KeyDefault(key, reader));
    }
}

std::vector<KeyValue> ReadControllerKeys(const IniFile& file, std::string_view section, Reader reader,
                                         int lastGroup) {
    const ControllerKind kind = KindOfType(ReadTextKey(file, section, "Type", ControllerKind::Pid, reader));
    std::vector<KeyValue> out;
    for (const auto& key : ControllerKeyTable())
        if (key.group <= lastGroup && key.appliesTo(kind))
            out.push_back({key.name, ReadKeyText(file, section, key, reader)});
    return out;
}

bool ReadBoolKey(const IniFile& file, std::string_view section, std::string_view name, ControllerKind kind,
                 Reader reader) {
    const ControllerKey& key = Require(name, kind);
    return file.readBool(section, key.name, DefaultInteger(key, reader) != 0);
}

int ReadIntegerKey(const IniFile& file, std::string_view section, std::string_view name, ControllerKind kind,
                   Reader reader) {
    const ControllerKey& key = Require(name, kind);
    return file.readInteger(section, key.name, DefaultInteger(key, reader));
}

std::string ReadTextKey(const IniFile& file, std::string_view section, std::string_view name,
                        ControllerKind kind, Reader reader) {
    return ReadKeyText(file, section, Require(name, kind), reader);
}

double ReadDecimalKey(const IniFile& file, std::string_view section, std::string_view name,
                      ControllerKind kind, Reader reader) {
    const ControllerKey& key = Require(name, kind);
    if (key.type == KeyType::Integer) {
        const int stored = file.readInteger(section, key.name, DefaultInteger(key, reader));
        return key.scale != 0 ? StoredToShown(stored, key.scale) : stored;
    }
    return ParseDecimal(ReadKeyText(file, section, key, reader));
}

int ScaledToStored(double shown, double scale, Rounding rounding) {
    double v = shown * scale;
    if (rounding == Rounding::AddHalf) v += 0.5;
    if (std::isnan(v)) return 0;
    v = std::trunc(v);
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v);
}

int ScaledToStored(std::string_view shownText, double scale, Rounding rounding) {
    return ScaledToStored(ParseDecimal(shownText), scale, rounding);
}

double StoredToShown(int stored, double scale) {
    return stored / scale;
}

std::uint16_t NextReleaseNumber(int stored) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(stored) + 1u);
}

}  // namespace velmora
