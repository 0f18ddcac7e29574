// The online exchange's writes landing on the members the real generator placed.
#include <gtest/gtest.h>

#include <tuple>

#include "ExchangeFixture.h"
#include "PlcFixture.h"

namespace velmora::online::testing {
namespace {

class GeneratedEndToEnd : public PlcExchange {
protected:
    void SetUp() override { connect(project.path()); }
    softplc::testing::GeneratedProject project{VELMORA_SOURCE_DIR "/examples/demo", "PLC1"};
};

TEST_F(GeneratedEndToEnd, BothDialectsAreGeneratedAndLookedUp) {
    EXPECT_EQ(project.files(), (std::vector<std::string>{
                                   "main.orv", "Velmora\\Boiler_def.ST", "Velmora\\Boiler.orv",
                                   "Velmora\\Mixer_def.orv", "Velmora\\Mixer.orv", "Velmora\\Dryer_def.ST",
                                   "Velmora\\Dryer.orv", "Velmora\\Kiln_def.orv", "Velmora\\Kiln.orv"}));
    // Boiler is placed from OffReg=1000: filter words first, then Input3,
    // Input2 and T_PID, its members reached through the AT aliases. The
    // description's bit answers a text the operand parser reads (without BOOL).
    const std::pair<const char*, const char*> texts[] = {
        {"Boiler_AuxD1", "BYTE %R1000"}, {"Boiler_input3", "INT %R1028"}, {"Boiler_PBnd", "INT %R1065"},
        {"boiler_output", "INT %R1047"}, {"Boiler_T_UNF", "%R202.1"},
    };
    for (const auto& [name, text] : texts) EXPECT_EQ(plc.lookup(name), text) << name;
    const auto unf = plc.symbols().locate("Boiler_T_UNF");
    ASSERT_TRUE(unf);
    EXPECT_EQ(std::tie(unf->offset, unf->bit), std::make_tuple(202, 1));
}

TEST_F(GeneratedEndToEnd, CascadePidReadsAndWritesTheGeneratedMembers) {
    RecordingView view;
    OnlineExchange boiler(*fixture.session, "Boiler", &view);
    boiler.KomunikaceButton1_Click();
    ASSERT_TRUE(boiler.online()) << fixture.messages.shown.size();
    EXPECT_EQ(boiler.missingSymbols(), 0);
    // One read from Input3 (R1028) through the end of T_PID.
    EXPECT_EQ(boiler.item(ItemRole::PidBlock), (PlcItem{3, 1028, 54, true}));
    plc.writeInt16("Boiler_input3", 3000), plc.writeInt16("Boiler_input2", 2000);
    plc.writeInt16("Boiler_struct.Input1", 4500);
    loop.pass();
    EXPECT_EQ(std::make_tuple(boiler.input3(), boiler.input2()), std::make_tuple(3000, 2000));
    EXPECT_EQ(plc::GetInt16(boiler.tpid() + plc::PidOffset("Input1")), 4500);
    // MinY 0, MaxY 9000 from the controller file.
    EXPECT_EQ(PidInputValue(1, 4500, boiler.minY(), boiler.maxY(), 0, "Boiler", '.').text, "50.00%");
    boiler.setGraphShown(true);
    boiler.markParameters(PidParameterBlock::FromShown(25, 100, 120, 5, 0.2, 0, 0));
    boiler.markTiW(30), boiler.markGw(6000), boiler.markSecondInput(RawValue{std::int16_t{2100}});
    boiler.markOutput(4200);
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 5u);
    // Control (R1079) with CHN, then PBnd … IGap from R1065.
    ASSERT_EQ(writes[0].items.size(), 2u);
    EXPECT_EQ(writes[0].items[0].offset, 1079);
    EXPECT_TRUE(plc::GetUInt16(writes[0].items[0].data.data()) & kControlCHN);
    EXPECT_EQ(writes[0].items[1], Item(1065, Ints({250, 1000, 1200, 50, 20, 0, 0})));
    EXPECT_EQ(writes[1].items, Items{Item(1043, Ints({30}))});
    EXPECT_EQ(writes[2].items, Items{Item(1039, Ints({6000}))});
    // The second input goes to the controller's Y2 variable of the description.
    EXPECT_EQ(writes[3].items, Items{Item(204, Ints({2100}))});
    EXPECT_EQ(writes[4].items, Items{Item(1047, Ints({4200}))});
    // Read back through the structure, not the aliases the exchange used.
    for (const auto& [name, value] :
         {std::pair{"Boiler_struct.Output", 4200}, {"Boiler_struct.Ti", 1200}, {"Boiler_T2", 2100}})
        EXPECT_EQ(plc.readInt16(name), value) << name;
}

// The mnemonic dialect's structure overlay: one read of the whole structure,
// members reached with their "~" names, a write at the member's offset.
TEST_F(GeneratedEndToEnd, MnemonicPidReadsAndWritesThroughItsStructure) {
    RecordingView view;
    OnlineExchange mixer(*fixture.session, "Mixer", &view);
    mixer.KomunikaceButton1_Click();
    ASSERT_TRUE(mixer.online());
    EXPECT_EQ(mixer.item(ItemRole::PidBlock), (PlcItem{3, std::uint16_t(at("Mixer_struct")), 50, true}));
    plc.writeInt16("Mixer_struct~MaxY", 10000);
    loop.pass();
    EXPECT_EQ(plc::GetInt16(mixer.tpid() + plc::PidOffset("MaxY")), 10000);
    mixer.markGw(1234);
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].items, Items{Item(at("Mixer_struct") + plc::PidOffset("gW"), Ints({1234}))});
}

TEST_F(GeneratedEndToEnd, PidmaWritesLandInItsStructureInBothDialects) {
    RecordingView dryerView, kilnView;
    OnlineExchange dryer(*fixture.session, "Dryer", &dryerView);
    OnlineExchange kiln(*fixture.session, "Kiln", &kilnView);
    dryer.KomunikaceButton1_Click(), kiln.KomunikaceButton1_Click();
    ASSERT_TRUE(dryer.online() && kiln.online());
    const int d = at("Dryer_struct"), k = at("Kiln_dv");
    plc.writeFloat("Dryer_struct.pv", 37.5f), plc.writeFloat("Kiln_sp", 810.0f);
    loop.pass();
    EXPECT_EQ(plc::GetReal(dryer.pidmaImage().data() + plc::PidaOffset("pv")), 37.5f);
    EXPECT_EQ(plc::GetReal(kiln.pidmaImage().data() + plc::PidaOffset("sp")), 810.0f);
    dryer.setGraphShown(true), kiln.setGraphShown(true);
    dryer.markSp(48.0f), dryer.markMan(true);
    dryer.markParameters(PidmaParameterBlock{3.0f, 40, 0, 10, 1, 0, 20});
    kiln.markHv(12.5f);
    const auto writes = writesOfOnePass();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].items,
              (Items{Item(d + plc::PidaOffset("CHANGED"), {1}),
                     Item(d + plc::PidaOffset("k"), Reals({3.0f, 40.0f, 0.0f, 10.0f, 1.0f, 0.0f, 20.0f}))}));
    EXPECT_EQ(writes[1].items, Items{Item(d + plc::PidaOffset("sp"), Reals({48}))});
    EXPECT_EQ(writes[2].items, Items{Item(d + plc::PidaOffset("MAN"), {1})});
    EXPECT_EQ(writes[3].items, Items{Item(k + plc::PidaOffset("hv"), Reals({12.5f}))});
    for (const auto& [name, value] :
         {std::pair{"Dryer_struct.sp", 48.0f}, {"Dryer_k", 3.0f}, {"Kiln_hv", 12.5f}})
        EXPECT_EQ(plc.readFloat(name), value) << name;
}

}  // namespace
}  // namespace velmora::online::testing
