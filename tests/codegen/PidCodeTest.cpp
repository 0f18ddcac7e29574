// The PID code file: input conversions, range limits, controller call,
// output, control word, parameter values and start values.
#include "GeneratorFixture.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::CountContaining;
using testing::GeneratorTest;
using testing::IndexOf;

// The lines from `first` (inclusive) up to the next line equal to `until`.
std::vector<std::string> Slice(const std::vector<std::string>& lines, const std::string& first,
                               const std::string& until) {
    const int from = IndexOf(lines, first);
    if (from < 0) return {};
    std::vector<std::string> out;
    for (int i = from; i < static_cast<int>(lines.size()) && (i == from || lines[i] != until); ++i)
        out.push_back(lines[i]);
    return out;
}

const std::string kY1Title =
    ";-----Y1 Conversion ---- P 0 ---------------------------------------------------";
const std::string kY2Title =
    ";-----Y2 Conversion ---- P 0 ---------------------------------------------------";
const std::string kY3Title =
    ";-----Y3 Conversion ---- P 0 ---------------------------------------------------";

class PidInputs : public GeneratorTest {};

TEST_F(PidInputs, PseudoModesConvertRealInputs) {
    auto c = code("A", {{"Y1CNVMode", "-751"}, {"Y1Name", "Level"}});
    EXPECT_EQ(Slice(c, "\tLD\tLevel", "\tWR\tA_input1"),
              (std::vector<std::string>{"\tLD\tLevel", "\tLDL\t10.", "\tMUF", "\tIFW", "\tLD\t0", "\tCNV"}));
    for (const char* mode : {"-711", "-712"}) {
        const std::string name = std::string("M") + (mode + 1);
        auto m = code(name, {{"Y1CNVMode", mode}, {"Y1Name", "Level"}});
        EXPECT_EQ(
            Slice(m, "\tLD\tLevel", "\tWR\t" + name + "_input1"),
            (std::vector<std::string>{"\tLD\tLevel", "\tLDL\t100.", "\tMUF", "\tIFW", "\tLD\t0", "\tCNV"}));
    }
    auto other = code("B", {{"Y1CNVMode", "-700"}, {"Y1Name", "Level"}});
    EXPECT_EQ(Slice(other, "\tLD\tLevel", "\tWR\tB_input1"),
              (std::vector<std::string>{"\tLD\tLevel", "\tLD\t0", "\tCNV"}));
    // A valid mode is loaded as written.
    auto module = code("C", {{"Y1CNVMode", "0301"}, {"Y1Name", "Level"}});
    EXPECT_EQ(Slice(module, "\tLD\tLevel", "\tWR\tC_input1"),
              (std::vector<std::string>{"\tLD\tLevel", "\tLD\t0301", "\tCNV"}));
}

TEST_F(PidInputs, FilterAndScalingOperands) {
    auto c = code("A", {{"Y1Filtr", "1"}, {"Y1Measure", "1"}, {"Y1Name", "T1"}});
    EXPECT_EQ(Slice(c, kY1Title, "\tLD\tT1"),
              (std::vector<std::string>{kY1Title, "; Filtration", "\tLD __indx(A_AuXD1)", "\tLD\tA_Tau1",
                                        "; Scale modification", "\tLD __indx(A_X11)", "\tLD\t7"}));
    auto s = code("B", {{"Y1Measure", "1"}, {"Y1Name", "T1"}});
    EXPECT_EQ(Slice(s, kY1Title, "\tLD\tT1"),
              (std::vector<std::string>{kY1Title, "; Scale modification", "\tLD __indx(B_X11)", "\tLD\t3"}));
}

TEST_F(PidInputs, NormalizationWithCopyNeedsMatchingRangesAndAModule) {
    const testing::Keys match{
        {"Y1CNVMode", "301"}, {"Y1Min", "0"}, {"Y1Max", "10000"}, {"Y1Filtr", "1"}, {"Y1Name", "T1"}};
    EXPECT_EQ(Slice(code("A", match), "; Normalization with copy", "\tLD\tT1"),
              (std::vector<std::string>{"; Normalization with copy", "\tLD __indx(A_MinY)", "\tLD\t5"}));

    auto own = [&](const std::string& name, testing::Keys keys) {
        keys.push_back({"Y1Name", "T1"});
        return Slice(code(name, keys), kY1Title, "\tLD\tT1");
    };
    const std::vector<std::string> plain{kY1Title, "; Normalization (user entered his own MinY a MaxY)",
                                         "\tLD\t0", "\tLD\t0"};
    EXPECT_EQ(own("B", {{"Y1CNVMode", "0"}}), plain);                       // other source
    EXPECT_EQ(own("C", {{"Y1CNVMode", "301"}, {"Y1Max", "9000"}}), plain);  // own range
    EXPECT_EQ(own("D", {{"Y1CNVMode", "301"}, {"MinY", "100"}}), plain);    // controller range differs
    EXPECT_EQ(own("E", {{"Y1CNVMode", "301"}, {"InputMode", "2"}, {"Y2Max", "5000"}}), plain);
    EXPECT_EQ(own("F", {{"Y1CNVMode", "301"}, {"InputMode", "2"}}).size(), 4u);  // Y2 fits too: with copy
}

TEST_F(PidInputs, FurtherInputsAreConvertedWithoutCopy) {
    auto c = code("A", {{"InputMode", "2"},
                        {"Cascade", "1"},
                        {"Y2Name", "Flow"},
                        {"Y2CNVMode", "2010"},
                        {"Y3Name", "Pos.Value"},
                        {"Y3Filtr", "1"}});
    EXPECT_EQ(Slice(c, kY2Title, "\tWR\tA_input2"),
              (std::vector<std::string>{kY2Title, "; Normalization", "\tLD\t0", "\tLD\t0", "\tLD\tFlow",
                                        "\tLD\t2010", "\tCNV"}));
    EXPECT_EQ(Slice(c, kY3Title, "\tWR\tA_input3"),
              (std::vector<std::string>{kY3Title, "; Filtration", "\tLD __indx(A_AuXD3)", "\tLD\tA_Tau3",
                                        "; Normalization", "\tLD\t0", "\tLD\t4", "\tLD\tPos~Value", "\tLD\t0",
                                        "\tCNV"}));
    EXPECT_LT(IndexOf(c, kY1Title), IndexOf(c, kY2Title));
    EXPECT_LT(IndexOf(c, kY2Title), IndexOf(c, kY3Title));
}

TEST_F(PidInputs, MissingNamesCannotCompile) {
    auto c = code("A", {{"InputMode", "2"}, {"Cascade", "1"}});
    EXPECT_TRUE(Contains(c, "\tLD\tY1_not_defined"));
    EXPECT_TRUE(Contains(c, "\tLD\tY2_mebylo_definovano!!"));
    EXPECT_TRUE(Contains(c, "\tLD\tY3_not_defined"));
    EXPECT_TRUE(Contains(c, "#ifndef Y1_not_defined"));
}

TEST_F(PidInputs, RangeLimitsOnlyForNamedFlags) {
    auto c =
        code("A", {{"Y1OVF", "Over.Flag"}, {"InputMode", "2"}, {"Y2UNF", "Under2"}, {"Y3OVF", "NotPresent"}});
    EXPECT_EQ(Slice(c, "\tLD\tOver~Flag", "\tLD\tUnder2"),
              (std::vector<std::string>{"\tLD\tOver~Flag", "\tWR\t%S1.0", "\tLD\t$7FFF", "\tPUT\tA_Input1"}));
    EXPECT_EQ(Slice(c, "\tLD\tUnder2", ""),
              (std::vector<std::string>{"\tLD\tUnder2", "\tWR\t%S1.0", "\tLD\t$8001", "\tPUT\tA_Input2"}));
    EXPECT_EQ(CountContaining(c, "$8001"), 1);
    EXPECT_EQ(CountContaining(c, "$7FFF"), 1);      // Y1OVF only
    EXPECT_FALSE(Contains(c, "\tLD\tNotPresent"));  // input 3 is not there
    EXPECT_EQ(CountContaining(code("B", {}), "$7FFF"), 0);
}

TEST_F(PidInputs, ReferencesFollowAlias) {
    auto aliased = code("A", {{"Y1OVF", "F"}, {"HeaderInST", "1"}});
    EXPECT_TRUE(Contains(aliased, "\tWR\tA_input1"));
    EXPECT_TRUE(Contains(aliased, "\tPUT\tA_Input1"));
    EXPECT_TRUE(Contains(aliased, "\tLD __indx(A_MinY)"));
    EXPECT_TRUE(Contains(aliased, "\tWR\tA_Det"));

    auto plain = code("B", {{"Y1OVF", "F"}, {"HeaderInST", "1"}, {"Alias", "0"}});
    EXPECT_TRUE(Contains(plain, "\tWR\tB_struct.Input1"));
    EXPECT_TRUE(Contains(plain, "\tPUT\tB_struct.Input1"));
    EXPECT_TRUE(Contains(plain, "\tLD  __indx(B_struct.MinY)"));
    EXPECT_TRUE(Contains(plain, "\tWR\tB_struct.Det"));
}

class PidOutput : public GeneratorTest {};

const std::string kOutputTitle =
    ";-----Controller output --------------------------------------------------------";

TEST_F(PidOutput, PulseOutputIsTheCodesDefault) {
    auto c = code("A", {{"HeaderInST", "1"}, {"UpName", "Up"}, {"UmName", "Down"}});
    EXPECT_EQ(Slice(c, kOutputTitle, "E 0"),
              (std::vector<std::string>{kOutputTitle, "\tLD\tA_Status.UH", "\tWR\tUp", "\tLD\tA_Status.UC",
                                        "\tWR\tDown", "\tLD\tA_Control.CHN", "\tCAD\tA_L3"}));
    EXPECT_TRUE(Contains(c, "#ifndef Down"));  // the down output is checked only for a pulse output
}

TEST_F(PidOutput, StatusAndControlBitsPerDialect) {
    auto iecPlain = code("A", {{"HeaderInST", "1"}, {"Alias", "0"}});
    EXPECT_TRUE(Contains(iecPlain, "\tLD\tA_struct.Status.UH"));
    EXPECT_TRUE(Contains(iecPlain, "\tLD\tA_struct.Control.CHN"));
    auto overlay = code("B", {{"FoundStruct", "1"}});
    EXPECT_TRUE(Contains(overlay, "\tLD\tB_Status~UC"));
    EXPECT_TRUE(Contains(overlay, "\tWR\tB_Control~CHN"));
    auto registers = code("C", {});
    EXPECT_TRUE(Contains(registers, "\tLD\tC_Status.0"));
    EXPECT_TRUE(Contains(registers, "\tLD\tC_Status.1"));
    EXPECT_TRUE(Contains(registers, "\tLD\tC_Control.11"));
}

TEST_F(PidOutput, AnalogOutputVariants) {
    auto plain = code("A", {{"UAnalog", "1"}, {"UpName", "Valve"}});
    EXPECT_EQ(
        Slice(plain, kOutputTitle, "\tWR\tValve"),
        (std::vector<std::string>{kOutputTitle, "\tLD\t0", "\tLD\t0", "\tLD\tA_ConOut", "\tLD\t0", "\tCNV"}));
    EXPECT_FALSE(Contains(plain, "#ifndef "));  // no UmName check (and the name is empty anyway)

    auto full = code("B", {{"UAnalog", "1"},
                           {"UFiltr", "1"},
                           {"UTau", "12"},
                           {"UMeasure", "1"},
                           {"A8", "1"},
                           {"UpName", "Valve"}});
    EXPECT_EQ(Slice(full, kOutputTitle, "\tWR\tValve"),
              (std::vector<std::string>{kOutputTitle, "; Filtration", "\tLD __indx(B_AuXD4)", "\tLD\t12",
                                        "\tLD __indx(B_X41)", "\tLD\t7", "\tLD\tB_CurOut", "\tLD\t0", "\tCNV",
                                        "\tROR\t4"}));

    auto real =
        code("C", {{"UAnalog", "1"}, {"UReal", "1"}, {"UFiltr", "1"}, {"UpName", "Valve"}, {"Alias", "0"}});
    EXPECT_EQ(Slice(real, "\tLD __indx(C_AuXD4)", "\tWR\tValve"),
              (std::vector<std::string>{"\tLD __indx(C_AuXD4)", "\tLD\t0", "\tLD\t0", "\tLD\t4",
                                        "\tLD\tC_struct.ConOut", "\tLD\t0", "\tCNV", "\tIWF", "\tLDL\t100.",
                                        "\tDIF"}));
}

TEST_F(PidOutput, OutputFilterStartsFromTheCurrentAction) {
    const std::string title =
        ";-----U Conversion ---- Initialisation -----------------------------------------";
    auto c = code("A", {{"UAnalog", "1"}, {"UFiltr", "1"}, {"A16", "1"}});
    EXPECT_EQ(Slice(c, title, "\tCNV"),
              (std::vector<std::string>{title, "; Filtration", "\tLD __indx(A_AuXD4)", "\tLD\t0", "\tLD\t0",
                                        "\tLD\t4", "\tLD\tA_CurOut", "\tLD\t0"}));
    EXPECT_FALSE(Contains(code("B", {{"UFiltr", "1"}}), title));  // pulse output: no output filter
}

class ControlWord : public GeneratorTest {
protected:
    std::string word(const std::string& name, testing::Keys keys) {
        auto c = code(name, keys);
        const int at = IndexOf(c, "\tWR\t" + name + "_Control_rem");
        return at > 0 ? c[at - 1] : std::string("<none>");
    }
};

TEST_F(ControlWord, DocumentedExample) {
    EXPECT_EQ(word("A", {{"UF", "5"}, {"P41", "1"}, {"InputMode", "2"}, {"A12", "1"}, {"WFiltr", "0"}}),
              "\tLD\t#2#1010010110110101");
}

TEST_F(ControlWord, EachSettingSetsItsBit) {
    // Defaults: RC, plus BU (pulse output) and IP (incremental); the setpoint filter is on.
    const std::string base = "\tLD\t#2#0000000000110001";
    EXPECT_EQ(word("Base", {}), base);
    auto bit = [&](const std::string& name, testing::Keys keys, int number, char value) {
        std::string expected = base;
        expected[expected.size() - 1 - number] = value;
        EXPECT_EQ(word(name, keys), expected) << name;
    };
    bit("AO", {{"AO", "1"}}, 1, '1');
    bit("A8", {{"A8", "1"}}, 2, '1');
    bit("A12", {{"A12", "1"}}, 2, '1');
    bit("KC", {{"Cascade", "1"}}, 3, '1');
    bit("BU", {{"UAnalog", "1"}}, 4, '0');
    bit("IP", {{"UPosition", "1"}}, 5, '0');
    bit("AM", {{"AM", "1"}}, 6, '1');
    bit("HR", {{"InputMode", "2"}}, 7, '1');
    bit("RF", {{"WFiltr", "0"}}, 8, '1');
    bit("RIO", {{"InputMode", "3"}}, 9, '1');
    bit("R41", {{"P41", "1"}}, 10, '1');
    bit("FU0", {{"UF", "1"}}, 13, '1');
    bit("FU1", {{"UF", "2"}}, 14, '1');
    bit("FU3", {{"UF", "4"}}, 15, '1');
}

class PidValues : public GeneratorTest {};

TEST_F(PidValues, UserScaleOfTheOutput) {
    auto c = code(
        "A",
        {{"UAnalog", "1"}, {"UMeasure", "1"}, {"Ux1", "0"}, {"Uy1", "4000"}, {"Ux2", "0"}, {"Uy2", "20000"}});
    EXPECT_EQ(Slice(c, "\tWR\tA_Control_rem", ""),
              (std::vector<std::string>{"\tWR\tA_Control_rem", "\tLD\t0", "\tWR\tA_X41_rem", "\tLD\t4000",
                                        "\tWR\tA_X42_rem", "\tLD\t0", "\tWR\tA_Y41_rem", "\tLD\t20000",
                                        "\tWR\tA_Y42_rem"}));
}

TEST_F(PidValues, BipolarAndWordOutputScales) {
    auto bipolar = code("A", {{"UAnalog", "1"}, {"UBipolar", "1"}});
    EXPECT_EQ(Slice(bipolar, "\tWR\tA_Control_rem", "").size(), 9u);
    EXPECT_TRUE(Contains(bipolar, "\tLD\t-10000"));
    EXPECT_EQ(IndexOf(bipolar, "\tLD\t4095") + 1, IndexOf(bipolar, "\tWR\tA_Y42_rem"));
    auto word = code("B", {{"UAnalog", "1"}, {"A16", "1"}, {"UFiltr", "1"}, {"UTau", "7"}});
    EXPECT_EQ(Slice(word, "\tWR\tB_Control_rem", ""),
              (std::vector<std::string>{"\tWR\tB_Control_rem", "\tLD\t7", "\tWR\tB_Tau4_rem", "\tLD\t0",
                                        "\tWR\tB_X41_rem", "\tLD\t10000", "\tWR\tB_X42_rem", "\tLD\t0",
                                        "\tWR\tB_Y41_rem", "\tLD\t30000", "\tWR\tB_Y42_rem"}));
}

TEST_F(PidValues, DefaultsOfTheRetainedParameters) {
    auto c = code("A", {});
    EXPECT_EQ(Slice(c, "\tLD\t51", "\tWR\tA_Control_rem"),
              (std::vector<std::string>{"\tLD\t51",
                                        "\tWR\tA_Size_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_MinY_rem",
                                        "\tLD\t10000",
                                        "\tWR\tA_MaxY_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_MinU_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_MaxU_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_dMaxU_rem",
                                        "\tLD\t100",
                                        "\tWR\tA_OutCycle_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_DefOut_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_TiW_rem",
                                        "\tLD\t1000",
                                        "\tWR\tA_PBnd_rem",
                                        "\tLD\t1000",
                                        "\tWR\tA_RelCool_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_Ti_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_Td_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_EGap_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_DGap_rem",
                                        "\tLD\t0",
                                        "\tWR\tA_IGap_rem",
                                        "\tLD\t#2#0000000000110001"}));
}

TEST_F(PidValues, InputGroupsComeFirstAndLastActionOnError) {
    auto c = code("A", {{"Y1Filtr", "1"},
                        {"Y1Tau", "25"},
                        {"Y1Measure", "1"},
                        {"Y1x2", "8000"},
                        {"UdefLastU", "1"},
                        {"UDef", "1234"}});
    EXPECT_EQ(Slice(c, "\tWR\tA_Size_rem", "\tWR\tA_MinY_rem"),
              (std::vector<std::string>{"\tWR\tA_Size_rem", "\tLD\t25", "\tWR\tA_Tau1_rem", "\tLD\t0",
                                        "\tWR\tA_X11_rem", "\tLD\t8000", "\tWR\tA_X12_rem", "\tLD\t0",
                                        "\tWR\tA_Y11_rem", "\tLD\t10000", "\tWR\tA_Y12_rem", "\tLD\t0"}));
    EXPECT_EQ(IndexOf(c, "\tLD\t11000") + 1, IndexOf(c, "\tWR\tA_DefOut_rem"));
}

TEST_F(PidValues, StartValues) {
    auto after = [&](const std::string& name, testing::Keys keys, const std::string& first = "_Det") {
        auto c = code(name, keys);
        return Slice(c, "\tMOV\t" + name + first, ";" + std::string(79, '-'));
    };
    EXPECT_EQ(after("Man", {{"MinY", "200"}, {"Output", "3300"}}),
              (std::vector<std::string>{"\tMOV\tMan_Det", "\tLD\t200", "\tWR\tMan_gW", "\tLD\t3300",
                                        "\tWR\tMan_Output", "\tRET", ""}));
    // Automatic: the setpoint in raw units, truncated.
    EXPECT_EQ(after("Auto", {{"AM", "1"}, {"MinY", "100"}, {"MaxY", "9100"}, {"gW", "3333"}})[1],
              "\tLD\t3099");
    // Ratio control: gW is the ratio itself; the zone starts at the ratio input.
    EXPECT_EQ(after("Ratio", {{"InputMode", "3"}, {"gW", "150"}, {"AM", "1"}, {"Output", "40"}}, "_input2"),
              (std::vector<std::string>{"\tMOV\tRatio_input2", "\tLD\t150", "\tWR\tRatio_gW", "\tLD\t40",
                                        "\tWR\tRatio_Output", "\tRET", ""}));
}

TEST_F(PidValues, WithoutRemanentValuesGoToTheWorkingData) {
    auto iec = code("A", {{"HeaderInST", "1"}, {"Remanent", "0"}, {"Y1Filtr", "1"}, {"Y1Tau", "9"}});
    EXPECT_EQ(CountContaining(iec, "_rem"), 0);
    EXPECT_EQ(CountContaining(iec, "CAD"), 0);
    EXPECT_TRUE(Contains(iec, "\tWR\tA_Tau1"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.MinY"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.TiW"));
    EXPECT_TRUE(Contains(iec, "\tWR\tA_struct.gW"));
    EXPECT_EQ(iec[IndexOf(iec, "\tRET") + 1], "E 60");

    auto overlay = code("B", {{"Remanent", "0"}, {"FoundStruct", "1"}});
    EXPECT_TRUE(Contains(overlay, "\tWR\tB_struct~Control"));
    EXPECT_TRUE(Contains(overlay, "\tWR\tB_struct~Output"));
    // Separate registers: the members are registers of their own names.
    auto registers = code("C", {{"Remanent", "0"}});
    EXPECT_TRUE(Contains(registers, "\tWR\tC_PBnd"));
    EXPECT_TRUE(Contains(registers, "\tWR\tC_gW"));
    EXPECT_EQ(CountContaining(registers, "_struct"), 0);
}

TEST_F(PidValues, BackupRoutinesCopyFromTheFirstRetainedVariable) {
    auto c = code("A", {{"Cascade", "1"}, {"HeaderInST", "1"}});
    EXPECT_TRUE(Contains(c, "\tEQ\t53"));
    EXPECT_TRUE(Contains(c, "\tLD __offset(A_input3_rem)"));
    EXPECT_TRUE(Contains(c, "\tSRC\tbyte A_input3_rem"));
    EXPECT_TRUE(Contains(c, "\tMOV\tA_input3"));
    EXPECT_TRUE(Contains(c, "\tSRC\tbyte A_input3"));

    auto plain = code("B", {{"HeaderInST", "1"}, {"Alias", "0"}});
    EXPECT_TRUE(Contains(plain, "\tMOV\tB_struct.Det"));
    EXPECT_TRUE(Contains(plain, "\tSRC\tbyte B_struct.Det"));
    EXPECT_TRUE(Contains(plain, "\tMOV\tB_Det_rem"));
}

}  // namespace
}  // namespace velmora
