// A request function that misbehaves at random: errors, short and oversized
// responses, the connection dropped and views closed in the middle of a
// pass. Nothing may crash or read past a buffer (run it under the
// sanitizers) and no pending write may go out twice.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ExchangeFixture.h"

namespace velmora::online::testing {
namespace {

class Faults : public ExchangeFixture, public ::testing::TestWithParam<unsigned> {};

TEST_P(Faults, RandomMisbehaviourKeepsTheExchangeSound) {
    std::mt19937 random(GetParam());
    std::vector<std::unique_ptr<RecordingView>> views;
    std::vector<std::unique_ptr<OnlineExchange>> exchanges;
    addPid(Pid("P0"), 100);
    addPid(Pid("P3", {.inputMode = 2,
                      .cascade = true,
                      .y2Name = "Level_In",
                      .y3Name = "Pos_In",
                      .addOutName = "Disturb"}),
           300);
    addPidma(Pidma("T1"), 1000);
    addPidma(Pidma("T2", {.addOutName = "Flow_In"}), 1400);
    for (const char* name : {"P0", "P3", "T1", "T2"}) {
        views.push_back(std::make_unique<RecordingView>());
        exchanges.push_back(online(name, views.back().get()));
        ASSERT_TRUE(exchanges.back()->online());
        exchanges.back()->setGraphShown(true);
    }

    int marked = 0, writes = 0;  // the items of every write the PLC receives
    plc.beforeRequest = [&](auto, auto, std::int32_t* length, auto) -> Answer {
        const unsigned roll = random() % 10;
        if (roll == 0) return softplc::errors::kBadArea;
        if (roll == 1 || roll == 2) {  // garbage or negative length
            *length = roll == 1 ? static_cast<std::int32_t>(random() % 400)
                                : -static_cast<std::int32_t>(random() % 5) - 1;
            return 0;
        }
        if (roll == 3 && random() % 4 == 0) session->SoftOff(0);
        if (roll == 4 && !exchanges.empty() && random() % 60 == 0) {
            const auto victim = random() % exchanges.size();
            if (exchanges[victim] && random() % 2)
                exchanges[victim]->requestClose();
            else
                exchanges[victim].reset();
        }
        return std::nullopt;
    };
    const std::function<void(OnlineExchange&, int)> marks[] = {
        [](OnlineExchange& e, int pass) { e.markGw(static_cast<std::int16_t>(pass)); },
        [](OnlineExchange& e, int pass) { e.markOutput(static_cast<std::int16_t>(pass)); },
        [](OnlineExchange& e, int pass) { e.markSp(static_cast<float>(pass)); },
        [](OnlineExchange& e, int) { e.markTune(); },
        [](OnlineExchange& e, int) { e.markTunedRead(TunedReadReason::ParamsButton); },
        [&random](OnlineExchange& e, int) { e.setStructureView(random() % 2); }};

    int livelyPasses = 0;
    for (int pass = 0; pass < 400; ++pass) {
        for (auto& e : exchanges) {
            if (!e) continue;
            if (const auto pick = random() % 8; pick < std::size(marks)) marks[pick](*e, pass);
            ++marked;
            e->commTick();
        }
        // The host reports the connection back now and then.
        const std::uint32_t status = kRunning | (random() % 3 == 0 ? (1u << 11) : 0);
        plc.clearHistory();
        session->CommLoopCallback(random() % 10 == 0 ? nullptr : request, status);
        for (const auto& r : plc.history())
            if (r.command == kPlcWrite) writes += static_cast<int>(r.items.size());
        // Views that were asked to close and got their message go away.
        for (std::size_t i = 0; i < exchanges.size(); ++i)
            if (exchanges[i] && !views[i]->closes.empty()) exchanges[i].reset();
        livelyPasses += plc.history().size() > 2;
    }
    // Each mark gives at most one write; the parameter pairs of none were marked here.
    EXPECT_LE(writes, marked);
    EXPECT_GT(livelyPasses, 50) << "the faults must not end the run at once";
}

INSTANTIATE_TEST_SUITE_P(Seeds, Faults, ::testing::Values(1u, 2u, 3u, 17u, 4242u, 99991u));

}  // namespace
}  // namespace velmora::online::testing
