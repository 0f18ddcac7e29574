// The velmora generate and operand commands, run as a user would run them.
#include <gmock/gmock.h>

#include <cstdlib>

#include "support/GeneratorFixture.h"

namespace velmora {
namespace {

using ::testing::HasSubstr;

class Command : public testing::GeneratorTest {
protected:
    void SetUp() override {
        GeneratorTest::SetUp();
        setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    }
    // The output with stderr after a marker line.
    static testing::CommandResult velmora(const std::string& args) {
        testing::CommandResult r = testing::RunVelmora(args);
        r.out += "--stderr--\n" + r.err;
        return r;
    }
    // `velmora generate` on the scratch project.
    testing::CommandResult generate(const std::string& args) const {
        return velmora("generate --project " + dir_.string() + " " + args);
    }
};

TEST_F(Command, OperandAndGenerateRefuseWhatTheyCannotUse) {
    auto o = velmora("operand '%MW5'");
    EXPECT_EQ(std::pair(o.status, o.out),
              std::pair(0, std::string("area=3 offset=10 bit=-1 size=2 kind=W\n--stderr--\n")));
    o = velmora("operand Temp1");
    EXPECT_EQ(std::pair(o.status, o.out),
              std::pair(1, std::string("--stderr--\nvelmora operand: \"Temp1\" is not a PLC address\n")));
    o = generate("--plc PLC9");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.out, HasSubstr("no controller file Velmora/PLC9.rglx"));
    addController("Mixer", {});
    testing::WriteBytes(controllerFile(),
                        testing::ReadBytes(controllerFile()) + "[Regulator Old]\r\nName=Renamed\r\n");
    o = generate("--plc PLC1");
    EXPECT_EQ(o.status, 0);  // a renamed section only warns
    EXPECT_THAT(o.out, HasSubstr("Velmora/Mixer.orv\n--stderr--\nvelmora generate: warning: "));
    o = generate("--plc PLC1 --controller Nobody --controller Mixer");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.out, HasSubstr("Velmora/Mixer.orv\n--stderr--\nvelmora generate: no controller Nobody"))
        << o.out;
}

TEST_F(Command, GenerateEveryControllerOfTheFile) {
    addController("Mixer", {});
    addController("Dryer", {{"Type", "PIDA"}, {"HeaderInST", "1"}});
    auto o = generate("--plc PLC1 --series 6");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(
        o.out,
        "Velmora/Mixer_def.orv\nVelmora/Mixer.orv\nVelmora/Dryer_def.ST\nVelmora/Dryer.orv\n--stderr--\n");
    EXPECT_EQ(lines("Velmora\\Dryer.orv").back(), ";Last changes01.01.2026 00:00:00");
}

TEST_F(Command, SeriesAndTypeComeFromTheProjectDescription) {
    testing::WriteBytes(dir_ / "plant.oprj",
                        "[Project]\r\nName=Plant\r\n[PLC PLC1]\r\nType=3\r\nSeries=4\r\n");
    addController("Boiler", {{"HeaderInST", "1"}, {"Y1CNVMode", "1510"}});
    auto o = generate("--plc PLC1");
    EXPECT_EQ(o.out, "Velmora/Boiler_def.orv\nVelmora/Boiler.orv\n--stderr--\n");  // series 4: no IEC
    EXPECT_EQ(readKey("Boiler", "Y1CNVMode"), "0");                                // type 3
    o = generate("--plc PLC1 --series 7 --controller Boiler");
    EXPECT_EQ(o.out, "Velmora/Boiler_def.ST\nVelmora/Boiler.orv\n--stderr--\n");
}

// Names that would put a file elsewhere or break its name: refused with a
// message naming the section, nothing written, the controller file as it was.
TEST_F(Command, IllegalNamesWriteNothing) {
    const std::string bad[] = {"../../escaped", "/tmp/velmora_escaped", "Bad Name",
                               std::string("ab\0/../x", 8), "9x"};
    for (const auto& name : bad) {
        std::filesystem::remove_all(dir_ / "Velmora");
        std::filesystem::create_directories(dir_ / "Velmora");
        testing::WriteBytes(controllerFile(), "[Regulator escaped]\r\nName=" + name + "\r\nType=PID\r\n");
        const std::string before = testing::ReadBytes(controllerFile());
        auto o = generate("--plc PLC1");
        EXPECT_EQ(o.status, 1) << o.out;
        EXPECT_THAT(o.out, HasSubstr("[Regulator escaped] was not generated"));
        EXPECT_EQ(testing::ReadBytes(controllerFile()), before);
        addController("Sane", {});  // the others still are generated
        o = generate("--plc PLC1");
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(testing::EntriesIn(dir_ / "Velmora"), 3) << o.out;
        EXPECT_EQ(testing::EntriesIn(dir_), 1) << "only Velmora";
    }
    EXPECT_FALSE(std::filesystem::exists("/tmp/velmora_escaped.orv"));
    for (const std::string plc : {"../../outside/X", "'PLC 1'", "/tmp/x"})
        EXPECT_EQ(generate("--plc " + plc).status, 1) << plc;
}

// A file that cannot be written fails its controller: exit 1, the file named,
// the release number unmoved; a controller file that is a folder fails every command.
TEST_F(Command, FailuresAreReported) {
    addController("Mixer", {});
    const std::string release = readKey("Mixer", "ReleaseNumber");
    std::filesystem::create_directories(dir_ / "Velmora" / "Mixer.orv");
    auto o = generate("--plc PLC1");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.out, HasSubstr("Mixer.orv"));
    EXPECT_EQ(readKey("Mixer", "ReleaseNumber"), release);
    std::filesystem::remove(controllerFile());
    std::filesystem::create_directories(controllerFile());
    const std::pair<std::string, std::string> commands[] = {
        {"generate", ""},
        {"report", ""},
        {"simulate", " --controller Mixer --input 1 --steps 1"},
        {"controller show", " --name Mixer"}};
    for (const auto& [command, rest] : commands) {
        o = velmora(command + " --project " + dir_.string() + " --plc PLC1" + rest);
        EXPECT_EQ(o.status, 1) << command << o.out;
        EXPECT_THAT(o.out, HasSubstr("Is a directory")) << command << o.out;
    }
}

// A value its code would carry that is no number in the key's range, and
// offsets whose placed declarations would pass the register area (here 2 + 73
// bytes from OffReg, 1 + 53 + 2 from OffRem), refuse their controller alone:
// the key and the legal range named, nothing written for it, exit 1.
TEST_F(Command, ValuesOutOfRangeRefuseTheirControllerAndIntLimitsSimulateWithoutOverflow) {
    const testing::Keys placed = {{"HeaderInST", "1"}, {"Remanent", "1"}, {"AM", "1"}, {"Cascade", "1"}};
    const testing::Keys pida = {{"Type", "PIDA"}};
    const struct {
        testing::Keys base, keys;
        const char* refused;
    } rows[] = {
        {placed, {{"OffReg", "65461"}, {"OffRem", "65480"}}, nullptr},
        {placed, {{"OffReg", "65462"}, {"OffRem", "65480"}}, "OffReg 65462 places declarations past"},
        {placed, {{"OffReg", "65461"}, {"OffRem", "65481"}}, "OffRem 65481 "},
        {placed, {{"OffReg", "2147483647"}}, "OffReg 2147483647 "},
        {placed, {{"OffReg", "-7"}, {"OffRem", "2147483600"}}, "OffRem 2147483600 "},
        {{}, {{"PBnd", "nan"}}, "PBnd \"nan\" is not a whole number from 1 to 30000."},
        {{}, {{"PBnd", "0"}}, "PBnd \"0\" is not a whole number from 1 to 30000."},
        {{}, {{"Ti", "1e30"}}, "Ti \"1e30\" is not a whole number from 0 to 32767."},
        {{}, {{"Y3x1", "-2147483648"}}, "Y3x1 \"-2147483648\" is not a whole number from -32768 to 65535."},
        {{}, {{"IGap", "12.5"}}, "IGap \"12.5\" is not a whole number"},
        {{},
         {{"AM", "1"}, {"MinY", "-32768"}, {"MaxY", "32767"}, {"gW", "20000"}},
         "gW \"20000\" is not a set point whose start value"},
        {pida, {{"Ts", "1e30"}}, "Ts \"1e30\" is not a number from 0.001 to 3600."},
        {pida, {{"k", "1e400"}}, "k \"1e400\" is not a number from -3.40282346638529e+38 to"},
        {pida, {{"hv", "nan"}}, "hv \"nan\" is not a number"},
        {pida, {{"irtype", "0"}}, "irtype \"0\" is not a whole number from 1 to 7."},
        {pida, {{"RACT", "1,0"}}, "RACT \"1,0\" is not a whole number from 0 to 1."},
    };
    for (const auto& r : rows) {
        std::filesystem::remove_all(dir_ / "Velmora");
        std::filesystem::create_directories(dir_ / "Velmora");
        testing::Keys keys = r.base;
        keys.insert(keys.end(), r.keys.begin(), r.keys.end());
        addController("Edge", keys);
        addController("Sane", {});
        const auto o = generate("--plc PLC1 --series 6");
        const std::string row = keys.back().first + "=" + keys.back().second + "\n" + o.out;
        EXPECT_EQ(o.status, r.refused ? 1 : 0) << row;
        if (r.refused) {
            EXPECT_THAT(o.out,
                        HasSubstr("The controller Edge was not generated: its " + std::string(r.refused)))
                << row;
            EXPECT_EQ(readKey("Edge", "ReleaseNumber"), "<absent>") << row;
            EXPECT_EQ(testing::EntriesIn(dir_ / "Velmora"), 3) << "Sane's two files and the controller file";
            continue;
        }
        const std::string declarations = testing::ReadBytes(dir_ / "Velmora" / "Edge_def.ST");
        for (const char* last : {"_AuxPID AT %R65513 ", "_CRC_rem      AT %R65534 "})
            EXPECT_THAT(declarations, HasSubstr(last)) << last << declarations;
    }
    // The simulation reads settings at the int limits computed wide, without
    // overflow (the sanitizer build aborts on one).
    testing::WriteBytes(
        controllerFile(),
        "[Regulator Edge]\r\nName=Edge\r\nAM=1\r\ngW=2147483647\r\nMaxY=2147483647\r\n"
        "MinY=-2147483648\r\nCascade=1\r\nY3x1=-2147483648\r\nY3x2=2147483647\r\nTypSoustavy=1\r\n");
    auto o = velmora("simulate --project " + dir_.string() +
                     " --plc PLC1 --controller Edge --input 100 --steps 50");
    EXPECT_EQ(o.status, 0) << o.out;
}

// The project description's variable lines: impossible addresses are refused
// (the command fails after generating), shared memory only warns; each named
// with its file and line.
TEST_F(Command, DescriptionVariablesAreCheckedByType) {
    const std::pair<const char*, const char*> lines[] = {
        {"Good=INT %R200", nullptr},
        {"Flag=BOOL %R202.1", nullptr},
        {"Wide=INT %Q200", "(9): error: variable Wide: INT needs a byte address, %Q200 addresses a bit"},
        {"Bit=BOOL %R202.99", "(10): error: variable Bit: bit 99 is beyond bit 7 of its address %R202.99"},
        {"Word=BOOL %R204", "(11): error: variable Word: BOOL needs a bit address"},
        {"Long=INT %RL206", "(12): error: variable Long: INT takes 2 bytes, %RL206 addresses 4"},
        {"Far=DINT %R65534", "(13): error: variable Far: the address %R65534 reaches past its area"},
        {"Odd=STRING %R300", "(14): error: variable Odd: the type STRING is not one of"},
        {"Name=%Z5", "(15): error: variable Name: the address %Z5 is no operand"},
        {"good=REAL %R400", "(16): error: variable good is declared again (first on line 7)"},
        {"Alias=BYTE %R201", "(17): warning: variable Alias shares memory with Good (line 7)"},
        {"Flag2=BOOL %R202.1", "(18): warning: variable Flag2 shares memory with Flag (line 8)"},
        {"Next=BOOL %R202.2", nullptr},
    };
    std::string description =
        "[Project]\r\nName=Plant\r\n[PLC PLC1]\r\nType=14\r\nSeries=6\r\n[Variables PLC1]\r\n";
    for (const auto& [line, problem] : lines) description += std::string(line) + "\r\n";
    testing::WriteBytes(dir_ / "plant.oprj", description);
    addController("Mixer", {});
    const auto o = generate("--plc PLC1");
    EXPECT_EQ(o.status, 1);
    EXPECT_THAT(o.out, HasSubstr("Velmora/Mixer.orv\n"));
    int problems = 0;
    for (const auto& [line, problem] : lines)
        if (problem) {
            ++problems;
            EXPECT_THAT(o.out, HasSubstr((dir_ / "plant.oprj").string() + problem)) << problem << o.out;
        }
    EXPECT_EQ(testing::CountContaining(testing::SplitLines(o.out, false), "plant.oprj("), problems) << o.out;
}

}  // namespace
}  // namespace velmora
