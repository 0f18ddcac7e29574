// Declarations: aliases, retained blocks, structure overlays and which
// sections each setting brings in, in both dialects; register placement.
#include <functional>

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

    // A bipolar output is scaled too (the user scale and the word output are the golden Alpha's and
    // Boiler's).
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

}  // namespace
}  // namespace velmora
