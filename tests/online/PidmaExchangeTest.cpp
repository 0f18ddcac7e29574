// The PIDMA exchange: short and whole reads, the byte layout of every pending
// write in its order, and the tuned-parameter read with its report code.
#include <gtest/gtest.h>

#include "ExchangeFixture.h"

namespace velmora::online::testing {
namespace {

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
    EXPECT_EQ(t2->pidmaImage()[plc::PidaOffset("pc") + 3], 0x41);
    EXPECT_EQ(t2->additionalOutput()[0], 0x99);
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
        ASSERT_EQ(view.reports.size(), 1u);
        EXPECT_EQ(view.reports[0], c.code);
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
    EXPECT_TRUE(view.reports.empty());
    EXPECT_FALSE(t1->pending().tunedRead);
    EXPECT_TRUE(logged("Comm Error\tSoft PLC: item outside its memory area"));
}

}  // namespace
}  // namespace velmora::online::testing
