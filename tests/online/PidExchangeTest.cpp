// The PID and PIDMA exchanges: the block read for each configuration, where the received bytes
// land, the byte layout of every pending write in its order, the PIDMA's tuned-parameter read.
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
        EXPECT_EQ(std::tuple(requests[0].command, requests[0].bytes), std::tuple(kPlcRead, c.read));
        EXPECT_EQ(std::tuple(r->input3(), r->input2()), std::tuple(c.input3, c.input2));
        EXPECT_EQ(plc::GetInt16(r->tpid() + plc::PidOffset("Input1")), 0x1234);
        EXPECT_EQ(plc::GetUInt16(r->tpid() + plc::PidOffset("Control")), 1);
        EXPECT_TRUE(!*c.addOut || plc::GetInt16(r->additionalOutput().data()) == 10000);
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
    EXPECT_TRUE(logged("zapis Y2 pro RIO\t") && logged("zapis Y2 pro RIO (float)\t"));
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

class PidmaExchange : public ExchangeFixture, public ::testing::Test {
protected:
    void SetUp() override {
        addPidma(Pidma("T1"), 1000);
        t1 = online("T1", &view);
        ASSERT_TRUE(t1->online());
    }
    void putT1(int offset, float value) { putReal(1000 + offset, value); }
    std::unique_ptr<OnlineExchange> t1;
};

TEST_F(PidmaExchange, ShortReadTakesTheInputsParametersAndOutputs) {
    const std::pair<int, float> floats[] = {
        {plc::PidaOffset("sp"), 42.5f}, {plc::PidaOffset("tt"), 3.0f}, {plc::PidaOffset("mv"), 61.25f}};
    for (const auto& [at, v] : floats) putT1(at, v);
    plc.area(3)[1000 + plc::PidaOffset("ite")] = 6;
    plc.area(3)[1000 + plc::PidaOffset("b")] = 0x77;      // inside the first item
    plc.area(3)[1000 + plc::PidaOffset("hilim")] = 0x66;  // the first byte behind it
    plc.area(3)[1000 + plc::PidaOffset("pk")] = 0x55;     // behind the second item
    const auto requests = requestsOf(*t1);
    ASSERT_EQ(requests.size(), 1u);
    // 1000 = 0x3E8, 1166 = 0x48E
    EXPECT_EQ(requests[0].bytes, Bytes({3, 0xE8, 0x03, 84, 3, 0x8E, 0x04, 20}));
    const auto& image = t1->pidmaImage();
    for (const auto& [at, v] : floats) EXPECT_EQ(plc::GetReal(image.data() + at), v) << at;
    // Only the two items' bytes came over.
    for (const auto& [at, v] : {std::pair{plc::PidaOffset("ite"), 6},
                                {plc::PidaOffset("b"), 0x77},
                                {plc::PidaOffset("hilim"), 0},
                                {plc::PidaOffset("pk"), 0}})
        EXPECT_EQ(image[at], v) << at;
    EXPECT_TRUE(logged("cteni struktury PIDMAshort od _dv\tBh\t8\t104\t:\t"));
}

TEST_F(PidmaExchange, StructureViewReadsTheWholeImageAndTheAdditionalOutput) {
    addPidma(Pidma("T2", {.addOutName = "Flow_In"}), 3000);
    RecordingView other;
    auto t2 = online("T2", &other);
    exchangeOnce(*t1);  // both hand their first want-data over
    t2->setStructureView(true);
    plc.area(3)[3000 + plc::PidaOffset("pc") + 3] = 0x41;
    plc.area(3)[2030] = 0x99;
    plc.clearHistory();
    t2->commTick();
    session->CommLoopCallback(request, kRunning);
    const auto& requests = plc.history();
    ASSERT_EQ(requests.size(), 1u);  // T1 did not ask for data
    EXPECT_EQ(requests[0].bytes, Bytes({3, 0xB8, 0x0B, 226, 3, 0xEE, 0x07, 4}));
    EXPECT_EQ(std::tuple(t2->pidmaImage()[plc::PidaOffset("pc") + 3], t2->additionalOutput()[0]),
              std::tuple(0x41, 0x99));
    EXPECT_TRUE(logged("cteni struktury PIDMA od _dv\tBh\t8\t230\t:\t"));
}

TEST_F(PidmaExchange, EveryPendingWriteInItsOrderWithItsLayout) {
    t1->markParameters(PidmaParameterBlock{2.0f, 4.0f, 1.0f, 10.0f, 1.0f, 0.0f, 0.5f});
    EXPECT_EQ(requestsOf(*t1).size(), 1u) << "the parameters wait for the graph page";
    EXPECT_TRUE(t1->pending().parameters);
    t1->setGraphShown(true);
    t1->markSp(55.0f);
    t1->markMan(true);
    t1->markTaff(1);
    t1->markTune();
    t1->markTbrk();
    t1->markHv(12.5f);
    t1->markPv(33.0f);
    t1->markClearTuneError();
    plc.area(3)[1000 + plc::PidaOffset("TE")] = 1;
    const auto requests = requestsOf(*t1);
    ASSERT_EQ(requests.size(), 10u);
    const auto withFloats = [](std::vector<std::uint8_t> head, std::initializer_list<float> values) {
        for (float v : values) plc::AppendReal(head, v);
        return head;
    };
    // CHANGED at 1048, then k … tt from 1056.
    EXPECT_EQ(requests[1].bytes, withFloats(Bytes({3, 0x18, 0x04, 1, 1, 3, 0x20, 0x04, 28}),
                                            {2.0f, 4.0f, 1.0f, 10.0f, 1.0f, 0.0f, 0.5f}));
    EXPECT_EQ(requests[2].bytes, withFloats(Bytes({3, 0xEC, 0x03, 4}), {55.0f}));  // sp 1004
    EXPECT_EQ(requests[3].bytes, Bytes({3, 0xFC, 0x03, 1, 1}));                    // MAN 1020
    EXPECT_EQ(requests[4].bytes, Bytes({3, 0xFF, 0x03, 1, 1}));                    // TAFF 1023
    EXPECT_EQ(requests[5].bytes, Bytes({3, 0xFD, 0x03, 1, 1}));                    // TUNE 1021
    EXPECT_EQ(requests[6].bytes, Bytes({3, 0xFE, 0x03, 1, 1}));                    // TBRK 1022
    EXPECT_EQ(requests[7].bytes, withFloats(Bytes({3, 0xF8, 0x03, 4}), {12.5f}));  // hv 1016
    EXPECT_EQ(requests[8].bytes, withFloats(Bytes({3, 0xF0, 0x03, 4}), {33.0f}));  // pv 1008
    EXPECT_EQ(requests[9].bytes, Bytes({3, 0x9C, 0x04, 1, 0}));                    // TE 1180
    EXPECT_EQ(plc.area(3)[1000 + plc::PidaOffset("TE")], 0);
    for (const char* t : {"zapis parametru PIDMA\t", "zapis _sp\t", "zapis MAN\t", "zapis TAFF\t",
                          "zapis TUNE\t", "zapis TBRK\t", "zapis _hv\t", "zapis Y\t", "zapis TE\t"})
        EXPECT_TRUE(logged(t)) << t;
    EXPECT_EQ(requestsOf(*t1).size(), 1u) << "nothing is written twice";
}

TEST_F(PidmaExchange, TunedReadReportsByReasonAndAFailedOneNotAtAll) {
    const struct {
        TunedReadReason reason;
        std::uint8_t te, taff;
        int code;
    } cases[] = {{TunedReadReason::ParamsButton, 1, 1, 2},
                 {TunedReadReason::TunerFinished, 1, 1, 3},
                 {TunedReadReason::TunerFinished, 0, 1, 0},
                 {TunedReadReason::TunerFinished, 0, 0, 1}};
    const std::pair<int, float> tuned[] = {
        {plc::PidaOffset("k"), 1.5f}, {plc::PidaOffset("pk"), 2.5f}, {plc::PidaOffset("pc"), 0.25f}};
    for (const auto& [at, v] : tuned) putT1(at, v);
    for (const auto& c : cases) {
        plc.area(3)[1000 + plc::PidaOffset("TE")] = c.te;
        plc.area(3)[1000 + plc::PidaOffset("TAFF")] = c.taff;
        view.reports.clear();
        t1->markTunedRead(c.reason);
        const auto requests = requestsOf(*t1);
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].bytes, Bytes({3, 0x20, 0x04, 24, 3, 0xA2, 0x04, 24}));  // k 1056, pk 1186
        EXPECT_EQ(view.reports, std::vector<int>{c.code});
    }
    for (const auto& [at, v] : tuned) EXPECT_EQ(plc::GetReal(t1->pidmaImage().data() + at), v) << at;
    EXPECT_TRUE(logged("cteni parametru PIDMA\tBh\t8\t48\t:\t"));
    // A failed read posts no report.
    view.reports.clear();
    plc.beforeRequest = [](std::int32_t command, auto r, auto, auto) -> Answer {
        if (r.size() == 8 && r[3] == 24) return softplc::errors::kOutOfRange;
        return std::nullopt;
    };
    t1->markTunedRead(TunedReadReason::ParamsButton);
    requestsOf(*t1);
    EXPECT_TRUE(view.reports.empty() && !t1->pending().tunedRead);
    EXPECT_TRUE(logged("Comm Error\tSoft PLC: item outside its memory area"));
}

}  // namespace
}  // namespace velmora::online::testing
