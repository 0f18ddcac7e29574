// The frame's side: CommTimer1's schedule, the callback's status mapping and
// closing pass, the soft-off and hard-off notifications, and views that go
// away while the callback runs.
#include <gtest/gtest.h>

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
    EXPECT_EQ(commTimer().interval(), 125);
    EXPECT_TRUE(commTimer().enabled());
    EXPECT_FALSE(simTimer().enabled());
    EXPECT_TRUE(session->setSampleTime(2.0));
    EXPECT_EQ(commTimer().interval(), 250);
    EXPECT_FALSE(session->setSampleTime(2.0));
    EXPECT_FALSE(session->setSampleTime(0.0));
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
    EXPECT_FALSE(session->commPending());
    EXPECT_TRUE(simTimer().enabled());
    EXPECT_TRUE(log.contains("Communication on!"));
    for (auto& v : views) {
        EXPECT_EQ(v.lastState, TCommState::csRUN);
        EXPECT_TRUE(v.lastFixed);
    }
    EXPECT_EQ(plc.history().size(), 1u) << "only the online view exchanged";
    EXPECT_EQ(session->commFlags(), static_cast<std::uint16_t>((kRunning | (1u << 11)) & 0xFFFF));
    for (const char* line : {"Enter comm - R0", "Want data = false pro R0", "Leave comm - R0"})
        EXPECT_TRUE(log.contains(line)) << line;
    EXPECT_FALSE(log.contains("Enter comm - R1"));
    ASSERT_TRUE(simTimer().tick());
    EXPECT_EQ(views[0].steps, 1);
    EXPECT_EQ(views[1].steps, 0) << "offline: no simulation step";
    session->stopTimers();
    EXPECT_FALSE(simTimer().tick());
    EXPECT_FALSE(commTimer().enabled());
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
    EXPECT_FALSE(session->commPending());
    EXPECT_EQ(session->commState(), TCommState::csRUN);
    EXPECT_TRUE(simTimer().enabled());
    EXPECT_EQ(views[1].labelUpdates, 0);
    exchanges[0]->requestClose();
    session->HardOff(0);
    EXPECT_TRUE(session->commPending());
    EXPECT_FALSE(simTimer().enabled());
    EXPECT_EQ(session->commState(), TCommState::csCommErr);
    EXPECT_TRUE(log.contains("No Communication! (Hard Off)"));
    EXPECT_EQ(views[1].lastState, TCommState::csCommErr);
    EXPECT_TRUE(views[1].lastFixed) << "the fixed flag is kept";
    EXPECT_EQ(views[0].closes, std::vector<bool>{true}) << "sent";
    session->SoftOff(0);
    EXPECT_EQ(views[1].lastState, TCommState::csNoComm);
    EXPECT_TRUE(log.contains("No Communication! (Soft Off)"));

    // Without bits 16 and 17 the state stays and the simulation stays off.
    session->CommLoopCallback(request, 0x80 | (1u << 19));
    EXPECT_EQ(views[1].lastState, TCommState::csNoComm);
    EXPECT_FALSE(simTimer().enabled());
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(views[1].lastState, TCommState::csRUN);
    EXPECT_TRUE(simTimer().enabled());
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
    EXPECT_FALSE(exchanges[0]->pending().gW);
    EXPECT_TRUE(exchanges[1]->pending().gW);

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

}  // namespace
}  // namespace velmora::online::testing
