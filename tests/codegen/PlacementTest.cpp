// Register placement: which auxiliary groups exist, the size of the retained
// zone, and the %R addresses of placed declarations.
#include "GeneratorFixture.h"
#include "codegen/RegisterPlacement.h"

namespace velmora::codegen {
namespace {

using velmora::testing::Contains;
using velmora::testing::GeneratorTest;

TEST(PidLayout, DefaultsHaveNoAuxiliaryGroups) {
    PidLayout layout = PlanPidLayout(PidGroupFlags{});
    EXPECT_TRUE(layout.working.empty());
    EXPECT_TRUE(layout.retained.empty());
    EXPECT_EQ(layout.retainedSize(), 51);
    EXPECT_EQ(layout.firstRetained(), "_Det_rem");
    EXPECT_EQ(layout.firstRetainedWorking("_struct.Det"), "_struct.Det");
}

TEST(PidLayout, GroupsFollowSignalOrderThenFurtherInputs) {
    PidGroupFlags f;
    f.inputMode = 2;
    f.cascade = true;
    f.filter[0] = f.scaling[0] = true;
    f.scaling[1] = true;
    f.filter[2] = true;
    f.filter[3] = true;
    PidLayout layout = PlanPidLayout(f);
    const std::vector<AuxGroup> expected{
        {AuxGroup::Filter, 1}, {AuxGroup::Scaling, 1},      {AuxGroup::Scaling, 2},     {AuxGroup::Filter, 3},
        {AuxGroup::Filter, 4}, {AuxGroup::FurtherInput, 3}, {AuxGroup::FurtherInput, 2}};
    EXPECT_EQ(layout.working, expected);
    EXPECT_EQ(layout.retained, expected);
    EXPECT_EQ(layout.retainedSize(), 51 + 6 + 8 + 8 + 6 + 6 + 2 + 2);
    EXPECT_EQ(layout.firstRetained(), "_AuxD1_rem");
    EXPECT_EQ(layout.firstRetainedWorking("_Det"), "_AuxD1");
}

TEST(PidLayout, AbsentInputsDeclareNothingEvenWithFlagsSet) {
    PidGroupFlags f;
    f.filter[1] = f.scaling[1] = true;  // input 2 without InputMode > 1
    f.filter[2] = true;                 // input 3 without cascade
    PidLayout layout = PlanPidLayout(f);
    EXPECT_TRUE(layout.working.empty());
    EXPECT_EQ(layout.retainedSize(), 51);
}

TEST(PidLayout, OutputGroupConditionsDifferBetweenWorkingAndRetained) {
    PidGroupFlags f;
    f.analogOutput = true;  // analog but neither filtered nor scaled: no working group
    EXPECT_TRUE(PlanPidLayout(f).working.empty());

    f.analogOutput = false;  // scaled pulse output: retained copy only
    f.scaling[3] = true;
    PidLayout layout = PlanPidLayout(f);
    EXPECT_TRUE(layout.working.empty());
    ASSERT_EQ(layout.retained.size(), 1u);
    EXPECT_EQ(layout.retained[0], (AuxGroup{AuxGroup::Scaling, 4}));
    EXPECT_EQ(layout.firstRetained(), "_X41_rem");

    f.analogOutput = true;
    f.filter[3] = true;
    layout = PlanPidLayout(f);
    EXPECT_EQ(layout.working.size(), 2u);
    EXPECT_EQ(layout.retainedSize(), 51 + 6 + 8);
}

TEST(PidLayout, FurtherInputStartsTheRetainedZoneWithoutFilters) {
    PidGroupFlags f;
    f.cascade = true;
    EXPECT_EQ(PlanPidLayout(f).firstRetained(), "_input3_rem");
    EXPECT_EQ(PlanPidLayout(f).retainedSize(), 53);
}

class PlacedDeclarations : public GeneratorTest {};

TEST_F(PlacedDeclarations, DefaultsPlaceNothing) {
    for (const auto& l : declarations("Boiler", {{"HeaderInST", "1"}}))
        EXPECT_EQ(l.find("AT %R"), std::string::npos) << l;
    addController("Dryer", {{"Type", "PIDA"}, {"HeaderInST", "1"}});
    for (const auto& l : run("Dryer").first) EXPECT_EQ(l.find("AT %R"), std::string::npos) << l;
}

TEST_F(PlacedDeclarations, PidmaStructureAndPrivateArea) {
    auto d = declarations("Dryer", {{"Type", "PIDA"}, {"HeaderInST", "1"}, {"OffReg", "1000"}});
    EXPECT_TRUE(Contains(d, "  Dryer_struct AT %R1000 : T_PIDA;"));
    EXPECT_TRUE(Contains(d,
                         "  Dryer_reserved AT %R1226 : ARRAY [0..443] OF BYTE;      \t//"
                         "Reserved for PIDA algorithm, do not modify!"));
}

}  // namespace
}  // namespace velmora::codegen
