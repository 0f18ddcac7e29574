// Headless run of the online exchange against the stand-in: the project's
// generated declarations loaded into the soft PLC, views switched online
// through the real look-up, the loop driving the callback, and the bytes
// the PLC receives for each pending write compared with the structures.
#include <gtest/gtest.h>

#include "ExchangeFixture.h"

namespace velmora::online::testing {
namespace {

class EndToEnd : public PlcExchange {
protected:
    void SetUp() override { connect(VELMORA_TEST_DATA "/project"); }
};

TEST_F(EndToEnd, PidWithCascadeReadsItsBlockAndWritesEachPendingValue) {
    RecordingView view;
    OnlineExchange r1(*fixture.session, "R1", &view);
    r1.KomunikaceButton1_Click();
    ASSERT_TRUE(r1.online()) << fixture.messages.shown.size();
    EXPECT_EQ(r1.item(ItemRole::PidBlock), (PlcItem{3, 100, 54, true}));

    plc.writeInt16("R1_input3", 3000);
    plc.writeInt16("R1_input2", 2000);
    plc.writeInt16("R1_Input1", 4000);
    plc.writeInt16("R1_Control", 0x0041);
    plc.writeInt16("Disturb", -500);
    loop.pass();
    EXPECT_EQ(r1.input3(), 3000);
    EXPECT_EQ(r1.input2(), 2000);
    EXPECT_EQ(DecodeInt16(r1.tpid() + tpid::Input1), 4000);
    EXPECT_EQ(DecodeInt16(r1.additionalOutput().data()), -500);
    EXPECT_EQ(PidInputValue(1, DecodeInt16(r1.tpid() + tpid::Input1), r1.minY(), r1.maxY(), 0, "R1", '.').text,
              "50.00%");

    r1.setGraphShown(true);
    r1.markParameters(PidParameterBlock::FromShown(50, 100, 20, 2, 0.5, 1, 100));
    r1.markTiW(10);
    r1.markGw(5000);
    r1.markSimulatedInputs(RawValue{std::int16_t{4100}}, RawValue{std::int16_t{2100}}, RawValue{std::int16_t{3100}});
    r1.markSecondInput(RawValue{std::int16_t{2200}});
    r1.markControl(0x0001);
    r1.markOutput(2500);
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 7u);

    EXPECT_EQ(writes[0].items, (Items{Item(at("R1_Control"), Ints({0x0841})),
                                      Item(at("R1_PBnd"), Ints({500, 1000, 200, 20, 50, 100, 10000}))}));
    EXPECT_EQ(writes[0].bytes.size(), 24u);
    EXPECT_EQ(writes[1].items, Items{Item(at("R1_tiW"), Ints({10}))});
    EXPECT_EQ(writes[2].items, Items{Item(at("R1_gW"), Ints({5000}))});
    EXPECT_EQ(writes[3].items, (Items{Item(2000, Ints({4100})), Item(2002, Ints({2100})), Item(2004, Ints({3100}))}));
    EXPECT_EQ(writes[4].items, Items{Item(2002, Ints({2200}))});
    EXPECT_EQ(writes[5].items, Items{Item(at("R1_Control"), Ints({0x0001}))});
    EXPECT_EQ(writes[6].items, Items{Item(at("R1_Output"), Ints({2500}))});
    EXPECT_EQ(plc.readInt16("R1_struct.Output"), 2500);
    EXPECT_TRUE(writesOfOnePass().empty()) << "every write went once";
}

TEST_F(EndToEnd, MnemonicPidWithStructureMembers) {
    RecordingView view;
    OnlineExchange r2(*fixture.session, "R2", &view);
    r2.KomunikaceButton1_Click();
    ASSERT_TRUE(r2.online());
    EXPECT_EQ(r2.item(ItemRole::PidBlock).offset, at("R2_struct"));
    EXPECT_EQ(r2.item(ItemRole::PidBlock).count, 50);
    plc.writeInt16("R2_struct~MaxY", 10000);
    loop.pass();
    EXPECT_EQ(DecodeInt16(r2.tpid() + tpid::MaxY), 10000);
    r2.markGw(1234);
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].items, Items{Item(at("R2_struct") + tpid::gW, Ints({1234}))});
}

TEST_F(EndToEnd, PidmaShortReadWritesAndTunerReport) {
    RecordingView view;
    OnlineExchange t1(*fixture.session, "T1", &view);
    t1.KomunikaceButton1_Click();
    ASSERT_TRUE(t1.online());
    const int dv = at("T1_dv");
    plc.writeFloat("T1_sp", 40.0f);
    plc.writeFloat("T1_mv", 62.5f);
    plc.writeFloat("T1_struct~de", -1.25f);
    loop.pass();
    EXPECT_EQ(DecodeFloat(t1.pidmaImage().data() + tpida::sp), 40.0f);
    EXPECT_EQ(PidmaPercentValue(DecodeFloat(t1.pidmaImage().data() + tpida::mv), '.').text, "62.50%");
    EXPECT_EQ(DecodeFloat(t1.pidmaImage().data() + tpida::de), -1.25f);

    t1.setGraphShown(true);
    t1.markParameters(PidmaParameterBlock{1.5f, 4, 1, 10, 1, 0, 1});
    t1.markSp(45.0f);
    t1.markMan(false);
    t1.markTaff(1);
    t1.markTune();
    t1.markTbrk();
    t1.markHv(20.0f);
    t1.markPv(41.0f);
    t1.markClearTuneError();
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 9u);
    EXPECT_EQ(writes[0].items, (Items{Item(dv + tpida::CHANGED, {1}),
                                      Item(dv + tpida::k, Reals({1.5f, 4.0f, 1.0f, 10.0f, 1.0f, 0.0f, 1.0f}))}));
    EXPECT_EQ(writes[0].bytes.size(), 37u);
    EXPECT_EQ(writes[1].items, Items{Item(dv + tpida::sp, Reals({45}))});
    EXPECT_EQ(writes[2].items, Items{Item(dv + tpida::MAN, {0})});
    EXPECT_EQ(writes[3].items, Items{Item(dv + tpida::TAFF, {1})});
    EXPECT_EQ(writes[4].items, Items{Item(dv + tpida::TUNE, {1})});
    EXPECT_EQ(writes[5].items, Items{Item(dv + tpida::TBRK, {1})});
    EXPECT_EQ(writes[6].items, Items{Item(dv + tpida::hv, Reals({20}))});
    EXPECT_EQ(writes[7].items, Items{Item(dv + tpida::pv, Reals({41}))});
    EXPECT_EQ(writes[8].items, Items{Item(dv + tpida::TE, {0})});

    plc.writeFloat("T1_pk", 2.25f);
    t1.markTunedRead(TunedReadReason::TunerFinished);
    writesOfOnePass();
    EXPECT_EQ(view.reports, std::vector<int>{0}) << "TAFF was set by the write before";
    EXPECT_EQ(DecodeFloat(t1.pidmaImage().data() + tpida::pk), 2.25f);
}

TEST_F(EndToEnd, ConnectionLostAndRegainedThroughTheLoop) {
    RecordingView view;
    OnlineExchange r2(*fixture.session, "R2", &view);
    r2.KomunikaceButton1_Click();
    loop.pass();
    EXPECT_EQ(view.lastState, TCommState::csRUN);
    EXPECT_TRUE(fixture.simTimer().enabled());
    loop.loseConnection(true);
    EXPECT_EQ(view.lastState, TCommState::csCommErr);
    EXPECT_FALSE(fixture.simTimer().enabled());
    r2.commTick();
    plc.clearHistory();
    loop.pass();  // null request function: nothing is asked of the PLC
    EXPECT_TRUE(plc.history().empty());
    EXPECT_EQ(r2.commTick().state, TDataState::dsDataERR);
    loop.regainConnection();
    plc.setMode(softplc::PlcMode::Halt);
    loop.pass();
    EXPECT_EQ(view.lastState, TCommState::csHALT);
    EXPECT_TRUE(fixture.simTimer().enabled());
    plc.setMode(softplc::PlcMode::Run);
    r2.commTick();
    loop.pass();
    EXPECT_EQ(r2.commTick().state, TDataState::dsDataOK);
}

}  // namespace
}  // namespace velmora::online::testing
