// The PIDMA code file beyond the golden controllers: real constants, operand
// names, placeholders and the key-name quirks both code files rely on.
#include "GeneratorFixture.h"
#include "codegen/Emitters.h"

namespace velmora {
namespace {

using testing::Contains;
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

}  // namespace
}  // namespace velmora
