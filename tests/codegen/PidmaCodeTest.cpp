// The PIDMA code file beyond the golden controllers: real constants, operand
// names and placeholders.
#include "codegen/Emitters.h"
#include "support/GeneratorFixture.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::GeneratorTest;

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
