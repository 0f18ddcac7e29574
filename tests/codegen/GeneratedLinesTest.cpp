// The generated lines beyond the golden controllers. Declarations: aliases,
// retained blocks, structure overlays and which sections each setting brings
// in, in both dialects; register placement; then the PID and PIDMA code.
#include <functional>

#include "codegen/Emitters.h"
#include "codegen/RegisterPlacement.h"
#include "support/GeneratorFixture.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::CountContaining;
using testing::GeneratorTest;
using testing::IndexOf;

class PidIec : public GeneratorTest {};

// Unplaced working groups; their order and retained copies are the golden Alpha's and Boiler's.
TEST_F(PidIec, UnplacedGroupsOfTheFurtherInputs) {
    auto d = declarations(
        "Boiler",
        {{"HeaderInST", "1"}, {"InputMode", "3"}, {"Y2Filtr", "1"}, {"Y2Measure", "1"}, {"Cascade", "1"}});
    EXPECT_EQ(IndexOf(d, "//; Filtration") + 1, IndexOf(d, "  Boiler_AuxD2 : ARRAY [0..3] OF BYTE;"));
    EXPECT_TRUE(Contains(d, "  Boiler_Tau2 : INT;"));
    EXPECT_TRUE(Contains(d, "  Boiler_X21, Boiler_X22, Boiler_Y21, Boiler_Y22 : INT;"));
    EXPECT_TRUE(Contains(d, "  Boiler_input3 : INT; \t// Input Y3"));
}

TEST_F(PidIec, OutputGroupOnlyForAnalogFilteredOrScaledOutput) {
    auto analog = declarations("A", {{"HeaderInST", "1"}, {"UFiltr", "1"}});
    EXPECT_TRUE(Contains(analog, "  A_Tau4 : INT;"));  // UAnalog absent: analog for the declarations
    auto pulse =
        declarations("B", {{"HeaderInST", "1"}, {"UAnalog", "0"}, {"UFiltr", "1"}, {"UMeasure", "1"}});
    EXPECT_FALSE(Contains(pulse, "  B_Tau4 : INT;"));
    EXPECT_EQ(CountContaining(pulse, "B_X41,"), 0);
    // The retained block keeps a scaled output's group even for a pulse output.
    EXPECT_TRUE(Contains(pulse, "  B_AuxD4_rem : ARRAY [0..3] OF BYTE;"));
    EXPECT_TRUE(Contains(pulse, "  B_X41_rem, B_X42_rem, B_Y41_rem, B_Y42_rem : INT;"));
    // A bipolar output is scaled too (user scale and word output: the golden Alpha's and Boiler's).
    auto scaled = declarations("S", {{"HeaderInST", "1"}, {"UBipolar", "1"}});
    EXPECT_TRUE(Contains(scaled, "  S_X41, S_X42, S_Y41, S_Y42 : INT;"));
}

class PidMnemonic : public GeneratorTest {};

TEST_F(PidMnemonic, StructureOverlayWritesAllAliasesEvenWithAliasOff) {
    auto d = declarations("Mixer", {{"FoundStruct", "1"}, {"Alias", "0"}});
    EXPECT_EQ(CountContaining(d, "#def\tMixer_"), 26);  // as the golden Mixer's, whose aliases are on
}

TEST_F(PidMnemonic, SignalSectionsAndTitles) {
    auto d =
        declarations("Mixer", {{"Cascade", "1"}, {"InputMode", "2"}, {"Y1Measure", "1"}, {"Y2Filtr", "0"}});
    // Y1 scaled; Y2 without filter or scaling has no section; Y3 is titled for a cascade even when empty.
    EXPECT_EQ(CountContaining(d, ";-----Y1 Conversion ---- Parameters"), 2);
    EXPECT_EQ(CountContaining(d, ";-----Y2 Conversion ---- Parameters"), 0);
    EXPECT_EQ(CountContaining(d, ";-----Y3 Conversion ---- Parameters"), 2);
    // The groups' lines are those of the golden Delta's Y3.
    EXPECT_TRUE(Contains(d, "#reg\tword\tMixer_input2\t; Input Y2"));
    // A filtered Y2 of the double-input mode has its section.
    auto filtered = declarations("Dual", {{"InputMode", "2"}, {"Y2Filtr", "1"}});
    EXPECT_EQ(CountContaining(filtered, ";-----Y2 Conversion ---- Parameters"), 2);
}

TEST_F(PidMnemonic, RemanentOffHasNoRetainedRegistersNorWarmRestart) {
    auto d = declarations("Mixer", {{"Remanent", "0"}, {"Y1Filtr", "1"}});
    EXPECT_EQ(CountContaining(d, "#rem"), 0);
    EXPECT_EQ(CountContaining(d, "#useoption"), 0);
    auto iec = declarations("Boiler", {{"HeaderInST", "1"}, {"Remanent", "0"}});
    EXPECT_FALSE(Contains(iec, "VAR_GLOBAL RETAIN"));
    EXPECT_EQ(CountContaining(iec, "_rem"), 0);
}

class PidmaDeclarations : public GeneratorTest {};

// Without the structure overlay; the retained block is the golden Pb's.
TEST_F(PidmaDeclarations, MnemonicAlwaysDeclaresRegisters) {
    auto d = declarations("Kiln", {{"Type", "PIDA"}});
    EXPECT_EQ(CountContaining(d, "#struct"), 0);
    EXPECT_EQ(CountContaining(d, "__sizeof"), 0);
    EXPECT_EQ(CountContaining(d, "#reg _TPIDA_"), 0);
    EXPECT_EQ(CountContaining(d, "aligned"), 1);
    EXPECT_TRUE(Contains(d, "#rem\tfloat\tKiln_Ts_rem       \t;Sample period in seconds (remanent)"));
}

using codegen::AuxGroup, codegen::PidGroupFlags, codegen::PidLayout, codegen::PlanPidLayout;

// The groups each setting brings into the working data and the retained zone
// (absent inputs none, whatever their flags), the zone's size and first variable.
TEST(PidLayout, GroupsFollowSignalOrderThenFurtherInputs) {
    using G = AuxGroup;
    using F = PidGroupFlags&;
    const std::vector<AuxGroup> all{{G::Filter, 1}, {G::Scaling, 1},      {G::Scaling, 2},     {G::Filter, 3},
                                    {G::Filter, 4}, {G::FurtherInput, 3}, {G::FurtherInput, 2}};
    const std::vector<AuxGroup> none, output{{G::Filter, 4}, {G::Scaling, 4}}, further{{G::FurtherInput, 3}},
        scaled{{G::Scaling, 4}};
    const struct {
        const char* what;
        std::function<void(PidGroupFlags&)> set;
        std::vector<AuxGroup> working, retained;
        int size;
        const char* firstRetained;
    } rows[] = {
        {"defaults", [](F) {}, none, none, 51, "_Det_rem"},
        {"absent inputs", [](F f) { f.filter[1] = f.scaling[1] = f.filter[2] = true; }, none, none, 51,
         "_Det_rem"},
        {"analog output neither filtered nor scaled", [](F f) { f.analogOutput = true; }, none, none, 51,
         "_Det_rem"},
        {"scaled pulse output: retained only", [](F f) { f.analogOutput = false, f.scaling[3] = true; }, none,
         scaled, 51 + 8, "_X41_rem"},
        {"filtered scaled analog output", [](F f) { f.filter[3] = f.scaling[3] = true; }, output, output,
         51 + 6 + 8, "_AuxD4_rem"},
        {"further input without filters", [](F f) { f.cascade = true; }, further, further, 53, "_input3_rem"},
        {"every group",
         [](F f) {
             f.inputMode = 2, f.cascade = true;
             f.filter[0] = f.scaling[0] = f.scaling[1] = f.filter[2] = f.filter[3] = true;
         },
         all, all, 51 + 6 + 8 + 8 + 6 + 6 + 2 + 2, "_AuxD1_rem"},
    };
    for (const auto& r : rows) {
        PidGroupFlags f;
        r.set(f);
        const PidLayout layout = PlanPidLayout(f);
        EXPECT_EQ(layout.working, r.working) << r.what;
        EXPECT_EQ(layout.retained, r.retained) << r.what;
        EXPECT_EQ(layout.retainedSize(), r.size) << r.what;
        EXPECT_EQ(layout.firstRetained(), r.firstRetained) << r.what;
    }
    EXPECT_EQ(PlanPidLayout(PidGroupFlags{}).firstRetainedWorking("_struct.Det"), "_struct.Det");
    PidGroupFlags first;
    first.filter[0] = true;
    EXPECT_EQ(PlanPidLayout(first).firstRetainedWorking("_Det"), "_AuxD1");
}

class PlacedDeclarations : public GeneratorTest {};

TEST_F(PlacedDeclarations, PidmaStructureAndPrivateArea) {
    auto d = declarations("Dryer", {{"Type", "PIDA"}, {"HeaderInST", "1"}, {"OffReg", "1000"}});
    EXPECT_TRUE(Contains(d, "  Dryer_struct AT %R1000 : T_PIDA;"));
    EXPECT_TRUE(Contains(d,
                         "  Dryer_reserved AT %R1226 : ARRAY [0..443] OF BYTE;      \t//"
                         "Reserved for PIDA algorithm, do not modify!"));
}

// The lines from `first` (inclusive) up to the next line equal to `until`.
std::vector<std::string> Slice(const std::vector<std::string>& lines, const std::string& first,
                               const std::string& until) {
    const int from = IndexOf(lines, first);
    if (from < 0) return {};
    std::vector<std::string> out;
    for (int i = from; i < static_cast<int>(lines.size()) && (i == from || lines[i] != until); ++i)
        out.push_back(lines[i]);
    return out;
}

const std::string kY1Title =
    ";-----Y1 Conversion ---- P 0 ---------------------------------------------------";

class PidInputs : public GeneratorTest {};

// The normalization with copy itself is the golden Chiller's.
TEST_F(PidInputs, NormalizationWithCopyNeedsMatchingRangesAndAModule) {
    auto own = [&](const std::string& name, testing::Keys keys) {
        keys.push_back({"Y1Name", "T1"});
        return Slice(code(name, keys), kY1Title, "\tLD\tT1");
    };
    const std::vector<std::string> plain{kY1Title, "; Normalization (user entered his own MinY a MaxY)",
                                         "\tLD\t0", "\tLD\t0"};
    EXPECT_NE(own("A", {{"Y1CNVMode", "301"}}), plain);                     // a module, ranges alike
    EXPECT_EQ(own("B", {{"Y1CNVMode", "0"}}), plain);                       // other source
    EXPECT_EQ(own("C", {{"Y1CNVMode", "301"}, {"Y1Max", "9000"}}), plain);  // own range
    EXPECT_EQ(own("D", {{"Y1CNVMode", "301"}, {"MinY", "100"}}), plain);    // controller range differs
    EXPECT_EQ(own("E", {{"Y1CNVMode", "301"}, {"InputMode", "2"}, {"Y2Max", "5000"}}), plain);
    EXPECT_NE(own("F", {{"Y1CNVMode", "301"}, {"InputMode", "2"}}), plain);  // Y2 fits too: with copy
}

TEST_F(PidInputs, MissingNamesCannotCompile) {
    auto c = code("A", {{"InputMode", "2"}, {"Cascade", "1"}});
    EXPECT_TRUE(Contains(c, "\tLD\tY1_not_defined"));
    EXPECT_TRUE(Contains(c, "\tLD\tY2_mebylo_definovano!!"));
    EXPECT_TRUE(Contains(c, "\tLD\tY3_not_defined"));
    EXPECT_TRUE(Contains(c, "#ifndef Y1_not_defined"));
}

// The flags' sequences are the golden Alpha's: a flag of an absent input and
// unnamed flags add nothing.
TEST_F(PidInputs, RangeLimitsOnlyForNamedFlags) {
    auto c =
        code("A", {{"Y1OVF", "Over.Flag"}, {"InputMode", "2"}, {"Y2UNF", "Under2"}, {"Y3OVF", "NotPresent"}});
    EXPECT_EQ(CountContaining(c, "$8001"), 1);
    EXPECT_EQ(CountContaining(c, "$7FFF"), 1);      // Y1OVF only
    EXPECT_FALSE(Contains(c, "\tLD\tNotPresent"));  // input 3 is not there
    EXPECT_EQ(CountContaining(code("B", {}), "$7FFF"), 0);
}

class PidOutput : public GeneratorTest {};

const std::string kOutputTitle =
    ";-----Controller output --------------------------------------------------------";

TEST_F(PidOutput, AnalogOutputVariants) {
    auto plain = code("A", {{"UAnalog", "1"}, {"UpName", "Valve"}});
    EXPECT_EQ(
        Slice(plain, kOutputTitle, "\tWR\tValve"),
        (std::vector<std::string>{kOutputTitle, "\tLD\t0", "\tLD\t0", "\tLD\tA_ConOut", "\tLD\t0", "\tCNV"}));
    EXPECT_FALSE(Contains(plain, "#ifndef "));  // no UmName check (and the name is empty anyway)
    auto full = code("B", {{"UAnalog", "1"},
                           {"UFiltr", "1"},
                           {"UTau", "12"},
                           {"UMeasure", "1"},
                           {"A8", "1"},
                           {"UpName", "Valve"}});
    EXPECT_EQ(Slice(full, kOutputTitle, "\tWR\tValve"),
              (std::vector<std::string>{kOutputTitle, "; Filtration", "\tLD __indx(B_AuXD4)", "\tLD\t12",
                                        "\tLD __indx(B_X41)", "\tLD\t7", "\tLD\tB_CurOut", "\tLD\t0", "\tCNV",
                                        "\tROR\t4"}));
    auto real =
        code("C", {{"UAnalog", "1"}, {"UReal", "1"}, {"UFiltr", "1"}, {"UpName", "Valve"}, {"Alias", "0"}});
    EXPECT_EQ(Slice(real, "\tLD __indx(C_AuXD4)", "\tWR\tValve"),
              (std::vector<std::string>{"\tLD __indx(C_AuXD4)", "\tLD\t0", "\tLD\t0", "\tLD\t4",
                                        "\tLD\tC_struct.ConOut", "\tLD\t0", "\tCNV", "\tIWF", "\tLDL\t100.",
                                        "\tDIF"}));
}

class ControlWord : public GeneratorTest {
protected:
    std::string word(const std::string& name, testing::Keys keys) {
        auto c = code(name, keys);
        const int at = IndexOf(c, "\tWR\t" + name + "_Control_rem");
        return at > 0 ? c[at - 1] : std::string("<none>");
    }
};

// Defaults: RC, plus BU (pulse output) and IP (incremental); the setpoint
// filter is on. Each setting flips its bit; then the documented example.
TEST_F(ControlWord, EachSettingSetsItsBit) {
    const std::string base = "\tLD\t#2#0000000000110001";
    EXPECT_EQ(word("Base", {}), base);
    const struct {
        const char* name;
        testing::Keys keys;
        int bit;
        char value;
    } rows[] = {{"AO", {{"AO", "1"}}, 1, '1'},      {"A8", {{"A8", "1"}}, 2, '1'},
                {"A12", {{"A12", "1"}}, 2, '1'},    {"KC", {{"Cascade", "1"}}, 3, '1'},
                {"BU", {{"UAnalog", "1"}}, 4, '0'}, {"IP", {{"UPosition", "1"}}, 5, '0'},
                {"AM", {{"AM", "1"}}, 6, '1'},      {"HR", {{"InputMode", "2"}}, 7, '1'},
                {"RF", {{"WFiltr", "0"}}, 8, '1'},  {"RIO", {{"InputMode", "3"}}, 9, '1'},
                {"R41", {{"P41", "1"}}, 10, '1'},   {"FU0", {{"UF", "1"}}, 13, '1'},
                {"FU1", {{"UF", "2"}}, 14, '1'},    {"FU3", {{"UF", "4"}}, 15, '1'}};
    for (const auto& r : rows) {
        std::string expected = base;
        expected[expected.size() - 1 - r.bit] = r.value;
        EXPECT_EQ(word(r.name, r.keys), expected) << r.name;
    }
    EXPECT_EQ(word("A", {{"UF", "5"}, {"P41", "1"}, {"InputMode", "2"}, {"A12", "1"}, {"WFiltr", "0"}}),
              "\tLD\t#2#1010010110110101");
}

class PidValues : public GeneratorTest {};

// The word output's scale is the golden Boiler's.
TEST_F(PidValues, BipolarOutputScale) {
    auto bipolar = code("A", {{"UAnalog", "1"}, {"UBipolar", "1"}});
    EXPECT_EQ(Slice(bipolar, "\tWR\tA_Control_rem", "").size(), 9u);
    EXPECT_TRUE(Contains(bipolar, "\tLD\t-10000"));
    EXPECT_EQ(IndexOf(bipolar, "\tLD\t4095") + 1, IndexOf(bipolar, "\tWR\tA_Y42_rem"));
}

TEST_F(PidValues, WithoutRemanentValuesGoToTheWorkingData) {
    auto iec = code("A", {{"HeaderInST", "1"}, {"Remanent", "0"}, {"Y1Filtr", "1"}, {"Y1Tau", "9"}});
    EXPECT_EQ(CountContaining(iec, "_rem"), 0);
    EXPECT_EQ(CountContaining(iec, "CAD"), 0);
    EXPECT_TRUE(Contains(iec, "\tWR\tA_Tau1"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.MinY"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.TiW"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.gW"));
    EXPECT_EQ(iec[IndexOf(iec, "\tRET") + 1], "E 60");
    auto overlay = code("B", {{"Remanent", "0"}, {"FoundStruct", "1"}});
    EXPECT_TRUE(Contains(overlay, "\tWR\tB_struct~Control"));
    EXPECT_TRUE(Contains(overlay, "\tWR\tB_struct~Output"));
    // Separate registers: the members are registers of their own names.
    auto registers = code("C", {{"Remanent", "0"}});
    EXPECT_TRUE(Contains(registers, "\tWR\tC_PBnd"));
    EXPECT_TRUE(Contains(registers, "\tWR\tC_gW"));
    EXPECT_EQ(CountContaining(registers, "_struct"), 0);
}

TEST(RealConstant, CommaPointAndWholeNumbers) {
    const std::pair<const char*, const char*> rows[] =
        {
            {"2,5", "2.5"},     {"100", "100."},    {"7", "7."}, {"0,0", "0"},
            {"0", "0"},         {"-0,000", "0"},    {"0.", "0"}, {"1.25", "1.25"},
            {"-3,75", "-3.75"}, {"1,5,2", "1.5,2"},  // only the first comma is the decimal one
        };
    for (const auto& [text, constant] : rows) EXPECT_EQ(codegen::RealConstant(text), constant) << text;
}

TEST(OperandName, StructureMembersGetTildesBitsKeepTheirPoint) {
    const std::pair<const char*, const char*> rows[] = {
        {"Tank.Level", "Tank~Level"}, {"Flags.3", "Flags.3"}, {"a.b.c.7", "a~b~c.7"},
        {"%R100.2", "%R100.2"},       {"x._y", "x~_y"},       {"end.", "end."}};
    for (const auto& [name, operand] : rows) EXPECT_EQ(codegen::OperandName(name), operand) << name;
}

class PidmaCode : public GeneratorTest {};

// The parameter defaults are pinned by the golden Pb; a controller without
// variables gets placeholders that cannot compile.
TEST_F(PidmaCode, MissingVariablesGetPlaceholders) {
    auto c = code("Dryer", {{"Type", "PIDA"}});
    EXPECT_TRUE(Contains(c, "\tLD\tVstup_nebyl_definovan"));
    EXPECT_TRUE(Contains(c, "\tWR\tVystup_nebyl_definovan"));
    // The existence check uses other placeholder names than the code.
    EXPECT_TRUE(Contains(c, "#ifndef Y1_Input_was_not_defined"));
    EXPECT_TRUE(Contains(c, "#ifndef _Output_was_not_defined"));
}

}  // namespace
}  // namespace velmora
