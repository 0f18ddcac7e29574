// The frame's side: CommTimer1's schedule, the status mapping, the closing pass,
// soft and hard off, views that go away while the callback runs, and a request
// function that misbehaves at random.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "ExchangeFixture.h"
#include "simulation/PlantSimulation.h"

namespace velmora::online::testing {
namespace {

class Session : public ExchangeFixture, public ::testing::Test {
protected:
    // n PID views, online, registers 100 apart.
    void openViews(int n) {
        views.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const std::string name = "R" + std::to_string(i);
            addPid(Pid(name), 100 * (i + 1));
            exchanges.push_back(online(name, &views[static_cast<std::size_t>(i)]));
            ASSERT_TRUE(exchanges.back()->online());
        }
    }
    std::vector<RecordingView> views;
    std::vector<std::unique_ptr<OnlineExchange>> exchanges;
};

TEST(CommStatus, MapsTheStatusBitsToTheLabelStates) {
    // Bit 7 wins over the error bits.
    const std::pair<std::uint32_t, TCommState> cases[] = {{0x80 | (1u << 19), TCommState::csRUN},
                                                          {0x80, TCommState::csRUNn},
                                                          {0x80 | 1u, TCommState::csRUNn},
                                                          {1u, TCommState::csERR},
                                                          {1u << 3, TCommState::csERR},
                                                          {1u << 19, TCommState::csHALT},
                                                          {0, TCommState::csHALT}};
    for (const auto& [status, state] : cases)
        EXPECT_EQ(CommStateFromStatus(status), state) << std::hex << status;
    EXPECT_TRUE(FixedFromStatus(1u << 11));
    EXPECT_FALSE(DataValidFromStatus(0x80));
    EXPECT_FALSE(ConnectedFromStatus(1u << 16));
}

TEST_F(Session, NineViewsEachServedOncePerEightTicksFirstAndLastTogether) {
    openViews(9);
    const std::vector<std::vector<int>> expected = {{0, 8}, {4}, {2}, {6}, {1}, {5}, {3}, {7}};
    for (int tick = 0; tick < 16; ++tick) {
        std::vector<std::size_t> before;
        for (auto& v : views) before.push_back(v.ticks.size());
        EXPECT_TRUE(commTimer().tick());
        std::vector<int> served;
        for (std::size_t i = 0; i < views.size(); ++i)
            if (views[i].ticks.size() > before[i]) served.push_back(static_cast<int>(i));
        EXPECT_EQ(served, expected[tick % 8]) << "tick " << tick;
    }
    EXPECT_TRUE(session->lastTickVisitedAny());
}

TEST_F(Session, SampleTimeCallbackAndSimTimerServeTheirViews) {
    openViews(2);
    EXPECT_EQ(std::tuple(commTimer().interval(), commTimer().enabled(), simTimer().enabled()),
              std::tuple(125, true, false));
    EXPECT_TRUE(session->setSampleTime(2.0));
    EXPECT_EQ(commTimer().interval(), 250);
    EXPECT_FALSE(session->setSampleTime(2.0) || session->setSampleTime(0.0));
    for (auto& v : views) EXPECT_EQ(v.sampleTimeChanges, 1);
    // The real timer takes the shared rounding rule, not a truncation of its own.
    for (const double simT : {0.5, 0.3, 1e7}) {
        session->setSampleTime(simT);
        EXPECT_EQ(commTimer().interval(), CommTimerInterval(simT)) << simT;
    }
    EXPECT_TRUE(session->setSampleTime(2.0));
    // The callback gives every view the state and exchanges the online ones.
    exchanges[1]->ToolButtonStop1Click();
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning | (1u << 11));
    EXPECT_EQ(std::tuple(session->commPending(), simTimer().enabled(), log.contains("Communication on!")),
              std::tuple(false, true, true));
    for (auto& v : views)
        EXPECT_EQ(std::tuple(v.lastState, v.lastFixed), std::tuple(TCommState::csRUN, true));
    EXPECT_EQ(plc.history().size(), 1u) << "only the online view exchanged";
    EXPECT_EQ(session->commFlags(), static_cast<std::uint16_t>((kRunning | (1u << 11)) & 0xFFFF));
    for (const char* line : {"Enter comm - R0", "Want data = false pro R0", "Leave comm - R0"})
        EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_FALSE(log.contains("Enter comm - R1"));
    ASSERT_TRUE(simTimer().tick());
    EXPECT_EQ(views[0].steps, 1);
    EXPECT_EQ(views[1].steps, 0) << "offline: no simulation step";
    session->stopTimers();
    EXPECT_FALSE(simTimer().tick() || commTimer().enabled());
}

// Their destruction afterwards does not disturb the session.
TEST_F(Session, ClosingPassPostsToEveryClosedViewEvenWithoutARequestFunction) {
    openViews(4);
    exchanges[1]->requestClose();
    exchanges[3]->requestClose();
    for (auto& v : views) v.labelUpdates = 0;
    plc.clearHistory();
    session->CommLoopCallback(nullptr, 0);
    ASSERT_EQ(session->views().size(), 2u);
    for (int i : {1, 3}) EXPECT_EQ(views[i].closes, std::vector<bool>{false}) << "posted to R" << i;
    EXPECT_TRUE(views[0].closes.empty());
    for (auto& v : views) EXPECT_EQ(v.labelUpdates, 0);
    EXPECT_TRUE(plc.history().empty());
    exchanges[1].reset();
    exchanges[3].reset();
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(session->views().size(), 2u);
    EXPECT_EQ(plc.history().size(), 2u) << "the views left exchange";
}

TEST_F(Session, OffNotificationsStopEverythingUntilTheLoopIsBack) {
    openViews(2);
    session->CommLoopCallback(request, kRunning | (1u << 11));
    views[1].labelUpdates = 0;
    session->HardOff(1);  // a true argument changes nothing
    session->SoftOff(0xFFFF);
    EXPECT_EQ(
        std::tuple(session->commPending(), session->commState(), simTimer().enabled(), views[1].labelUpdates),
        std::tuple(false, TCommState::csRUN, true, 0));
    exchanges[0]->requestClose();
    session->HardOff(0);
    EXPECT_EQ(std::tuple(session->commPending(), simTimer().enabled(), session->commState()),
              std::tuple(true, false, TCommState::csCommErr));
    EXPECT_TRUE(log.contains("No Communication! (Hard Off)"));
    EXPECT_EQ(views[1].lastState, TCommState::csCommErr);
    EXPECT_TRUE(views[1].lastFixed) << "the fixed flag is kept";
    EXPECT_EQ(views[0].closes, std::vector<bool>{true}) << "sent";
    session->SoftOff(0);
    EXPECT_EQ(views[1].lastState, TCommState::csNoComm);
    EXPECT_TRUE(log.contains("No Communication! (Soft Off)"));
    // Without bits 16 and 17 the state stays and the simulation stays off.
    session->CommLoopCallback(request, 0x80 | (1u << 19));
    EXPECT_EQ(std::tuple(views[1].lastState, simTimer().enabled()), std::tuple(TCommState::csNoComm, false));
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(std::tuple(views[1].lastState, simTimer().enabled()), std::tuple(TCommState::csRUN, true));
}

TEST_F(Session, SoftOffDuringARequestEndsThePassWithoutWritingTwice) {
    openViews(3);
    session->CommLoopCallback(request, kRunning);  // first data of every view
    for (auto& e : exchanges) {
        e->commTick();
        e->markGw(7);
    }
    int requests = 0;
    plc.beforeRequest = [&](auto, auto, auto, auto) -> Answer {
        if (++requests == 2) session->SoftOff(0);  // R0's gW write
        return std::nullopt;
    };
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(plc.history().size(), 2u) << "R1 and R2 did not exchange";
    EXPECT_TRUE(log.contains("pForm->NovaKomunikace return 0"));
    EXPECT_TRUE(!exchanges[0]->pending().gW && exchanges[1]->pending().gW);
    plc.beforeRequest = nullptr;
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning);  // loop back: R1, R2 still want data
    int gwWrites = 0;
    for (const auto& r : plc.history()) gwWrites += r.command == kPlcWrite;
    EXPECT_EQ(gwWrites, 2) << "R1 and R2 once each, R0 not again";
}

// One destroyed during its own request stops its exchange and the pass.
TEST_F(Session, ViewsDestroyedInsideTheCallbackAreSkippedSafely) {
    openViews(4);
    views[0].onShowState = [&] { exchanges[1].reset(); };  // a view that closes another
    views[2].onShowState = [&] { exchanges[2].reset(); };  // and one that closes itself
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(session->views().size(), 2u);
    ASSERT_EQ(plc.history().size(), 2u);
    EXPECT_EQ(plc.history()[0].items[0].offset, 100) << "R0 exchanged";
    EXPECT_EQ(plc.history()[1].items[0].offset, 400) << "R3 exchanged";
    for (int i : {0, 3}) exchanges[i]->commTick();
    exchanges[0]->markGw(1);
    plc.beforeRequest = [&](auto, auto, auto, auto) -> Answer {
        if (exchanges[0]) exchanges[0].reset();
        return std::nullopt;
    };
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning);
    // R0's read, no gW write for a view that is gone; the pass ends there.
    ASSERT_EQ(plc.history().size(), 1u);
    EXPECT_TRUE(log.contains("pForm->NovaKomunikace return 0"));
    EXPECT_EQ(session->views().size(), 1u);
}

TEST_F(Session, AReentrantCallbackIsIgnoredAndAnEndedSessionLeavesItsViewsDetached) {
    openViews(1);
    int calls = 0;
    plc.beforeRequest = [&](auto, auto, auto, auto) -> Answer {
        if (++calls == 1) session->CommLoopCallback(request, kRunning);
        return std::nullopt;
    };
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(calls, 1);
    // A session ending before its views leaves them detached.
    session.reset();
    exchanges[0]->commTick();
    EXPECT_EQ(exchanges[0]->NovaKomunikace(request, true), 1);
    exchanges.clear();
}

// Errors, short and oversized responses, the connection dropped, views closed mid-pass: nothing may
// crash or read past a buffer (run it under the sanitizers), no pending write may go out twice.
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
