// Register placement: which auxiliary groups exist, the size of the retained
// zone, and the %R addresses of placed declarations.
#include "codegen/RegisterPlacement.h"
#include "support/GeneratorFixture.h"

#include <functional>

namespace velmora::codegen {
namespace {

using velmora::testing::Contains;
using velmora::testing::GeneratorTest;

// The groups each setting brings into the working data and the retained zone
// (absent inputs none, whatever their flags), the zone's size and first variable.
TEST(PidLayout, GroupsFollowSignalOrderThenFurtherInputs) {
    using G = AuxGroup;
    const std::vector<AuxGroup> all{{G::Filter, 1}, {G::Scaling, 1},      {G::Scaling, 2},     {G::Filter, 3},
                                    {G::Filter, 4}, {G::FurtherInput, 3}, {G::FurtherInput, 2}};
    const struct {
        const char* what;
        std::function<void(PidGroupFlags&)> set;
        std::vector<AuxGroup> working, retained;
        int size;
        const char* firstRetained;
    } rows[] = {
        {"defaults", [](PidGroupFlags&) {}, {}, {}, 51, "_Det_rem"},
        {"every group",
         [](PidGroupFlags& f) {
             f.inputMode = 2, f.cascade = true;
             f.filter[0] = f.scaling[0] = f.scaling[1] = f.filter[2] = f.filter[3] = true;
         },
         all, all, 51 + 6 + 8 + 8 + 6 + 6 + 2 + 2, "_AuxD1_rem"},
        {"absent inputs",
         [](PidGroupFlags& f) { f.filter[1] = f.scaling[1] = f.filter[2] = true; },
         {},
         {},
         51,
         "_Det_rem"},
        {"analog output neither filtered nor scaled",
         [](PidGroupFlags& f) { f.analogOutput = true; },
         {},
         {},
         51,
         "_Det_rem"},
        {"scaled pulse output: retained only",
         [](PidGroupFlags& f) { f.analogOutput = false, f.scaling[3] = true; },
         {},
         {{G::Scaling, 4}},
         51 + 8,
         "_X41_rem"},
        {"filtered scaled analog output",
         [](PidGroupFlags& f) { f.filter[3] = f.scaling[3] = true; },
         {{G::Filter, 4}, {G::Scaling, 4}},
         {{G::Filter, 4}, {G::Scaling, 4}},
         51 + 6 + 8,
         "_AuxD4_rem"},
        {"further input without filters",
         [](PidGroupFlags& f) { f.cascade = true; },
         {{G::FurtherInput, 3}},
         {{G::FurtherInput, 3}},
         53,
         "_input3_rem"},
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
}  // namespace velmora::codegen
