// One tuning as every front end runs it: the rows in their order with the
// typed ones last, marks beyond the recording cutting the window to it, a
// refusal carried as the error, the view's exchange of a simulated plant,
// and the running
// parameters taken from the PLC's image only when they are the block's.
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "TuningFixture.h"
#include "base/ByteOrder.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"
#include "tuning/TuningReport.h"

namespace velmora::tuning::testing {
namespace {

TEST(TuningReport, RowsAreCurrentSuggestionsThenTypedAndRefusalsAreErrors) {
    const auto recording = Record(KnownPlant{2, 8, 0, 1, 0, 3}, {});
    LoopController pid;
    pid.pid.pBnd = 500;
    TuningRequest request;
    request.from = -20, request.to = 150;  // marks beyond the recording cut the window to it
    request.typed = {"PBnd=60,Ti=10"};
    const TuningResult r = RunTuning(recording, pid, request);
    ASSERT_TRUE(r.ok()) << r.error;
    std::vector<std::string> labels;
    for (const TuningRow& row : r.rows) labels.push_back(row.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"current", "slow", "normal", "fast", "typed 1"}));
    EXPECT_EQ(r.rows[0].controller.pid.pBnd, 500);
    EXPECT_EQ(r.rows[4].controller.pid.pBnd, 600);
    EXPECT_EQ(r.rows[2].controller.pid.pBnd, r.design.suggestions[1].controller.pid.pBnd);
    EXPECT_TRUE(std::isnan(r.rows[0].ms) && std::isfinite(r.rows[2].ms));
    // Every row's step also runs on the models the window explains about as well.
    ASSERT_FALSE(r.fit.plausible.empty());
    for (const TuningRow& row : r.rows) {
        EXPECT_LE(row.preview.spread.overshootLow, row.preview.setpoint.overshoot) << row.label;
        EXPECT_GE(row.preview.spread.overshootHigh, row.preview.setpoint.overshoot) << row.label;
    }
    const std::string text = TuningText("live", request, r);  // its rows are ModelCommandTest's
    EXPECT_NE(text.find("Recording: live, window 0.00 .. 100.00 s"), std::string::npos) << text;
    EXPECT_NE(text.find("note: The marks reach beyond the recording: the window is 0.00 .. 100.00 s."),
              std::string::npos)
        << text;

    const auto asking = [](double from, double to, double exchangeDelay, std::vector<std::string> typed) {
        TuningRequest r;
        r.from = from, r.to = to, r.exchangeDelay = exchangeDelay, r.typed = std::move(typed);
        return r;
    };
    const std::pair<TuningRequest, const char*> refused[] = {
        {asking(0, 100, 0, {"PBnd=x"}), "--try"},
        {asking(0, 100, -1, {}), "--exchange-delay"},
        {asking(50, 20, 0, {}), "before"},
        {asking(0, 5, 0, {}), "u changes"},
    };
    for (const auto& [bad, says] : refused) {
        const TuningResult no = RunTuning(recording, pid, bad);
        EXPECT_NE(no.error.find(says), std::string::npos) << no.error;
    }
}

// A plant the view simulates: one exchange comes out of every model, and the design
// counts the hold that the preview runs, so that both judge the same loop.
TEST(TuningReport, TheViewsExchangeLeavesTheModelsAndTheDesignCountsItsHold) {
    const auto recording = Record(KnownPlant{2, 8, 0, 1, 0, 3}, {});
    LoopController pid;
    pid.pid.outCycle = 50;
    TuningRequest request;
    request.to = 100;
    const TuningResult direct = RunTuning(recording, pid, request);
    request.viewExchange = 1;
    const TuningResult viewed = RunTuning(recording, pid, request);
    ASSERT_TRUE(direct.ok() && viewed.ok()) << direct.error << viewed.error;
    // The fit that knows of the exchange searches from it on: the same model to a millisecond.
    EXPECT_NEAR(viewed.fit.model.deadTime, direct.fit.model.deadTime - 1, 1e-3);
    EXPECT_NEAR(viewed.fit.longest.deadTime, direct.fit.longest.deadTime - 1, 1e-3);
    ASSERT_EQ(viewed.fit.plausible.size(), direct.fit.plausible.size());
    for (std::size_t i = 0; i < viewed.fit.plausible.size(); ++i)
        EXPECT_NEAR(viewed.fit.plausible[i].deadTime, std::max(0.0, direct.fit.plausible[i].deadTime - 1),
                    1e-3);
    EXPECT_NE(viewed.fit.notes.back().find("1.00 s shorter"), std::string::npos) << viewed.fit.notes.back();
    for (int s = 1; s <= 3; ++s) {
        EXPECT_NEAR(viewed.rows[s].preview.margins.ms, viewed.rows[s].ms, 0.05) << viewed.rows[s].label;
        EXPECT_NEAR(viewed.rows[s].ms, direct.rows[s].ms, 0.05) << viewed.rows[s].label;
    }
}

TEST(TuningReport, TheRunningParametersComeFromTheImageWhenTheyAreTheBlocks) {
    std::array<std::uint8_t, plc::kPidStructSize> pid{};
    for (const auto& [at, v] : {std::pair{plc::PidOffset("PBnd"), 432},
                                {plc::PidOffset("Ti"), 120},
                                {plc::PidOffset("Td"), 15},
                                {plc::PidOffset("tiW"), 3}})
        plc::PutInt16(pid.data() + at, static_cast<std::int16_t>(v));
    LoopController c;
    ASSERT_TRUE(ApplyRunningImage(pid, c));
    EXPECT_EQ(std::tuple(c.pid.pBnd, c.pid.ti, c.pid.td, c.pid.tiW), std::tuple(432, 120, 15, 3));
    plc::PutInt16(pid.data() + plc::PidOffset("PBnd"), 0);
    EXPECT_FALSE(ApplyRunningImage(pid, c)) << "a band of 0 is no running controller";
    EXPECT_EQ(c.pid.pBnd, 432);
    EXPECT_FALSE(ApplyRunningImage(std::span(pid).first(40), c));

    std::array<std::uint8_t, plc::kPidaStructSize> pida{};
    const std::pair<int, float> members[] = {{plc::PidaOffset("k"), 2.5f}, {plc::PidaOffset("ti"), 30},
                                             {plc::PidaOffset("td"), 1},   {plc::PidaOffset("nd"), 10},
                                             {plc::PidaOffset("b"), 0.5f}, {plc::PidaOffset("c"), 0}};
    for (const auto& [at, v] : members) plc::PutReal(pida.data() + at, v);
    LoopController a;
    a.kind = ControllerKind::Pidma;
    ASSERT_TRUE(ApplyRunningImage(pida, a));
    EXPECT_EQ(std::tuple(a.pida.k, a.pida.ti, a.pida.b), std::tuple(2.5, 30.0, 0.5));
    plc::PutReal(pida.data() + plc::PidaOffset("nd"), 0);
    EXPECT_FALSE(ApplyRunningImage(pida, a)) << "no derivative filter";
    plc::PutReal(pida.data() + plc::PidaOffset("nd"), 10);
    plc::PutReal(pida.data() + plc::PidaOffset("k"), NAN);
    EXPECT_FALSE(ApplyRunningImage(pida, a));

    // The tuner's result sits in pk … pc; none before the first tune (pk 0), none for PID.
    EXPECT_FALSE(ApplyTunerResult(pida, a));
    plc::PutReal(pida.data() + plc::PidaOffset("pk"), 1.5f);
    plc::PutReal(pida.data() + plc::PidaOffset("pti"), 12);
    plc::PutReal(pida.data() + plc::PidaOffset("pnd"), 8);
    ASSERT_TRUE(ApplyTunerResult(pida, a));
    EXPECT_EQ(std::tuple(a.pida.k, a.pida.ti, a.pida.nd), std::tuple(1.5, 12.0, 8.0));
    EXPECT_FALSE(ApplyTunerResult(pida, c));
}

}  // namespace
}  // namespace velmora::tuning::testing
