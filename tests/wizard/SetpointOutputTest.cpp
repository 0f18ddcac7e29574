#include "WizardTestSupport.h"
#include "wizard/OutputConfiguration.h"
#include "wizard/PageRules.h"
#include "wizard/SetpointModification.h"

namespace velmora::wizard {
namespace {

using SetpointAndOutputFile = testing::ControllerFileTest;

TEST_F(SetpointAndOutputFile, WritesNoTimeWithoutModificationStoredKeysSelectTheChoiceAndTheRampSetsItsBit) {
    WriteSetpointModification(*file, section(), {SetpointChoice::None, 40});
    EXPECT_EQ(keys(), (std::vector<std::string>{"WFiltr", "TiW"}));
    expectValues({{"WFiltr", "1"}, {"TiW", "0"}});
    WriteSetpointModification(*file, section(), {SetpointChoice::Ramp, 40});
    expectValues({{"WFiltr", "0"}, {"TiW", "40"}});
    for (const auto& [text, choice] : {std::pair{"", SetpointChoice::None},
                                       {"TiW=7\r\n", SetpointChoice::Filter},
                                       {"TiW=7\r\nWFiltr=0\r\n", SetpointChoice::Ramp},
                                       {"TiW=0\r\nWFiltr=0\r\n", SetpointChoice::Ramp}}) {
        writeFile(std::string("[Regulator PID_1]\r\n") + text);
        EXPECT_EQ(ReadSetpointModification(*file, section()).choice, choice) << text;
    }
    // The ramp sets its control bit and keeps the others, the filter clears it (reading back
    // a ramp is the running soft PLC's test in tests/host).
    auto& plc = plcWith({"PID_1_TiW", "PID_1_Control"});
    plc.memory["PID_1_Control"] = {0x03, 0x81};
    EXPECT_TRUE(WriteSetpointToPlc(context, {SetpointChoice::Ramp, 30}));
    EXPECT_EQ(plc::GetInt16(plc.memory["PID_1_TiW"].data()), 30);
    EXPECT_EQ(plc::GetInt16(plc.memory["PID_1_Control"].data()) & 0xFFFF, 0x8103);
    EXPECT_TRUE(WriteSetpointToPlc(context, {SetpointChoice::Filter, 30}));
    EXPECT_EQ(plc::GetInt16(plc.memory["PID_1_Control"].data()) & 0xFFFF, 0x8003);
    EXPECT_EQ(ReadSetpointFromPlc(context)->choice, SetpointChoice::Filter);
}

// The setpoint time is an integer up to 65535, the minimal action a multiple of
// the PLC's step; a three-stage output has no conversion.
TEST(PageValues, SetpointTimeMinimalActionOutputStatesAndControlBits) {
    for (const auto& [text, limited] :
         {std::pair{"-5", 1}, {"70000", 65535}, {"abc", 1}, {"0", 0}, {"65535", 65535}})
        EXPECT_EQ(LimitTiW(text), limited) << text;
    EXPECT_EQ(std::pair(TiWLabel(SetpointChoice::Ramp), TiWLabel(SetpointChoice::Filter)),
              std::pair(3157u, 3156u));
    for (const auto& [text, steps] : {std::pair{"1", 4}, {"3", 7}, {"-1", 0}, {"0,32", 1}, {"0,33", 2}})
        EXPECT_EQ(MinimalActionSteps(text), steps) << text;
    EXPECT_EQ(std::tuple(MinimalActionText(4, ','), MinimalActionText(7, ',')), std::tuple("1,28", "2,24"));
    // The shown values keep their step count when left again.
    for (int n = 0; n <= 7; ++n) EXPECT_EQ(MinimalActionSteps(MinimalActionText(n, ',')), n) << n;
    OutputControlStates s = OutputStates(false, OutputConversion::A8);
    EXPECT_FALSE(s.conversionEnabled || s.userScaleEnabled || s.bipolarEnabled);
    EXPECT_TRUE(s.negativeNameVisible);
    EXPECT_EQ(s.positiveLabel, 3182u);
    s = OutputStates(true, OutputConversion::UserScale);
    EXPECT_TRUE(s.conversionEnabled && s.userScaleEnabled);
    EXPECT_FALSE(s.bipolarEnabled || s.negativeNameVisible);
    EXPECT_EQ(s.positiveLabel, 3181u);
    s = OutputStates(true, OutputConversion::A12);
    EXPECT_TRUE(s.bipolarEnabled && !s.userScaleEnabled);
    OutputConfiguration u;
    u.positional = false, u.analog = true, u.conversion = OutputConversion::A8, u.shortActionFilter = true;
    u.minimalAction = "1,60";  // 5 steps
    // IP, A12 (also for 8 bit), FU0 and FU3.
    EXPECT_EQ(OutputControlBits(u), (1 << 5) | (1 << 2) | (1 << 13) | (1 << 15));
    u.analog = false, u.zeroShift = true, u.conversion = OutputConversion::A16, u.shortActionFilter = false;
    EXPECT_EQ(OutputControlBits(u), (1 << 5) | (1 << 4) | (1 << 1));
    EXPECT_EQ(OutputControlBits(u) & ~kOutputControlMask, 0);
}

TEST_F(SetpointAndOutputFile, WritesGroupSixInItsOrderAndReadsThePageDefaultsAndTheLastConversion) {
    OutputConfiguration u = NewOutputConfiguration(',');
    u.shortActionFilter = true, u.minimalAction = "1,28", u.uMax = "99,999", u.uMin = "-12,345";
    u.conversion = OutputConversion::UserScale, u.u1 = "10,5", u.u2 = "400", u.u3 = "90", u.u4 = "20000";
    u.upName = " Valve ";
    WriteOutputConfiguration(*file, section(), u);
    EXPECT_EQ(keys(), (std::vector<std::string>{"UPosition", "UAnalog",  "UF",      "UFiltr", "UTau", "UMax",
                                                "UMin",      "dUMax",    "AO",      "A8",     "A12",  "A16",
                                                "UReal",     "UMeasure", "Ux1",     "Ux2",    "Uy1",  "Uy2",
                                                "UpName",    "UmName",   "UBipolar"}));
    // UMax and UMin truncated, not rounded.
    const std::pair<const char*, const char*> written[] = {
        {"UF", "4"},     {"UMax", "9999"}, {"UMin", "-1234"}, {"A8", "0"},      {"UMeasure", "1"},
        {"Ux1", "1050"}, {"Ux2", "400"},   {"Uy1", "9000"},   {"Uy2", "20000"}, {"UpName", "Valve"},
    };
    for (const auto& [key, text] : written) EXPECT_EQ(value(key), text) << key;
    u.shortActionFilter = false;
    WriteOutputConfiguration(*file, section(), u);
    EXPECT_EQ(value("UF"), "0");
    file->eraseSection(section());
    u = ReadOutputConfiguration(*file, section(), ',');
    EXPECT_FALSE(u.positional || u.analog);
    EXPECT_EQ(u.conversion, OutputConversion::A8);
    EXPECT_EQ((std::vector<std::string>{u.uMax, u.u4, u.upName, u.umName}),
              (std::vector<std::string>{"0,00", "10000", "U1" + Text(3016), "U2" + Text(3016)}));
    writeFile("[Regulator PID_1]\r\nUF=7\r\nA16=1\r\nUReal=1\r\n");
    u = ReadOutputConfiguration(*file, section(), ',');
    EXPECT_EQ(std::tuple(u.shortActionFilter, u.minimalAction, u.conversion),
              std::tuple(true, "2,24", OutputConversion::Real));
    EXPECT_FALSE(OutputModeLocked(*file, section()));
    file->writeBool(section(), "Cascade", true);
    EXPECT_TRUE(OutputModeLocked(*file, section()));
}

TEST_F(SetpointAndOutputFile, TheOutputVariableMustFitTheConversionAndThreeStageNeedsBothNames) {
    variables["Valve"] = "INT %R10";
    OutputConfiguration u = NewOutputConfiguration(',');
    u.upName = "Valve";
    const auto check = [&] { return CheckOutputConfiguration(context, u); };
    EXPECT_EQ(refused(check), "Variable 'Valve' is not byte. Continue?");  // 8-bit wants a byte
    u.conversion = OutputConversion::Real;
    EXPECT_EQ(refused(check), Text(3412) + " 'Valve' " + Text(3432));
    messages.shown.clear();
    u.conversion = OutputConversion::A16;
    EXPECT_TRUE(check());
    EXPECT_TRUE(messages.shown.empty());
    // A three-stage output needs both names.
    variables["Up"] = "%X1.0";
    u = NewOutputConfiguration(',');
    u.analog = false, u.upName = "Up", u.umName = "";
    EXPECT_EQ(refused(check), Text(3429));
    EXPECT_EQ(messages.shown.at(0).caption, Text(3019));
    u.umName = "Down";
    EXPECT_EQ(refused(check), Text(3412) + " 'Down' " + Text(3413));
    u.upName = "";
    EXPECT_EQ(refused(check), Text(3429));
}

TEST_F(SetpointAndOutputFile, WritesLimitsScaleAndControlWord) {
    auto& plc = plcWith({"PID_1_MinU", "PID_1_Control", "PID_1_X41", "PID_1_X42", "PID_1_Y41", "PID_1_Y42"});
    plc.memory["PID_1_Control"] = {0xFF, 0xFF};
    OutputConfiguration u = NewOutputConfiguration(',');
    u.conversion = OutputConversion::UserScale, u.u1 = "10", u.u2 = "400", u.u3 = "90", u.u4 = "20000";
    u.uMin = "-5,5";
    EXPECT_TRUE(WriteOutputToPlc(context, u));
    for (const auto& [symbol, raw] :
         {std::pair{"PID_1_X41", 1000}, {"PID_1_X42", 9000}, {"PID_1_Y41", 400}, {"PID_1_Y42", 20000}})
        EXPECT_EQ(plc::GetInt16(plc.memory[symbol].data()), raw) << symbol;
    const auto& limits = plc.memory["PID_1_MinU"];
    EXPECT_EQ((std::vector{plc::GetInt16(limits.data()), plc::GetInt16(limits.data() + 2),
                           plc::GetInt16(limits.data() + 4)}),
              (std::vector<std::int16_t>{-550, 10000, 10000}));
    // Positional analog output in a user scale without short-action filter: every bit of the page is clear.
    EXPECT_EQ(plc::GetInt16(plc.memory["PID_1_Control"].data()) & 0xFFFF, 0xFFFF & ~kOutputControlMask);
    // The filter constant is not there: the data counts as unreachable.
    u.filter = true;
    plc.writes.clear();
    EXPECT_TRUE(WriteOutputToPlc(context, u));
    EXPECT_TRUE(plc.writes.empty());
}

}  // namespace
}  // namespace velmora::wizard
