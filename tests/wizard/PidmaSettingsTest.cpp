#include "WizardTestSupport.h"
#include "wizard/PageRules.h"
#include "wizard/PidmaSettings.h"

namespace velmora::wizard {
namespace {

TEST(PidmaEdits, ShowTwoDecimalsAndAlgorithmTypesAreOneBasedCodes) {
    const struct {
        const char* text;
        double fallback;
        char separator;
        const char* shown;
    } cases[] = {{"2.5", 1, ',', "2,50"},
                 {"2,5", 1, '.', "2.50"},
                 {"gain", 4, ',', "4,00"},
                 {"-1e3", 4, ',', "-1000,00"},
                 {"123456.789", 0, ',', "123457,00"},
                 {"12345.678", 0, ',', "12345,70"}};
    for (const auto& c : cases)
        EXPECT_EQ(PidmaDecimalText(c.text, c.fallback, c.separator), c.shown) << c.text;
    EXPECT_EQ(AlgorithmTypes().front(), "D");
    // Stored 7 selects "PID"; 3, out of range, and 8, one past the list, the default.
    EXPECT_EQ((std::vector{ChoiceIndex(7, kTunerTypeFirst, 2, 7), ChoiceIndex(6, kTunerTypeFirst, 2, 7),
                           ChoiceIndex(3, kTunerTypeFirst, 2, 7), ChoiceIndex(8, kTunerTypeFirst, 2, 6),
                           ChoiceIndex(2, 1, 3, 2)}),
              (std::vector{1, 0, 1, 0, 1}));
}

using PidmaFile = testing::ControllerFileTest;

TEST_F(PidmaFile, PagesWriteCodesAndTextsAsShownReadThroughTheLeaveRuleAndNeedFloatVariables) {
    PidmaController c = NewPidmaController(*file, section(), ',');
    for (const auto& [i, text] :
         {std::pair{0, "1,00"}, {1, "4,00"}, {3, "10,00"}, {5, "0,00"}, {7, "100,00"}})
        EXPECT_EQ(c.values[i], text) << i;
    c.irtype = 6;  // "PI"
    c.values[0] = PidmaDecimalText("2.5", 1, ',');
    c.input = " In ", c.output = "Out";
    WritePidmaController(*file, section(), c, false);
    EXPECT_EQ(keys(),
              (std::vector<std::string>{"irtype", "RACT", "Remanent", "k", "ti", "td", "nd", "b", "c", "tt",
                                        "hilim", "lolim", "Input", "Output", "Ts", "FoundStruct"}));
    expectValues({{"irtype", "6"}, {"k", "2,50"}, {"Input", "In"}, {"Ts", "1,00"}});
    c.irtype = 1;  // "D"
    c.placeReg = true, c.offReg = "1000";
    WritePidmaController(*file, section(), c, true);
    expectValues({{"irtype", "1"}, {"OffReg", "1000"}, {"OffRem", "-1"}});
    // What the page reads: texts through the leave rule, defaults where unreadable.
    writeFile("[Regulator PID_1]\r\nk=0.25\r\nti=x\r\n");
    c = ReadPidmaController(*file, section(), ',');
    EXPECT_EQ(
        std::tuple(c.irtype, c.values[0], c.values[1], c.values[9], c.input, c.output, c.remanent),
        std::tuple(7, "0,25", "4,00", "1,00", Text(3433), Text(3434), true));  // ti unreadable: the fallback
    PidmaAutotuner t = NewPidmaAutotuner(',');
    EXPECT_EQ(t.values[2], "15,00");
    t.ittype = 6, t.values[0] = "3,00";
    file->eraseSection(section());
    WritePidmaAutotuner(*file, section(), t);
    EXPECT_EQ(keys(), (std::vector<std::string>{"ittype", "iainf", "ispeed", "ipid", "DGC", "tdg", "tn",
                                                "amp", "dy"}));
    expectValues({{"ittype", "6"}, {"ispeed", "2"}, {"tdg", "3,00"}});
    file->writeString(section(), "amp", "?");
    EXPECT_EQ(ReadPidmaAutotuner(*file, section(), ',').values[2], "0,00");
    variables["In"] = "REAL %R0";
    variables["Out"] = "INT %R4";
    c = PidmaController{};
    c.input = "", c.output = "Out";
    const auto check = [&] { return CheckPidmaController(context, c); };
    EXPECT_EQ(refused(check), Text(3428));
    c.input = "In", c.output = " ";
    EXPECT_EQ(refused(check), Text(3429));
    c.output = "Out";
    EXPECT_EQ(refused(check), "Variable 'Out' is not float variable. Continue?");
}

TEST_F(PidmaFile, ParametersGoToTheStructureLayout) {
    auto& plc = plcWith({"PID_1_Ts", "PID_1_itType"});
    PidmaController c = NewPidmaController(*file, section(), ',');
    c.irtype = 6, c.reverse = true;
    c.values[0] = "2,50";
    c.values[9] = "0,5";
    EXPECT_TRUE(WritePidmaControllerToPlc(context, c));
    const auto& block = plc.memory["PID_1_Ts"];
    ASSERT_EQ(block.size(), 48u);  // Ts at 44 up to lolim ending at 92
    EXPECT_FLOAT_EQ(plc::GetReal(block.data()), 0.5f);
    EXPECT_EQ(block[4], 1);  // CHANGED
    EXPECT_EQ(plc::GetInt32(block.data() + 6), 6);
    EXPECT_EQ(block[10], 1);                                 // RACT
    EXPECT_FLOAT_EQ(plc::GetReal(block.data() + 12), 2.5f);  // k at 56
    EXPECT_FLOAT_EQ(plc::GetReal(block.data() + 44), 0.0f);  // lolim at 88
    PidmaAutotuner t = NewPidmaAutotuner(',');
    t.ispeed = 3;
    EXPECT_TRUE(WritePidmaAutotunerToPlc(context, t));
    const auto& tuner = plc.memory["PID_1_itType"];
    ASSERT_EQ(tuner.size(), 34u);
    EXPECT_EQ(plc::GetInt32(tuner.data()), 7);
    EXPECT_FLOAT_EQ(plc::GetReal(tuner.data() + 18), 15.0f);  // amp at 118
    EXPECT_EQ(plc::GetInt32(tuner.data() + 26), 3);           // ispeed at 126
    auto back = ReadPidmaAutotunerFromPlc(context, {}, ',');
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->ispeed, back->values[2]), std::tuple(3, "15,00"));
}

}  // namespace
}  // namespace velmora::wizard
