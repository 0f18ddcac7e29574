// Declarations: aliases, retained blocks, structure overlays and which
// sections each setting brings in, in both dialects.
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

}  // namespace
}  // namespace velmora
