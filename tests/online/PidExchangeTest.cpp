// The PID exchange: which block is read for each input configuration, where
// the received bytes land, and the byte layout of every pending write.
#include <gtest/gtest.h>

#include <algorithm>

#include "ExchangeFixture.h"

namespace velmora::online::testing {
namespace {

class PidExchange : public ExchangeFixture, public ::testing::Test {};

// From the first variable it has; the log names the block.
TEST_F(PidExchange, EachInputConfigurationReadsItsBlock) {
    const struct {
        const char* what;
        bool cascade;
        int inputMode;
        const char* addOut;
        std::vector<std::uint8_t> read;
        int input3, input2;
        const char* logged;
    } cases[] = {
        {"single input", false, 1, "", Bytes({3, 100, 0, 50}), 0, 0,
         "cteni struktury PID od Input1\tBh\t4\t50\t:\t03  64  00  32  \n"},
        {"cascade and second input", true, 2, "", Bytes({3, 100, 0, 54}), 3, 2,
         "cteni struktury PID od Input3\t"},
        {"cascade alone", true, 1, "", Bytes({3, 100, 0, 52}), 3, 0,
         "cteni struktury PID od Input3, bez Input2\t"},
        {"second input alone", false, 3, "", Bytes({3, 100, 0, 52}), 0, 2, "cteni struktury PID od Input2"},
        {"additional output", false, 1, "Disturb", Bytes({3, 100, 0, 50, 3, 0xE4, 0x07, 2}), 0, 0,
         "cteni struktury PID od Input1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "R" + std::to_string(&c - cases);
        auto area = plc.area(3);
        std::fill(area.begin(), area.end(), 0);
        log.lines.clear();
        const auto s = Pid(name, {.inputMode = c.inputMode,
                                  .cascade = c.cascade,
                                  .y2Name = "Level_In",
                                  .y3Name = "Pos_In",
                                  .addOutName = c.addOut});
        const int base = addPid(s, 100);
        // Input3 then Input2 in front of the structure, as far as the controller has them.
        if (c.cascade) area[100] = 3;
        if (c.inputMode > 1) area[c.cascade ? 102 : 100] = 2;
        putInt(base + plc::PidOffset("Input1"), 0x1234);
        putInt(base + plc::PidOffset("Control"), 1);
        putInt(2020, 10000);
        RecordingView view;
        auto r = online(name, &view);
        ASSERT_TRUE(r->online());
        const auto requests = requestsOf(*r);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].command, kPlcRead);
        EXPECT_EQ(requests[0].bytes, c.read);
        EXPECT_EQ(r->input3(), c.input3);
        EXPECT_EQ(r->input2(), c.input2);
        EXPECT_EQ(plc::GetInt16(r->tpid() + plc::PidOffset("Input1")), 0x1234);
        EXPECT_EQ(plc::GetUInt16(r->tpid() + plc::PidOffset("Control")), 1);
        if (*c.addOut) {
            EXPECT_EQ(plc::GetInt16(r->additionalOutput().data()), 10000);
        }
        EXPECT_TRUE(logged(c.logged));
    }
}

TEST_F(PidExchange, StructureViewAlsoReadsTheSourceVariables) {
    addPid(Pid("R1", {.analogOutput = false, .umName = "Valve_Down"}),
           100);  // three-stage: UmName is read too
    const int sources[] = {2000, 2010, 2012};
    for (int i = 0; i < 3; ++i) plc.area(3)[sources[i]] = static_cast<std::uint8_t>(11 * (i + 1));
    r1 = online("R1", &view);
    r1->setStructureView(true);
    const auto requests = requestsOf(*r1);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].bytes, Bytes({3, 0xD0, 0x07, 2, 3, 0xDA, 0x07, 2, 3, 0xDC, 0x07, 2}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r1->sourceValues()[i][0], 11 * (i + 1)) << i;
    EXPECT_TRUE(logged("Cteni Y1Name, UpName, UmName\t"));
}

TEST_F(PidExchange, ParameterBlockGoesWithTheControlWordOnlyWhileTheGraphIsShown) {
    const int base = addPid(Pid("R1"), 100);
    plc.area(3)[base + plc::PidOffset("Control")] = 0x41;  // RC and AM
    r1 = online("R1", &view);
    exchangeOnce(*r1);  // first data: the control word is known

    r1->markParameters(PidParameterBlock::FromShown(50.0, 200.0, 12.3, 0.5, 1.5, 2.25, 100.0));
    EXPECT_EQ(requestsOf(*r1).size(), 1u) << "schema page: only the read";
    EXPECT_TRUE(r1->pending().parameters);

    r1->setGraphShown(true);
    const auto requests = requestsOf(*r1);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].command, kPlcWrite);
    // Control (offset 147) with CHN, then PBnd … IGap (offset 133, 14 bytes).
    EXPECT_EQ(requests[1].bytes, Bytes({3,    147,  0,    2,    0x41, 0x08,              //
                                        3,    133,  0,    14,   0xF4, 0x01, 0xD0, 0x07,  // 500, 2000
                                        0x7B, 0x00, 0x05, 0x00, 0x96, 0x00, 0xE1, 0x00,  // 123, 5, 150, 225
                                        0x10, 0x27}));                                   // 10000
    EXPECT_FALSE(r1->pending().parameters);
    EXPECT_EQ(requestsOf(*r1).size(), 1u) << "written once";
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("PBnd")), 500);
}

TEST_F(PidExchange, SingleWordWritesInTheirOrder) {
    const int base = addPid(Pid("R1"), 100);
    r1 = online("R1", &view);
    exchangeOnce(*r1);
    r1->markOutput(-250);
    r1->markGw(5000);
    r1->markTiW(30);
    r1->markControl(0x0041);
    const auto requests = requestsOf(*r1);
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[1].bytes, Bytes({3, base + plc::PidOffset("tiW"), 0, 2, 30, 0}));
    EXPECT_EQ(requests[2].bytes, Bytes({3, base + plc::PidOffset("gW"), 0, 2, 0x88, 0x13}));
    EXPECT_EQ(requests[3].bytes, Bytes({3, base + plc::PidOffset("Control"), 0, 2, 0x41, 0}));
    EXPECT_EQ(requests[4].bytes, Bytes({3, base + plc::PidOffset("Output"), 0, 2, 0x06, 0xFF}));
    for (const char* t : {"zapis TiW\t", "zapis gW\t", "zapis Control\t", "zapis OutPut\t"})
        EXPECT_TRUE(logged(t)) << t;
    r1->markControl(0x0041);  // what the PLC has now: not written again
    EXPECT_EQ(requestsOf(*r1).size(), 1u);
    EXPECT_FALSE(r1->pending().control);
}

TEST_F(PidExchange, SimulatedInputsAndTheRatioInputGoWithTheirOwnWidths) {
    addPid(Pid("R3", {.cascade = true, .y3Name = "Pos_In"}), 300);
    auto r3 = online("R3", &view);
    r3->markSimulatedInputs(RawValue{std::int16_t{1234}}, RawValue{std::int16_t{99}}, RawValue{50.0f});
    const auto requests = requestsOf(*r3);
    ASSERT_EQ(requests.size(), 2u);
    // Y2 does not exist on this controller: only Y1 (INT) and Y3 (REAL).
    EXPECT_EQ(requests[1].bytes, Bytes({3, 0xD0, 0x07, 2, 0xD2, 0x04, 3, 0xD4, 0x07, 4, 0, 0, 0x48, 0x42}));
    EXPECT_TRUE(logged("zapis Y1, (Y2, (Y3))\t"));
    EXPECT_EQ(requestsOf(*r3).size(), 1u) << "a simulated value is written once";
    // The second input of ratio control, as INT or REAL.
    addPid(Pid("R4", {.inputMode = 3, .y2Name = "Level_In"}), 400);
    auto r4 = online("R4", &view);
    const std::pair<RawValue, std::vector<std::uint8_t>> writes[] = {
        {RawValue{std::int16_t{-2}}, Bytes({3, 0xD2, 0x07, 2, 0xFE, 0xFF})},
        {RawValue{1.5f}, Bytes({3, 0xD2, 0x07, 4, 0, 0, 0xC0, 0x3F})}};
    for (const auto& [value, bytes] : writes) {
        r4->markSecondInput(value);
        const auto written = requestsOf(*r4);
        ASSERT_EQ(written.size(), 2u);
        EXPECT_EQ(written[1].bytes, bytes);
    }
    EXPECT_TRUE(logged("zapis Y2 pro RIO\t"));
    EXPECT_TRUE(logged("zapis Y2 pro RIO (float)\t"));
}

TEST_F(PidExchange, OnlyValidDataAndEachHandOverOfTheWantDataFlagGiveAnExchange) {
    addPid(Pid("R1"), 100);
    r1 = online("R1", &view);
    r1->markGw(1);
    plc.clearHistory();
    r1->commTick();
    session->CommLoopCallback(request, (1u << 16) | (1u << 17));  // halted: bit 7 clear
    EXPECT_TRUE(plc.history().empty());
    ASSERT_TRUE(r1->lastDataTime().has_value());
    const LocalTime first = *r1->lastDataTime();
    r1->commTick();
    session->CommLoopCallback(request, (1u << 16) | (1u << 17));
    EXPECT_EQ(MillisecondsBetween(first, *r1->lastDataTime()), 0);
    EXPECT_TRUE(r1->pending().gW) << "kept for the next valid exchange";

    r1->commTick();
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(plc.history().size(), 2u) << "the read and the kept write";
    plc.clearHistory();
    session->CommLoopCallback(request, kRunning);
    session->CommLoopCallback(request, kRunning);
    EXPECT_TRUE(plc.history().empty());
    log.lines.clear();
    const int refreshes = view.refreshes;
    r1->commTick();
    EXPECT_TRUE(log.contains("Want data = true pro R1"));
    EXPECT_EQ(view.refreshes, refreshes + 1);
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(plc.history().size(), 1u);
}

}  // namespace
}  // namespace velmora::online::testing
