// The generator frame: which files a run writes and when, release numbers,
// the consistency pass, the PLC series rules, banners, footers, the
// compile-start pass and the whole files of the demo controllers.
#include <climits>
#include <fstream>

#include "codegen/ControllerSettings.h"
#include "support/GeneratorFixture.h"

namespace velmora {
namespace {

using testing::Contains;
using testing::CountContaining;
using testing::GeneratorTest;
using testing::IndexOf;

class Frame : public GeneratorTest {};

TEST_F(Frame, MissingControllerFileOrNameWritesNothingAndOnlyTheMismatchRebuildsTheReport) {
    int reports = 0;
    ctx.rebuildReport = [&] { ++reports; };
    GeneratorResult r = generate("Boiler");
    EXPECT_FALSE(r.generated);
    EXPECT_TRUE(r.files.empty());
    EXPECT_EQ(reports, 0);
    EXPECT_FALSE(std::filesystem::exists(controllerFile()));
    EXPECT_TRUE(std::filesystem::is_empty(dir_ / "Velmora"));
    std::ofstream(controllerFile(), std::ios::binary)
        << "[Regulator Boiler]\r\nName=Kettle\r\nReleaseNumber=4\r\n";
    r = generate("Boiler");
    EXPECT_FALSE(r.generated);
    EXPECT_NE(r.warning.find("Kettle"), std::string::npos);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(readKey("Boiler", "ReleaseNumber"), "4");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Velmora" / "Boiler.orv"));
    // A section without Name is no controller either ("Chyba" is the reader's default).
    EXPECT_FALSE(generate("Nobody").generated);
    // The section is found in any case, the Name must match exactly.
    std::ofstream(controllerFile(), std::ios::binary) << "[regulator boiler]\r\nName=Boiler\r\n";
    EXPECT_TRUE(generate("Boiler").generated);
    EXPECT_FALSE(generate("BOILER").generated);
}

TEST_F(Frame, WritesRegistersAndMarksInOrder) {
    addController("Boiler", {{"HeaderInST", "1"}});
    std::vector<std::string> events;
    ctx.registerFile = [&](const std::string& name) {
        events.push_back("register " + name);
        return false;  // an unregistered file is still a generated file
    };
    ctx.rebuildReport = [&] { events.push_back("report"); };
    ctx.log = [&](std::string_view line) { events.push_back("log " + std::string(line)); };
    GeneratorResult r = generate("Boiler");
    EXPECT_TRUE(r.generated);
    EXPECT_EQ(r.files, (std::vector<std::string>{"Velmora\\Boiler_def.ST", "Velmora\\Boiler.orv"}));
    EXPECT_EQ(events, (std::vector<std::string>{
                          "log GenerateController Boiler", "register Velmora\\Boiler_def.ST",
                          "register Velmora\\Boiler.orv", "report", "log GenerateController Boiler - end"}));
}

class Release : public GeneratorTest {};

TEST_F(Release, IncrementsAndWrapsAt16Bits) {
    addController("Mixer", {{"ReleaseNumber", "65534"}});
    run("Mixer");
    EXPECT_TRUE(Contains(lines("Velmora\\Mixer_def.orv"), "#def Mixer_ReleaseNumber 65535"));
    run("Mixer");
    EXPECT_TRUE(Contains(lines("Velmora\\Mixer_def.orv"), "#def Mixer_ReleaseNumber 0"));
    EXPECT_EQ(readKey("Mixer", "ReleaseNumber"), "0");
    run("Mixer");
    EXPECT_EQ(readKey("Mixer", "ReleaseNumber"), "1");
    EXPECT_EQ(NextReleaseNumber(-1), 0);
    EXPECT_EQ(NextReleaseNumber(70000), 70001 - 65536);
    EXPECT_EQ(NextReleaseNumber(INT_MAX), 0);
}

class Consistency : public GeneratorTest {};

TEST_F(Consistency, ModeOfAnotherModuleGroupIsReset) {
    ctx.plcType = 3;
    addController("Boiler", {{"Y1CNVMode", "2010"},
                             {"Y1Unit", "Dogwood ElmA"},
                             {"Y2CNVMode", "1510"},
                             {"Y2Unit", "Hazel-KA"},
                             {"Y3CNVMode", "-751"},
                             {"Y3Unit", "Real"}});
    run("Boiler");
    EXPECT_EQ(readKey("Boiler", "Y1CNVMode"), "2010");
    EXPECT_EQ(readKey("Boiler", "Y1Unit"), "Dogwood ElmA");
    EXPECT_EQ(readKey("Boiler", "Y2CNVMode"), "0");
    EXPECT_EQ(readKey("Boiler", "Y2Unit"), "Other");
    EXPECT_EQ(readKey("Boiler", "Y3CNVMode"), "-751");
    // The code already uses the corrected mode (input 2 is not converted here, so check a present one).
    ctx.plcType = 0;
    IniFile(controllerFile()).writeString("Regulator Boiler", "Y1CNVMode", "401");
    auto c = run("Boiler").second;
    EXPECT_EQ(readKey("Boiler", "Y1CNVMode"), "0");
    EXPECT_FALSE(Contains(c, "\tLD\t401"));
    // PIDMA controllers are left alone.
    ctx.plcType = 14;
    addController("Dryer", {{"Type", "PIDA"}, {"Y1CNVMode", "401"}, {"Y1Unit", "Hazel-KA"}});
    run("Dryer");
    EXPECT_EQ(readKey("Dryer", "Y1CNVMode"), "401");
    EXPECT_EQ(readKey("Dryer", "Y1Unit"), "Hazel-KA");
}

// Module groups 4, 11, 12 and 15 on type 10 only, 5 on 12 and 13, 20 on 0 to 3,
// 40 on 11; pseudo modes and modes of no group everywhere.
TEST_F(Consistency, GroupTable) {
    const struct {
        int mode;
        std::vector<int> fits, not_;
    } rows[] = {{401, {10}, {11}},          {1101, {10}, {11}},        {1210, {10}, {11}},
                {1510, {10}, {11}},         {501, {12, 13}, {11, 14}}, {2010, {0, 3}, {4, -1}},
                {4001, {11}, {10}},         {0, {0, 10, 11, 14}, {}},  {-751, {0, 10, 11, 14}, {}},
                {3001, {0, 10, 11, 14}, {}}};
    for (const auto& r : rows) {
        for (int type : r.fits)
            EXPECT_TRUE(codegen::ConversionModeFits(r.mode, type)) << r.mode << " " << type;
        for (int type : r.not_)
            EXPECT_FALSE(codegen::ConversionModeFits(r.mode, type)) << r.mode << " " << type;
    }
}

class Series : public GeneratorTest {};

TEST_F(Series, IecDeclarationsNeedSeriesSix) {
    addController("Boiler", {{"HeaderInST", "1"}});
    for (int series : {-1, 0, 5}) {
        ctx.series = series;
        GeneratorResult r = generate("Boiler");
        EXPECT_EQ(r.files.front(), "Velmora\\Boiler_def.orv") << series;
    }
    for (int series : {6, 7, 12}) {
        ctx.series = series;
        EXPECT_EQ(generate("Boiler").files.front(), "Velmora\\Boiler_def.ST") << series;
    }
}

TEST_F(Series, CrcMacroOnlyForMnemonicRetainedAndNotOnSixOrSeven) {
    addController("Mnemonic", {});
    addController("Iec", {{"HeaderInST", "1"}});
    addController("Volatile", {{"Remanent", "0"}});
    const std::string first = "#ifndef CRC";
    for (int series : {-1, 4, 5, 6, 7, 8}) {
        ctx.series = series;
        const bool due = series != 6 && series != 7;
        auto mnemonic = run("Mnemonic").second;
        EXPECT_EQ(mnemonic.front() == first, due) << series;
        EXPECT_EQ(CountContaining(mnemonic, "#usi u_crc"), due ? 1 : 0) << series;
        if (series >= 6) {
            EXPECT_EQ(run("Iec").second.front(), ";" + std::string(79, '*')) << series;
        }
        EXPECT_EQ(CountContaining(run("Volatile").second, "u_crc"), 0) << series;
    }
}

class Pass : public GeneratorTest {};

TEST_F(Pass, EveryNamedSectionInFileOrderWithOneRewrite) {
    addController("Mixer", {});
    addController("Boiler", {{"HeaderInST", "1"}});
    std::ofstream(controllerFile(), std::ios::binary | std::ios::app)
        << "[Desktop]\r\nWidth=3\r\n\r\n[Regulator Ghost]\r\nName=\r\n\r\n"
           "[Regulator Old]\r\nName=Renamed\r\n";
    addController("Dryer", {{"Type", "PIDA"}});
    int reports = 0;
    ctx.rebuildReport = [&] { ++reports; };
    std::vector<std::string> seen;
    IniFile file(controllerFile());
    PassResult pass = GenerateAllControllers(file, ctx, [&](const PassProgress& p) {
        seen.push_back(std::string(p.controller) + (p.done ? " done " : " ") + std::to_string(p.warnings));
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"Mixer 0", "Mixer done 0", "Boiler 0", "Boiler done 0",
                                              "Renamed 0", "Renamed done 1", "Dryer 1", "Dryer done 1"}));
    EXPECT_EQ(pass.generated, 3);
    EXPECT_EQ(pass.warnings.size(), 1u);
    EXPECT_EQ(pass.files, (std::vector<std::string>{"Velmora\\Mixer_def.orv", "Velmora\\Mixer.orv",
                                                    "Velmora\\Boiler_def.ST", "Velmora\\Boiler.orv",
                                                    "Velmora\\Dryer_def.orv", "Velmora\\Dryer.orv"}));
    EXPECT_EQ(reports, 1);
    IniFile reread(controllerFile());
    for (const char* n : {"Mixer", "Boiler", "Dryer"})
        EXPECT_EQ(reread.readInteger(std::string("Regulator ") + n, "ReleaseNumber", 0), 1) << n;
    EXPECT_EQ(reread.readString("Desktop", "Width", ""), "3");
}

// Whole generated files for the controllers of tests/codegen/data, compared
// byte for byte with reviewed copies in data/golden:
//   PLC1 (type 14, series 6): Boiler  PID, IEC, OffReg placed, two inputs and cascade,
//                                     Y1 filtered, scaled and limited, filtered word output
//                             Mixer   PID, mnemonic with the _TPID_ overlay, pseudo mode -751,
//                                     10 ms grid, three-stage output
//                             Dryer   PIDMA, IEC, OffRem placed, retained parameters
//                             Kiln    PIDMA, mnemonic with the _TPIDA_ overlay, not retained
//   PLC2 (type 2, series 4):  Chiller PID, mnemonic registers, CRC macro, normalization with
//                                     copy, user-scaled positional output
//   PLC3 (type 0, series 5):  Pb      PIDMA, mnemonic overlay without aliases, retained, CRC macro
//                             Delta   PID, mnemonic registers, retained, cascade with scaled Y3,
//                                     pseudo mode -700, word output as a real
//   PLC4 (type 0, series 7):  Alpha   PID, IEC without aliases, OffReg and OffRem placed, ratio
//                                     control with cascade, filtered and user-scaled output,
//                                     a conversion mode the PLC type resets, most control bits set
//                             Pa      PIDMA, IEC without aliases, OffRem placed, odd real texts
class Golden : public testing::GeneratorTest {
protected:
    void generatePlc(const std::string& plc, int type, int series) {
        std::filesystem::copy_file(std::filesystem::path(VELMORA_TEST_DATA) / (plc + ".rglx"),
                                   dir_ / "Velmora" / (plc + ".rglx"),
                                   std::filesystem::copy_options::overwrite_existing);
        ctx.plcName = plc;
        ctx.plcType = type;
        ctx.series = series;
        IniFile file(dir_ / "Velmora" / (plc + ".rglx"));
        PassResult pass = GenerateAllControllers(file, ctx);
        EXPECT_TRUE(pass.warnings.empty());
        for (const auto& f : pass.files) written.push_back(f.substr(f.find('\\') + 1));
    }
    std::vector<std::string> written;
};

TEST_F(Golden, DemoControllersMatchTheReviewedFiles) {
    generatePlc("PLC1", 14, 6);
    generatePlc("PLC2", 2, 4);
    generatePlc("PLC3", 0, 5);
    generatePlc("PLC4", 0, 7);
    ASSERT_EQ(written.size(), 18u);
    const auto golden = std::filesystem::path(VELMORA_TEST_DATA) / "golden";
    for (const auto& name : written) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(std::filesystem::exists(golden / name));
        const auto expected = testing::SplitLines(testing::ReadBytes(golden / name));
        const auto actual = testing::SplitLines(testing::ReadBytes(dir_ / "Velmora" / name));
        // Line by line first, so a difference names its line.
        for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i)
            ASSERT_EQ(actual[i], expected[i]) << "line " << i + 1;
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_EQ(testing::ReadBytes(dir_ / "Velmora" / name), testing::ReadBytes(golden / name));
    }
}

}  // namespace
}  // namespace velmora
