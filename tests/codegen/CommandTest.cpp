// The velmora generate and operand commands, run as a user would run them.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "GeneratorFixture.h"

namespace velmora {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
};

class Command : public testing::GeneratorTest {
protected:
    void SetUp() override {
        GeneratorTest::SetUp();
        binary_ = std::filesystem::path(VELMORA_BIN_DIR) / "velmora";
        if (!std::filesystem::exists(binary_)) GTEST_SKIP() << "the velmora command is not built";
    }

    // Runs the command with stderr folded into the output after a marker line.
    Outcome velmora(const std::string& args, const std::string& env = "SOURCE_DATE_EPOCH=1767225600") {
        const std::string err = (dir_ / "stderr.txt").string();
        const std::string cmd = env + " " + binary_.string() + " " + args + " 2>" + err;
        Outcome o;
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return o;
        std::array<char, 4096> buf{};
        while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p)) o.out.append(buf.data(), n);
        const int status = ::pclose(p);
        o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        o.out += "--stderr--\n" + testing::ReadBytes(err);
        return o;
    }

    std::filesystem::path binary_;
};

TEST_F(Command, OperandPrintsTheAddress) {
    auto o = velmora("operand '%MW5'");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "area=3 offset=10 bit=-1 size=2 kind=W\n--stderr--\n");
    o = velmora("operand '%X10.3'");
    EXPECT_EQ(o.out, "area=0 offset=10 bit=3 size=1 kind=b\n--stderr--\n");
    o = velmora("operand Temp1");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "--stderr--\nvelmora operand: \"Temp1\" is not a PLC address\n");
}

TEST_F(Command, GenerateEveryControllerOfTheFile) {
    addController("Mixer", {});
    addController("Dryer", {{"Type", "PIDA"}, {"HeaderInST", "1"}});
    auto o = velmora("generate --project " + dir_.string() + " --plc PLC1 --series 6");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(
        o.out,
        "Velmora/Mixer_def.orv\nVelmora/Mixer.orv\nVelmora/Dryer_def.ST\nVelmora/Dryer.orv\n--stderr--\n");
    EXPECT_EQ(lines("Velmora\\Dryer.orv").back(), ";Last changes01.01.2026 00:00:00");
}

TEST_F(Command, SeriesAndTypeComeFromTheProjectDescription) {
    {
        std::ofstream d(dir_ / "plant.oprj", std::ios::binary);
        d << "[Project]\r\nName=Plant\r\n[PLC PLC1]\r\nType=3\r\nSeries=4\r\n";
    }
    addController("Boiler", {{"HeaderInST", "1"}, {"Y1CNVMode", "1510"}});
    auto o = velmora("generate --project " + dir_.string() + " --plc PLC1");
    EXPECT_EQ(o.out, "Velmora/Boiler_def.orv\nVelmora/Boiler.orv\n--stderr--\n");  // series 4: no IEC
    EXPECT_EQ(readKey("Boiler", "Y1CNVMode"), "0");                                // type 3
    o = velmora("generate --project " + dir_.string() + " --plc PLC1 --series 7 --controller Boiler");
    EXPECT_EQ(o.out, "Velmora/Boiler_def.ST\nVelmora/Boiler.orv\n--stderr--\n");
}

TEST_F(Command, UserErrors) {
    auto o = velmora("generate --project " + dir_.string() + " --plc PLC9");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("no controller file Velmora/PLC9.rglx"), std::string::npos) << o.out;

    addController("Mixer", {});
    {
        std::ofstream out(controllerFile(), std::ios::binary | std::ios::app);
        out << "[Regulator Old]\r\nName=Renamed\r\n";
    }
    o = velmora("generate --project " + dir_.string() + " --plc PLC1");
    EXPECT_EQ(o.status, 0);  // a renamed section only warns
    EXPECT_NE(o.out.find("Velmora/Mixer.orv\n--stderr--\nvelmora generate: warning: "), std::string::npos)
        << o.out;

    o = velmora("generate --project " + dir_.string() + " --plc PLC1 --controller Nobody --controller Mixer");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.out.find("Velmora/Mixer.orv\n--stderr--\nvelmora generate: no controller Nobody"),
              std::string::npos)
        << o.out;
}

}  // namespace
}  // namespace velmora
