#include "wizard/PidParameters.h"

#include "WizardTestSupport.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {
namespace {

// Leaving the band or a gain edit corrects the other: the band shown with
// one decimal, the gain with two, computed from the band as shown.
TEST(PidPage, EditsCorrectEachOtherWithinTheirRangesAndTheRemanentTextNamesTheRegister) {
    const std::pair<BandForm, BandForm> cases[] = {
        {LeaveBand("0", ','), {"0,1", "1000,00"}},
        {LeaveGain("3", ','), {"33,3", "3,00"}},
        {LeaveGain("abc", ','), {"100,0", "1,00"}},
        {LeaveRelCool("50", 20, ','), {"50,0", "10,00"}},
        {LeaveGainMinus("3", 20, ','), {"166,7", "3,00"}},
        {LeaveRelCool("5000", 20, ','), {"3000,0", "0,17"}},
    };
    for (const auto& [form, expected] : cases)
        EXPECT_EQ(std::pair(form.band, form.gain), std::pair(expected.band, expected.gain));
    const auto limit = [](const char* text, const auto& limits) { return LimitText(text, limits, ','); };
    EXPECT_EQ(
        (std::vector{limit("0", kPeriodLimits), limit("40000", kPeriodLimits), limit("-1", kTimeLimits),
                     limit("3500", kTimeLimits), limit("101", kPercentLimits), limit("0.5", kPercentLimits)}),
        (std::vector<std::string>{"0,01", "30000,00", "0,0", "3000,0", "100,00", "0,50"}));
    EXPECT_EQ((std::vector{SameRawRange("100", " 100"), SameRawRange("0", "10000"), SameRawRange("", "")}),
              (std::vector{true, false, false}));
    EXPECT_EQ(RemanentExplanation(false, "Loop"), Text(3555));
    std::string on = RemanentExplanation(true, "Loop");
    EXPECT_EQ(on.rfind(Text(3556) + " ", 0), 0u);
    EXPECT_NE(on.find("register Loop_Control.11 to value 1."), std::string::npos);
    EXPECT_EQ(on.find("%s"), std::string::npos);
}

using PidParameterFile = testing::ControllerFileTest;

TEST_F(PidParameterFile, WritesGroupFourInItsOrderWithRoundedScaledIntegers) {
    file->writeString(section(), "Name", "PID_1");
    PidParameters v = NewPidParameters(*file, section(), ',');
    v.band = "99,96";
    v.period = LimitText("0", kPeriodLimits, ',');
    v.eGap = "12,34";
    WritePidParameters(*file, section(), v, false);
    EXPECT_EQ(keys(), (std::vector<std::string>{"Name", "PBnd", "RelCool", "Ti", "Td", "EGap", "IGap", "DGap",
                                                "MaxY", "MinY", "OutCycle", "P41", "Remanent", "UDef",
                                                "UdefLastU", "FoundStruct"}));
    expectValues({{"PBnd", "1000"}, {"OutCycle", "1"}, {"EGap", "1234"}});
    expectValues({{"Ti", "100"}, {"IGap", "10000"}, {"Remanent", "1"}});
}

TEST_F(PidParameterFile, PlacementIsWrittenOnlyForStructuredTextAndExistingValuesAreShownScaledBack) {
    file->writeInteger(section(), "HeaderInST", 0);
    file->writeInteger(section(), "OffReg", 5);
    PidStorage storage = ReadPidStorage(*file, section());
    EXPECT_EQ(std::pair(storage.placementVisible, storage.structEnabled), std::pair(false, true));
    PidParameters v = ReadPidParameters(*file, section(), ',');
    v.placeReg = false;
    WritePidParameters(*file, section(), v, storage.placementVisible);
    expectValues({{"OffReg", "5"}, {"OffRem", "<absent>"}});
    file->writeInteger(section(), "HeaderInST", 1);
    storage = ReadPidStorage(*file, section());
    EXPECT_TRUE(storage.placementVisible);
    v.placeReg = true, v.offReg = "120", v.placeRem = true;
    v.offRem = "x";  // not an integer: compiler placement
    WritePidParameters(*file, section(), v, storage.placementVisible);
    expectValues({{"OffReg", "120"}, {"OffRem", "-1"}});
    v.placeReg = false;
    WritePidParameters(*file, section(), v, storage.placementVisible);
    EXPECT_EQ(value("OffReg"), "-1");
    // Existing values are shown scaled back.
    writeFile(
        "[Regulator PID_1]\r\nPBnd=250\r\nRelCool=500\r\nTi=123\r\nTd=5\r\nEGap=50\r\nIGap=9000\r\nDGap=1\r\n"
        "MaxY=4000\r\nMinY=-50\r\nOutCycle=25\r\nUDef=1234\r\nP41=1\r\nUdefLastU=1\r\nFoundStruct=1\r\n"
        "OffReg=-1\r\nOffRem=7\r\nRemanent=0\r\n");
    v = ReadPidParameters(*file, section(), ',');
    const std::pair<std::string, const char*> shown[] = {
        {v.band, "25,0"},  {v.relCool, "50,0"}, {v.ti, "12,3"},   {v.td, "0,5"},   {v.eGap, "0,50"},
        {v.iGap, "90,00"}, {v.dGap, "0,01"},    {v.maxY, "4000"}, {v.minY, "-50"}, {v.period, "0,25"},
        {v.uDef, "12,34"}, {v.offReg, "0"},     {v.offRem, "7"},  // a negative register shown as 0
    };
    for (const auto& [text, expected] : shown) EXPECT_EQ(text, expected);
    EXPECT_TRUE(v.p41 && v.lastAction && v.foundStruct && v.placeRem);
    EXPECT_FALSE(v.remanent || v.placeReg);
    // A new controller takes the range of its first input.
    writeFile("[Regulator PID_1]\r\nY1Min=-1000\r\nY1Max=8500\r\n");
    v = NewPidParameters(*file, section(), ',');
    EXPECT_EQ((std::vector<std::string>{v.minY, v.maxY, v.band, v.ti, v.eGap, v.period}),
              (std::vector<std::string>{"-1000", "8500", "100,0", "10,0", "1,00", "1,00"}));
    EXPECT_TRUE(v.foundStruct && v.remanent) << "mnemonic declarations";
    file->writeInteger(section(), "HeaderInST", 1);
    EXPECT_FALSE(NewPidParameters(*file, section(), ',').foundStruct);
}

TEST_F(PidParameterFile, WritesTruncatedValuesInStructureOrderSkipsUnreachableDataAndReportsAFailedWrite) {
    auto& plc = plcWith({"PID_1_OutCycle", "PID_1_MinY", "PID_1_DefOut"});
    PidParameters v = NewPidParameters(*file, section(), ',');
    v.band = "99,96";  // truncated for the PLC: 999
    v.iGap = "50,00";
    v.lastAction = true;
    EXPECT_TRUE(WritePidParametersToPlc(context, v));
    ASSERT_EQ(plc.writes.size(), 3u);
    EXPECT_EQ(plc.writes[0].first, "PID_1_OutCycle");
    const auto& block = plc.writes[0].second;
    ASSERT_EQ(block.size(), 16u);
    EXPECT_EQ(plc::GetInt16(block.data()), 100);  // OutCycle, then PBnd … IGap
    EXPECT_EQ(DecodePidParameters(block.data() + 2),
              (PidParameterBlock{999, 1000, 100, 10, 100, 10000, 5000}));
    EXPECT_EQ(plc::GetInt16(plc.writes[1].second.data() + 2), 10000);  // MaxY after MinY
    EXPECT_EQ(plc::GetInt16(plc.writes[2].second.data()), 11000);      // keep the last action
    auto back = ReadPidParametersFromPlc(context, v, ',');
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->band, back->period), std::tuple("99,9", "1,00"));
    // Symbols that do not resolve or no data at all: nothing written, no failure;
    // a write the data refuses is a failure.
    plc.symbols = {{"PID_1_OutCycle", 1}};
    plc.writes.clear();
    EXPECT_TRUE(WritePidParametersToPlc(context, NewPidParameters(*file, section(), ',')));
    EXPECT_TRUE(plc.writes.empty());
    plc.resolve({"PID_1_MinY", "PID_1_DefOut"});
    plc.failWrites = true;
    EXPECT_FALSE(WritePidParametersToPlc(context, NewPidParameters(*file, section(), ',')));
    context.controllerData = nullptr;
    EXPECT_TRUE(WritePidParametersToPlc(context, NewPidParameters(*file, section(), ',')));
    EXPECT_FALSE(ReadPidParametersFromPlc(context, {}, ','));
}

}  // namespace
}  // namespace velmora::wizard
