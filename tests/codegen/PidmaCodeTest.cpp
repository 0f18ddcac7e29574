// The PIDMA code file: real constants, references, the retained zone, and
// the key-name quirks both code files rely on.
#include "GeneratorFixture.h"
#include "codegen/Emitters.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::CountContaining;
using testing::GeneratorTest;
using testing::IndexOf;

TEST(RealConstant, CommaPointAndWholeNumbers) {
    using codegen::RealConstant;
    EXPECT_EQ(RealConstant("2,5"), "2.5");
    EXPECT_EQ(RealConstant("100"), "100.");
    EXPECT_EQ(RealConstant("7"), "7.");
    EXPECT_EQ(RealConstant("0,0"), "0");
    EXPECT_EQ(RealConstant("0"), "0");
    EXPECT_EQ(RealConstant("-0,000"), "0");
    EXPECT_EQ(RealConstant("0."), "0");
    EXPECT_EQ(RealConstant("1.25"), "1.25");
    EXPECT_EQ(RealConstant("-3,75"), "-3.75");
    EXPECT_EQ(RealConstant("1,5,2"), "1.5,2");  // only the first comma is the decimal one
}

TEST(OperandName, StructureMembersGetTildesBitsKeepTheirPoint) {
    using codegen::OperandName;
    EXPECT_EQ(OperandName("Tank.Level"), "Tank~Level");
    EXPECT_EQ(OperandName("Flags.3"), "Flags.3");
    EXPECT_EQ(OperandName("a.b.c.7"), "a~b~c.7");
    EXPECT_EQ(OperandName("%R100.2"), "%R100.2");
    EXPECT_EQ(OperandName("x._y"), "x~_y");
    EXPECT_EQ(OperandName("end."), "end.");
}

class PidmaCode : public GeneratorTest {};

TEST_F(PidmaCode, ParametersAsRealConstantsIntoTheRetainedZone) {
    auto c = code("Dryer", {{"Type", "PIDA"}, {"k", "2,5"}, {"hilim", "100"}, {"c", "0,0"}, {"irtype", "3"}});
    EXPECT_EQ(c[IndexOf(c, "\tWR\tDryer_k_rem          \t;Controller gain") - 1], "\tLDL\t2.5");
    EXPECT_EQ(c[IndexOf(c, "\tWR\tDryer_hilim_rem      \t;Output saturation high limit [%]") - 1],
              "\tLDL\t100.");
    EXPECT_EQ(
        c[IndexOf(c, "\tWR\tDryer_c_rem          \t;setpoint weighting factor for derivative part") - 1],
        "\tLDL\t0");
    // irtype feeds the member irType; integers are loaded as written.
    EXPECT_EQ(c[IndexOf(c, "\tWR\tDryer_irType_rem     \t;Control algorithm type") - 1], "\tLDL\t3");
}

TEST_F(PidmaCode, DefaultsOfTheGenerator) {
    auto c = code("Dryer", {{"Type", "PIDA"}});
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Ts", "0.2"},   {"irType", "7"}, {"RACT", "0"}, {"k", "1.0"},    {"ti", "4.0"},      {"td", "1.0"},
        {"nd", "10.0"},  {"b", "1.0"},    {"c", "0"},    {"tt", "1.0"},   {"hilim", "100.0"}, {"lolim", "0"},
        {"itType", "7"}, {"iainf", "1"},  {"DGC", "1"},  {"tdg", "10.0"}, {"tn", "2.0"},      {"amp", "15.0"},
        {"dy", "5.0"},   {"ispeed", "2"}, {"ipid", "1"}};
    for (const auto& [member, value] : expected) {
        const std::string target = "\tWR\tDryer_" + member + "_rem";
        int at = -1;
        for (int i = 0; i < static_cast<int>(c.size()); ++i)
            if (c[i].rfind(target + " ", 0) == 0) at = i;
        ASSERT_GT(at, 0) << member;
        EXPECT_EQ(c[at - 1], "\tLDL\t" + value) << member;
    }
    EXPECT_TRUE(Contains(c, "\tLD\tVstup_nebyl_definovan"));
    EXPECT_TRUE(Contains(c, "\tWR\tVystup_nebyl_definovan"));
    // The existence check uses other placeholder names than the code.
    EXPECT_TRUE(Contains(c, "#ifndef Y1_Input_was_not_defined"));
    EXPECT_TRUE(Contains(c, "#ifndef _Output_was_not_defined"));
}

TEST_F(PidmaCode, InitialValuesAndMode) {
    auto manual = code("A", {{"Type", "PIDA"}, {"hv", "12,5"}, {"sp", "40"}});
    const int at = IndexOf(
        manual, ";----- Initial values ----------------------------------------------------------------");
    ASSERT_GT(at, 0);
    EXPECT_EQ((std::vector<std::string>(manual.begin() + at + 1, manual.begin() + at + 7)),
              (std::vector<std::string>{"\tLDL\t12.5", "\tWR\tA_hv        \t;Manual control output value",
                                        "\tLDL\t40.", "\tWR\tA_sp        \t;Set point w", "\tLD\t1",
                                        "\tWR\tA_MAN       \t;Mode, 0 automatic, 1 manual"}));
    auto automatic = code("B", {{"Type", "PIDA"}, {"AM", "1"}});
    EXPECT_EQ(automatic[IndexOf(automatic, "\tWR\tB_MAN       \t;Mode, 0 automatic, 1 manual") - 1],
              "\tLD\t0");
}

TEST_F(PidmaCode, RemanentOffWritesStraightIntoTheWorkingData) {
    auto c = code("K", {{"Type", "PIDA"}, {"Remanent", "0"}});
    EXPECT_EQ(CountContaining(c, "_L1"), 0);
    EXPECT_EQ(CountContaining(c, "_L2"), 0);
    EXPECT_EQ(CountContaining(c, "_L3"), 0);
    EXPECT_EQ(CountContaining(c, "\tCAD\t"), 0);
    EXPECT_EQ(CountContaining(c, "_rem"), 0);
    EXPECT_TRUE(Contains(c, "\tWR\tK_Ts             \t;Sample period in seconds"));
    EXPECT_EQ(c[IndexOf(c, "E 60") - 2], "\tRET");
}

TEST_F(PidmaCode, AliasOffUsesStructureMembers) {
    auto c = code("D", {{"Type", "PIDA"}, {"HeaderInST", "1"}, {"Alias", "0"}});
    EXPECT_TRUE(Contains(c, "#if (__offset(D_reserved) - __offset(D_struct.dv)) != 226"));
    EXPECT_TRUE(Contains(c, "\tLD\tD_struct.CHANGED"));
    EXPECT_TRUE(Contains(c, "\tWR\tD_struct.pv"));
    EXPECT_TRUE(Contains(c, "\tLD __indx(D_struct.dv)"));
    EXPECT_TRUE(Contains(c, "\tLDC\tD_struct.MAN.0"));
    EXPECT_TRUE(Contains(c, "\tPUT\tD_struct.hv"));
    EXPECT_TRUE(Contains(c, "\tMOV\tD_struct.Ts"));
    EXPECT_TRUE(Contains(c, "\tSRC\tbyte D_struct.Ts"));
    for (const auto& l : c)
        if (l.rfind("\tWR\tD_", 0) == 0 && l.find("_rem") == std::string::npos) {
            EXPECT_NE(l.find("D_struct."), std::string::npos) << l;
        }
}

TEST_F(PidmaCode, CyclicPartAndRetainedZone) {
    auto c = code("D", {{"Type", "PIDA"}, {"Input", "Hall.Humidity"}, {"Output", "%R224"}});
    const int p0 = IndexOf(c, "P 0");
    ASSERT_GT(p0, 0);
    EXPECT_EQ((std::vector<std::string>(c.begin() + p0, c.begin() + p0 + 16)),
              (std::vector<std::string>{"P 0", "\tLD\tD_CHANGED", "\tCAD\tD_L3", "\tLD\tHall~Humidity",
                                        "\tWR\tD_pv", "\tLD\tD_mv", "\tWR\tD_tv", "\tLD __indx(D_dv)",
                                        "\tPIDA", "\tLDC\tD_MAN.0", "\tWR\t%S1.0", "\tLD\tD_mv",
                                        "\tPUT\tD_hv", "\tWR\t%R224", "E 0", ""}));
    EXPECT_TRUE(Contains(c, "#ifndef Hall"));
    EXPECT_FALSE(Contains(c, "#ifndef %R224"));  // a direct operand needs no check
    EXPECT_EQ(CountContaining(c, "\tEQ\t92"), 1);
    EXPECT_EQ(CountContaining(c, "\tLD\t92"), 2);
    EXPECT_EQ(CountContaining(c, "D_Ts_rem)"), 3);
    EXPECT_TRUE(Contains(c, "\tMOV\tD_Ts"));
    EXPECT_TRUE(Contains(c, "\tMOV\tD_Ts_rem"));
    EXPECT_TRUE(Contains(c, "#if _PLCTYPE_ < 6"));
}

TEST_F(PidmaCode, KeyNamesAreFoundInAnyCase) {
    // The tuner page writes "ittype"; the generator asks for "itType".
    auto c = code("D", {{"Type", "PIDA"}, {"ittype", "4"}, {"IRTYPE", "2"}});
    EXPECT_EQ(c[IndexOf(c, "\tWR\tD_itType_rem     \t;Control algorithm type") - 1], "\tLDL\t4");
    EXPECT_EQ(c[IndexOf(c, "\tWR\tD_irType_rem     \t;Control algorithm type") - 1], "\tLDL\t2");
}

class NameCase : public GeneratorTest {};

TEST_F(NameCase, CodeSpellsSomeNamesInAnotherCase) {
    auto c =
        code("Boiler",
             {{"Y1Filtr", "1"}, {"InputMode", "2"}, {"Y2OVF", "Hi2"}, {"UAnalog", "1"}, {"UFiltr", "1"}});
    // The golden Boiler.orv pins AuXD1, AuXD4, input1 and TiW_rem against these declarations.
    EXPECT_TRUE(Contains(c, "\tPUT\tBoiler_Input2"));  // register Boiler_input2
    auto d = lines("Velmora\\Boiler_def.orv");
    EXPECT_TRUE(Contains(d, "#reg\tbyte\tBoiler_AuxD1[4]"));
    EXPECT_TRUE(Contains(d, "\t\tBoiler_tiW_rem,     \t; Set point filter time constant (remanent)"));
}

TEST_F(NameCase, GuardNamesTheMnemonicFileEvenForIecDeclarations) {
    auto c = code("Boiler", {{"HeaderInST", "1"}});
    EXPECT_EQ(c[IndexOf(c, "#ifndef Boiler_Definitions") + 1],
              "\t#error f 'File \"Boiler_def.orv\" is not in project files list or is not above file "
              "\"Boiler.orv\"!'");
}

}  // namespace
}  // namespace velmora
