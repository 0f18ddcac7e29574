#include "controllers/ControllerKeys.h"

#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include "base/FloatToInt.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "controllers/SectionReader.h"

namespace velmora {

namespace {

using R = Reader;
constexpr KeyType B = KeyType::Boolean;
constexpr KeyType I = KeyType::Integer;
constexpr KeyType S = KeyType::Text;
constexpr KeyType D = KeyType::Decimal;

// The ranges of the PLC variables generated values go to.
constexpr CodeRange kInt{-32768, 32767};               // INT members of T_PID
constexpr CodeRange kNonNegative{0, 32767};            // times, bands and increments in INT members
constexpr CodeRange kWord{-32768, 65535};              // word variables, read signed or unsigned
constexpr CodeRange kWordTime{0, 65535};               // filter time constants in words
constexpr CodeRange kFlag{0, 1};                       // BYTE flags
constexpr CodeRange kDint{-2147483648.0, 2147483647};  // DINT members of the PIDA structure
constexpr CodeRange kReal{-3.4028234663852886e38, 3.4028234663852886e38};  // REAL, finite

class TableBuilder {
public:
    std::vector<ControllerKey> keys;
    int group = 0;
    std::uint8_t kinds = kBothKinds;

    ControllerKey& add(Key name, KeyType type, std::string def, std::vector<ReaderDefault> others = {}) {
        ControllerKey k;
        k.name = std::string(name.name);
        k.group = group;
        k.type = type;
        k.kinds = kinds;
        k.defaultValue = std::move(def);
        k.otherDefaults = std::move(others);
        keys.push_back(std::move(k));
        return keys.back();
    }
    ControllerKey& scaled(Key name, double scale, Rounding rounding, std::string def,
                          std::vector<ReaderDefault> others = {}) {
        ControllerKey& k = add(name, I, std::move(def), std::move(others));
        k.scale = scale;
        k.rounding = rounding;
        return k;
    }
};

// 1. Identity and generation.
void AddIdentity(TableBuilder& t) {
    t.group = 1;
    t.kinds = kBothKinds;
    t.add(key::Name, S, "", {{R::Generator, "Chyba"}, {R::Report, "Chyba pri cteni informaci!"}});
    t.add(key::Type, S, "PID");
    t.add(key::HeaderInST, B, "0");
    t.add(key::ReleaseNumber, I, "0");
    t.add(key::Remanent, B, "1");
    t.add(key::Alias, B, "1");
    t.add(key::FoundStruct, B, "0");
    t.add(key::OffReg, I, "-1");
    t.add(key::OffRem, I, "-1");
}

// 2. Structure of a PID controller.
void AddStructure(TableBuilder& t) {
    t.group = 2;
    t.kinds = kPid;
    t.add(key::InputMode, I, "1", {{R::WizardSequence, "0"}});
    t.add(key::Cascade, B, "0");
    t.add(key::Astat, B, "0");
}

// 3. Controlled variables Y1..Y3.
void AddSignals(TableBuilder& t) {
    t.group = 3;
    for (int i = 1; i <= 3; ++i) {
        const key::SignalKeys& y = key::Y[i - 1];
        const std::string undefined = "Y" + std::to_string(i) + "{3016}";
        t.add(y.name, S, "",
              {{R::Page, undefined}, {R::GeneratorCode, i == 2 ? "Y2_mebylo_definovano!!" : undefined}});
        t.add(y.ovf, S, "");
        t.add(y.unf, S, "");
        t.add(y.unit, S, "", {{R::Page, undefined}});
        t.add(y.cnvMode, I, "0").codeRange = kInt;
        t.add(y.filtr, B, "0");
        t.add(y.tau, I, "0").codeRange = kWordTime;
        t.add(y.measure, B, "0");
        t.add(y.x1, I, "0").codeRange = kWord;
        t.add(y.x2, I, "10000", {{R::OnlineRatio, "0"}, {R::SameAsY1Copy, "0"}}).codeRange = kWord;
        t.add(y.y1, I, "0", {{R::OnlineRatio, "10000"}, {R::SameAsY1Copy, "10000"}}).codeRange = kWord;
        t.add(y.y2, I, "10000").codeRange = kWord;
        t.add(y.min, I, "0").codeRange = kInt;
        t.add(y.max, I, "10000").codeRange = kInt;
    }
}

// 4. PID parameters: the page rounds (adds 0.5); the report shows other defaults.
void AddPidParameters(TableBuilder& t) {
    t.group = 4;
    const auto half = Rounding::AddHalf;
    // The page's 0.1 ... 3000 %; a band of 0 would divide by zero.
    t.scaled(key::PBnd, 10, half, "1000").codeRange = CodeRange{1, 30000};
    t.scaled(key::RelCool, 10, half, "1000").codeRange = CodeRange{1, 30000};
    t.scaled(key::Ti, 10, half, "0", {{R::Report, "1000"}}).codeRange = kNonNegative;
    t.scaled(key::Td, 10, half, "0", {{R::Report, "1000"}}).codeRange = kNonNegative;
    t.scaled(key::EGap, 100, half, "0", {{R::Report, "1000"}}).codeRange = kNonNegative;
    t.scaled(key::IGap, 100, half, "0", {{R::Report, "1000"}}).codeRange = kNonNegative;
    t.scaled(key::DGap, 100, half, "0", {{R::Report, "1000"}}).codeRange = kNonNegative;
    t.add(key::MaxY, I, "10000").codeRange = kInt;
    t.add(key::MinY, I, "0").codeRange = kInt;
    // The sampling period, hundredths of a second: 0 would never sample.
    t.scaled(key::OutCycle, 100, half, "100").codeRange = CodeRange{1, 32767};
    t.add(key::P41, B, "0");
    t.scaled(key::UDef, 100, half, "0").codeRange = kInt;
    t.add(key::UdefLastU, B, "0");
}

// 5. Setpoint.
void AddSetpoint(TableBuilder& t) {
    t.group = 5;
    t.add(key::WFiltr, B, "1", {{R::OnlineView, "0"}});
    t.add(key::TiW, I, "0").codeRange = kNonNegative;
}

// 6. Output: the output page truncates its scaled values.
void AddOutput(TableBuilder& t) {
    t.group = 6;
    const auto cut = Rounding::Truncate;
    t.add(key::UPosition, B, "0", {{R::OnlineView, "1"}, {R::Report, "1"}});
    t.add(key::UAnalog, B, "0", {{R::Generator, "1"}, {R::GeneratorCode, "0"}, {R::OnlineView, "1"}});
    t.scaled(key::UF, 3.125, cut, "0");
    t.add(key::UFiltr, B, "0");
    t.add(key::UTau, I, "0").codeRange = kWordTime;
    t.scaled(key::UMax, 100, cut, "0").codeRange = kInt;
    t.scaled(key::UMin, 100, cut, "0").codeRange = kInt;
    t.scaled(key::dUMax, 100, cut, "0").codeRange = kNonNegative;
    t.add(key::A8, B, "0", {{R::Page, "1"}});
    t.add(key::A12, B, "0");
    t.add(key::A16, B, "0");
    t.add(key::UReal, B, "0");
    t.add(key::UMeasure, B, "0");
    t.add(key::AO, B, "0");
    t.add(key::UBipolar, B, "0");
    t.scaled(key::Ux1, 100, cut, "0").codeRange = kWord;
    t.add(key::Ux2, I, "0").codeRange = kWord;
    t.scaled(key::Uy1, 100, cut, "0", {{R::GeneratorCode, "10000"}}).codeRange = kWord;
    t.add(key::Uy2, I, "10000").codeRange = kWord;
    t.add(key::UpName, S, "", {{R::Page, "U1{3016}"}});
    t.add(key::UmName, S, "", {{R::Page, "U2{3016}"}});
}

// 7. Start-up state; `Output` is an integer for PID and a name for PIDMA (group 8).
void AddStartState(TableBuilder& t) {
    t.group = 7;
    t.kinds = kBothKinds;
    t.add(key::AM, B, "0");
    t.kinds = kPid;
    t.scaled(key::gW, 100, Rounding::Truncate, "0").codeRange = kInt;
    t.scaled(key::Output, 100, Rounding::Truncate, "0").codeRange = kInt;
    t.kinds = kPidma;
    t.add(key::sp, D, "0", {{R::GeneratorCode, "0."}}).codeRange = kReal;
    t.add(key::hv, D, "0", {{R::GeneratorCode, "0."}}).codeRange = kReal;
}

// A PIDMA parameter: the code emitter and the report read other defaults.
void AddReal(TableBuilder& t, Key name, const char* def, const char* codeDefault, CodeRange range) {
    t.add(name, D, def, {{R::GeneratorCode, codeDefault}, {R::Report, "1."}}).codeRange = range;
}

// 8. PIDMA parameters; the algorithm types are the seven of the page's list (D ... PID).
void AddPidmaParameters(TableBuilder& t) {
    t.group = 8;
    t.add(key::irtype, I, "7").codeRange = CodeRange{1, 7};
    t.add(key::RACT, B, "0").codeRange = kFlag;
    AddReal(t, key::k, "1", "1,0", kReal);
    AddReal(t, key::ti, "4", "4,0", kReal);
    AddReal(t, key::td, "1", "1,0", kReal);
    AddReal(t, key::nd, "10", "10,0", kReal);
    AddReal(t, key::b, "1", "1,0", kReal);
    AddReal(t, key::c, "0", "0,0", kReal);
    AddReal(t, key::tt, "1", "1,0", kReal);
    AddReal(t, key::hilim, "100", "100,0", kReal);
    AddReal(t, key::lolim, "0", "0,0", kReal);
    // The sampling period: from a millisecond to an hour.
    AddReal(t, key::Ts, "1", "0,2", CodeRange{0.001, 3600});
    t.add(key::Input, S, "", {{R::GeneratorCode, "Vstup_nebyl_definovan"}, {R::Page, "{3433}"}});
    t.add(key::Output, S, "", {{R::GeneratorCode, "Vystup_nebyl_definovan"}, {R::Page, "{3434}"}});
}

// 9. PIDMA autotuner.
void AddAutotuner(TableBuilder& t) {
    t.group = 9;
    t.add(key::ittype, I, "7").codeRange = CodeRange{1, 7};
    t.add(key::iainf, I, "1").codeRange = kDint;
    t.add(key::ispeed, I, "2").codeRange = kDint;
    t.add(key::ipid, I, "1").codeRange = kDint;
    t.add(key::DGC, B, "0", {{R::GeneratorCode, "1"}}).codeRange = kFlag;
    AddReal(t, key::tdg, "2", "10,0", kReal);
    AddReal(t, key::tn, "2", "2,0", kReal);
    AddReal(t, key::amp, "15", "15,0", kReal);
    AddReal(t, key::dy, "5", "5,0", kReal);
}

// 10. Plant simulation. `Astat` is the key of group 2; the simulation reads it for PIDMA too.
void AddSimulation(TableBuilder& t) {
    t.group = 10;
    t.kinds = kPidma;
    t.add(key::Astat, B, "0");
    t.kinds = kBothKinds;
    t.add(key::Simulation, B, "0");
    t.add(key::TypSoustavy, I, "1");
    t.add(key::Su, D, "1");
    t.add(key::Su2, D, "1");
    t.add(key::Tau1, D, "10");
    t.add(key::Tau2, D, "5");
    t.add(key::Tau3, D, "2");
    t.add(key::Delta, D, "0.25");
    t.add(key::Omega, D, "0.4", {{R::OnlineView, "0.5"}});
    t.add(key::TauA, D, "20");
    t.add(key::MinSU, D, "0");
    t.add(key::MaxSU, D, "100");
    t.add(key::DDelta, D, "0", {{R::OnlineView, "1"}});
    t.add(key::Delay, B, "0");
    t.add(key::y0, D, "0");
    t.add(key::ys, D, "0");
    t.add(key::SimT, D, "1");
    t.add(key::AddOut, I, "0");
    t.add(key::AddOutName, S, "");
}

// 11. Trend graph: six curves with their own defaults, then the X axis and buffer.
// Colours as the toolkit stores them: red + 256 green + 65536 blue.
void AddTrendGraph(TableBuilder& t) {
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
        const key::CurveKeys& p = key::Curve[n];
        const Curve& c = curves[n];
        if (n >= 4) {
            // A PIDMA controller has no second and third input to show.
            t.kinds = kPid;
            t.add(p.shown, B, "1");
            t.kinds = kPidma;
            t.add(p.shown, B, "0");
            t.kinds = kBothKinds;
        } else {
            t.add(p.shown, B, "1");
        }
        t.add(p.min, D, c.min);
        t.add(p.max, D, c.max);
        t.add(p.gridStep, D, "10");
        t.add(p.from, D, c.from);
        t.add(p.to, D, c.to);
        t.add(p.sameAs, I, c.same);
        t.add(p.order, I, c.order);
        t.add(p.grid, B, "1");
        t.add(p.colour, I, c.colour);
        t.add(p.pointSize, I, "4");
        t.add(p.points, B, "0");
        t.add(p.label, S, "");
    }
    t.add(key::OsaXMrizka, B, "1");
    t.add(key::OsaXRozsah, D, "100");
    t.add(key::OsaXPopisekPo, D, "5");
    t.add(key::OsaXFormatCasu, I, "0");
    t.add(key::DelkaBuffer, I, "10000");
}

std::vector<ControllerKey> BuildTable() {
    TableBuilder t;
    for (auto step : {AddIdentity, AddStructure, AddSignals, AddPidParameters, AddSetpoint, AddOutput,
                      AddStartState, AddPidmaParameters, AddAutotuner, AddSimulation, AddTrendGraph})
        step(t);
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

}  // namespace

ControllerKind KindOfType(std::string_view type) {
    return type == "PID" ? ControllerKind::Pid : ControllerKind::Pidma;
}

std::span<const ControllerKey> ControllerKeyTable() {
    static const std::vector<ControllerKey> table = BuildTable();
    return table;
}

const ControllerKey* FindControllerKey(std::string_view name, ControllerKind kind) {
    // An index built once: a generation run or a report reads some hundred keys.
    using Index = std::unordered_map<std::string, const ControllerKey*>;
    static const std::pair<Index, Index> index = [] {
        std::pair<Index, Index> out;
        for (const auto& key : ControllerKeyTable()) {
            if (key.appliesTo(ControllerKind::Pid)) out.first.emplace(UpperAscii(key.name), &key);
            if (key.appliesTo(ControllerKind::Pidma)) out.second.emplace(UpperAscii(key.name), &key);
        }
        return out;
    }();
    const Index& keys = kind == ControllerKind::Pid ? index.first : index.second;
    const auto it = keys.find(UpperAscii(name));
    return it == keys.end() ? nullptr : it->second;
}

std::string KeyDefault(const ControllerKey& key, Reader reader) {
    for (const auto& other : key.otherDefaults)
        if (other.reader == reader) return ExpandTexts(other.value);
    if (reader == Reader::GeneratorCode) return KeyDefault(key, Reader::Generator);
    return ExpandTexts(key.defaultValue);
}

std::string KeyDefault(Key key, ControllerKind kind, Reader reader) {
    const ControllerKey* entry = FindControllerKey(key.name, kind);
    if (!entry) throw std::logic_error("no controller key " + std::string(key.name) + " for this kind");
    return KeyDefault(*entry, reader);
}

std::vector<KeyValue> ReadControllerKeys(const IniFile& file, std::string_view section, Reader reader,
                                         int lastGroup) {
    const SectionReader in(file, section, reader);
    std::vector<KeyValue> out;
    for (const auto& key : ControllerKeyTable())
        if (key.group <= lastGroup && key.appliesTo(in.kind())) out.push_back({key.name, in.shown(key)});
    return out;
}

int ScaledToStored(double shown, double scale, Rounding rounding) {
    double v = shown * scale;
    if (rounding == Rounding::AddHalf) v += 0.5;
    return TruncateSaturated<int>(v);
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
