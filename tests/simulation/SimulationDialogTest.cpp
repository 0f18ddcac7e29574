// The simulation dialog's rules: the fields each plant type enables, the
// refusal of bad fields, and the preview's response.
#include <gtest/gtest.h>

#include <cmath>

#include "simulation/SimulationDialog.h"

namespace velmora {
namespace {

using F = SimField;

TEST(SimulationDialog, PlantTypeEnablesItsParametersAndTheDeadTimeAndThePreviewSettles) {
    struct Row {
        int type;
        std::vector<F> enabled;
    };
    const Row rows[] = {
        {0, {}},
        {1, {F::Su, F::Su2, F::Tau1}},
        {2, {F::Su, F::Su2, F::Tau1, F::Tau2}},
        {3, {F::Su, F::Su2, F::Delta, F::Omega}},
        {4, {F::Su, F::Su2, F::Tau1, F::Tau2, F::Tau3}},
        {5, {F::Su, F::Su2, F::Tau1, F::Delta, F::Omega}},
        {6, {}},
    };
    for (const Row& r : rows) {
        for (F f : {F::Su, F::Su2, F::Tau1, F::Tau2, F::Tau3, F::Delta, F::Omega}) {
            const bool expected = std::find(r.enabled.begin(), r.enabled.end(), f) != r.enabled.end();
            EXPECT_EQ(PlantParameterEnabled(r.type, f), expected) << "type " << r.type << " field " << int(f);
        }
        EXPECT_EQ(DeadTimeEnabled(r.type), r.type >= 1 && r.type <= 5) << r.type;
        SimChoices c;
        c.plantType = r.type, c.delay = true;
        EXPECT_EQ(FieldEnabled(F::DDelta, c), DeadTimeEnabled(r.type));
    }
    // The preview runs the view's model (its steps are PlantSimulationTest's) long
    // enough to settle, with a step that stays within the output range.
    PlantSettings p;
    p.tau1 = 10, p.su = 0.5;
    const auto y = StepResponse(p, 100, 600);
    ASSERT_EQ(y.size(), 601u);
    EXPECT_EQ(y[0], 0);
    EXPECT_NEAR(y[600], 50 * (1 - std::exp(-6.0)), 1e-6);
    EXPECT_DOUBLE_EQ(PreviewSeconds(p), 50);
    EXPECT_EQ(PreviewInput(p), 100);
    p.su = -4;
    EXPECT_EQ(PreviewInput(p), 25);
    p.delay = true, p.dDelta = 30;
    EXPECT_DOUBLE_EQ(PreviewSeconds(p), 53);
    p.plantType = kPlantSecondOrderOscillating, p.delta = 0;
    EXPECT_EQ(PreviewSeconds(p), 3600) << "undamped: the longest preview";
}

TEST(SimulationDialog, BadFieldsAreRefusedAndDisabledOnesKeepTheirValue) {
    const PlantSettings base;
    std::array<std::string, kSimFields> good;
    for (std::size_t i = 0; i < kSimFields; ++i) good[i] = FieldText(static_cast<F>(i), base, ',');
    SimChoices first, delayed, astat;  // first order, no integrating stage, no dead time, or with them
    delayed.delay = true, astat.astat = true;
    struct Row {
        const SimChoices& choices;
        F field;
        const char* text;
        int textId;  // 0: accepted; -1: refused on any field
    };
    const Row rows[] = {
        {first, F::Tau1, "abc", 3437},     {first, F::Tau1, "12x", 3437},  {first, F::Tau1, "", 3437},
        {first, F::Tau1, "0", 3435},       {first, F::Su, "-2,5", 0},      {first, F::Su, "1e9", 3435},
        {first, F::Y0, "100.5", 3435},     {first, F::SimT, "0,05", 3435}, {first, F::SimT, " 2 ", 0},
        {first, F::Ys, "nan", 3437},       {first, F::Tau3, "abc", 0},     {first, F::DDelta, "x", 0},
        {delayed, F::DDelta, "1,5", 3437},  // a step count
        {astat, F::MinSU, "100", -1},       // lower limit above the upper
    };
    for (const Row& r : rows) {
        auto texts = good;
        texts[static_cast<std::size_t>(r.field)] = r.text;
        const SimParseResult got = SettingsFromFields(texts, r.choices, base);
        ASSERT_EQ(std::pair(bool(got.settings), bool(got.problem)), std::pair(r.textId == 0, r.textId != 0))
            << r.text;
        if (r.textId > 0) {
            EXPECT_EQ(std::pair(got.problem->field, got.problem->textId), std::pair(r.field, r.textId))
                << r.text;
        }
    }
    SimChoices word = first;
    word.addOut = kDisturbanceWord;
    EXPECT_TRUE(SettingsFromFields(good, word, base).missingDisturbanceName);
}

}  // namespace
}  // namespace velmora
