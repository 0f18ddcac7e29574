// Declarations: aliases, retained blocks, structure overlays and which
// sections each setting brings in, in both dialects.
#include "GeneratorFixture.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::CountContaining;
using testing::GeneratorTest;
using testing::IndexOf;

class PidIec : public GeneratorTest {};

TEST_F(PidIec, UnplacedGroupsAndRetainedInputs) {
    auto d = declarations(
        "Boiler",
        {{"HeaderInST", "1"}, {"InputMode", "3"}, {"Y2Filtr", "1"}, {"Y2Measure", "1"}, {"Cascade", "1"}});
    EXPECT_EQ(IndexOf(d, "//; Filtration") + 1, IndexOf(d, "  Boiler_AuxD2 : ARRAY [0..3] OF BYTE;"));
    EXPECT_TRUE(Contains(d, "  Boiler_Tau2 : INT;"));
    EXPECT_TRUE(Contains(d, "  Boiler_X21, Boiler_X22, Boiler_Y21, Boiler_Y22 : INT;"));
    EXPECT_TRUE(Contains(d, "  Boiler_X21_rem, Boiler_X22_rem, Boiler_Y21_rem, Boiler_Y22_rem : INT;"));
    EXPECT_TRUE(Contains(d, "  Boiler_AuxD2_rem : ARRAY [0..3] OF BYTE;"));
    EXPECT_TRUE(Contains(d, "  Boiler_input3 : INT; \t// Input Y3"));
    // Y3 before Y2, both after the conversion groups.
    EXPECT_LT(IndexOf(d, "  Boiler_input3 : INT; \t// Input Y3"),
              IndexOf(d, "  Boiler_input2 : INT; \t// Input Y2"));
    EXPECT_LT(IndexOf(d, "  Boiler_X21, Boiler_X22, Boiler_Y21, Boiler_Y22 : INT;"),
              IndexOf(d, "  Boiler_input3 : INT; \t// Input Y3"));
}

TEST_F(PidIec, OutputGroupOnlyForAnalogFilteredOrScaledOutput) {
    auto analog = declarations("A", {{"HeaderInST", "1"}, {"UFiltr", "1"}});
    EXPECT_TRUE(Contains(analog, "  A_Tau4 : INT;"));  // UAnalog absent: analog for the declarations
    EXPECT_TRUE(Contains(analog, "  A_Tau4_rem : INT;"));

    auto pulse =
        declarations("B", {{"HeaderInST", "1"}, {"UAnalog", "0"}, {"UFiltr", "1"}, {"UMeasure", "1"}});
    EXPECT_FALSE(Contains(pulse, "  B_Tau4 : INT;"));
    EXPECT_EQ(CountContaining(pulse, "B_X41,"), 0);
    // The retained block keeps a scaled output's group even for a pulse output.
    EXPECT_TRUE(Contains(pulse, "  B_AuxD4_rem : ARRAY [0..3] OF BYTE;"));
    EXPECT_TRUE(Contains(pulse, "  B_X41_rem, B_X42_rem, B_Y41_rem, B_Y42_rem : INT;"));

    for (const char* scale : {"UMeasure", "UBipolar", "A16"}) {
        const std::string name = std::string("S") + scale;
        auto scaled = declarations(name, {{"HeaderInST", "1"}, {scale, "1"}});
        EXPECT_TRUE(Contains(
            scaled, "  " + name + "_X41, " + name + "_X42, " + name + "_Y41, " + name + "_Y42 : INT;"))
            << scale;
    }
}

class PidMnemonic : public GeneratorTest {};

TEST_F(PidMnemonic, StructureOverlayWritesAllAliasesEvenWithAliasOff) {
    auto d = declarations("Mixer", {{"FoundStruct", "1"}, {"Alias", "0"}});
    EXPECT_EQ(CountContaining(d, "#def\tMixer_"), 26);
    EXPECT_TRUE(Contains(
        d, "#def\tMixer_OutCycle\tMixer_struct~OutCycle\t; Sampling period of controller algorithm (T)"));
    // The structure variable comes after the size check.
    EXPECT_GT(IndexOf(d, "#reg _TPID_ Mixer_struct"), IndexOf(d, "#if __sizeof(_TPID_) != 50"));
    EXPECT_GT(IndexOf(d, "#reg _TPID_ Mixer_struct"), IndexOf(d, "#if __sizeof(_TPID_) != 50") + 2);
}

TEST_F(PidMnemonic, SignalSectionsAndTitles) {
    auto d =
        declarations("Mixer", {{"Cascade", "1"}, {"InputMode", "2"}, {"Y1Measure", "1"}, {"Y2Filtr", "0"}});
    // Y1 scaled; Y2 without filter or scaling has no section; Y3 is titled for a cascade even when empty.
    EXPECT_EQ(CountContaining(d, ";-----Y1 Conversion ---- Parameters"), 2);
    EXPECT_EQ(CountContaining(d, ";-----Y2 Conversion ---- Parameters"), 0);
    EXPECT_EQ(CountContaining(d, ";-----Y3 Conversion ---- Parameters"), 2);
    EXPECT_TRUE(Contains(d, "#reg\tword\tMixer_X11,"));
    EXPECT_TRUE(Contains(d, "\t\tMixer_Y12"));
    EXPECT_TRUE(Contains(d, "#reg\tword\tMixer_input3\t; Input Y3"));
    EXPECT_TRUE(Contains(d, "#reg\tword\tMixer_input2\t; Input Y2"));
    EXPECT_TRUE(Contains(d, "#rem\tword\tMixer_input3_rem   \t; Input Y3 (remanent)"));
    EXPECT_TRUE(Contains(d, "#rem\tword\tMixer_X11_rem,"));
    // A filtered Y2 of the double-input mode has its section.
    auto filtered = declarations("Dual", {{"InputMode", "2"}, {"Y2Filtr", "1"}});
    EXPECT_EQ(CountContaining(filtered, ";-----Y2 Conversion ---- Parameters"), 2);
}

// Remanent off: no retained block in either dialect, no warm restart.
TEST_F(PidMnemonic, RemanentOffHasNoRetainedRegistersNorWarmRestart) {
    auto d = declarations("Mixer", {{"Remanent", "0"}, {"Y1Filtr", "1"}});
    EXPECT_EQ(CountContaining(d, "#rem"), 0);
    EXPECT_EQ(CountContaining(d, "#useoption"), 0);
    auto iec = declarations("Boiler", {{"HeaderInST", "1"}, {"Remanent", "0"}});
    EXPECT_FALSE(Contains(iec, "VAR_GLOBAL RETAIN"));
    EXPECT_EQ(CountContaining(iec, "_rem"), 0);
}

class PidmaDeclarations : public GeneratorTest {};

TEST_F(PidmaDeclarations, MnemonicAlwaysDeclaresRegisters) {
    auto d = declarations("Kiln", {{"Type", "PIDA"}});
    EXPECT_EQ(CountContaining(d, "#struct"), 0);
    EXPECT_EQ(CountContaining(d, "__sizeof"), 0);
    EXPECT_EQ(CountContaining(d, "#reg _TPIDA_"), 0);
    EXPECT_EQ(CountContaining(d, "aligned"), 1);
    EXPECT_TRUE(Contains(d, "#rem\tfloat\tKiln_Ts_rem       \t;Sample period in seconds (remanent)"));
    // The retained general parameters close with a blank line, then the spare byte.
    const int changed = IndexOf(d, "#rem\tbyte\tKiln_CHANGED_rem  \t;0->1 accept changed PID parameters (remanent)");
    ASSERT_GE(changed, 0);
    EXPECT_EQ(d[changed + 1], "");
    EXPECT_EQ(d[changed + 2], "#rem\tbyte\tKiln_DUMMY1_rem");
    EXPECT_TRUE(Contains(d, "#rem\tword\tKiln_Release_rem,"));
    EXPECT_TRUE(Contains(d, "\t\tKiln_CRC_rem"));
}

}  // namespace
}  // namespace velmora
