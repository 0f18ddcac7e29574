// velmora-host online as a program: the comm log it leaves beside itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/wait.h>

#include "HostTestSupport.h"

namespace velmora {
namespace {

class OnlineProgram : public testing::ScratchProject {
protected:
    void SetUp() override {
        ScratchProject::SetUp();
        host = dir / "bin" / "velmora-host";
        std::filesystem::create_directories(host.parent_path());
        std::filesystem::copy_file(VELMORA_HOST_PROGRAM, host);
    }
    int run(const std::string& args) {
        const std::string command = "'" + host.string() + "' " + args + " >'" + (dir / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(dir / "out.txt");
        output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<std::string> commLog() const {
        std::ifstream in(host.parent_path() / "comm.log");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    std::filesystem::path host;
    std::string output;
};

TEST_F(OnlineProgram, CommLogSwitchLeavesTheExchangeBesideTheHost) {
    const std::string args = "online --project '" + project.string() +
                             "' --plc PLC1 --controller Kiln --passes 2 --set Kiln_Temp=12.5";
    ASSERT_EQ(run(args + " /USECOMMLOGFILE"), 0) << output;
    EXPECT_NE(output.find("View Kiln: online"), std::string::npos) << output;
    EXPECT_NE(output.find("measured value (pv): 12.50 %"), std::string::npos) << output;
    const auto lines = commLog();
    ASSERT_FALSE(lines.empty());
    const auto has = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has("Communication on!"));
    EXPECT_TRUE(has("Enter comm - Kiln"));

    std::filesystem::remove(host.parent_path() / "comm.log");
    ASSERT_EQ(run(args), 0) << output;
    EXPECT_FALSE(std::filesystem::exists(host.parent_path() / "comm.log")) << "no switch, no log";
}

TEST_F(OnlineProgram, ScriptedFailuresCarryTheHostsErrorTextAndABadLineStops) {
    const std::string script = (dir / "s.txt").string();
    std::ofstream(script) << "1 fail-request 0x80040005 read\n2 page graph\n2 use-vals PBnd=40\n";
    const std::string args = "online --project '" + project.string() + "' --plc PLC1 --controller Boiler --script '" +
                             script + "' /USECOMMLOGFILE";
    ASSERT_EQ(run(args), 0) << output;
    EXPECT_NE(output.find("pass 2: data=Data OK comm="), std::string::npos) << output;
    const auto lines = commLog();
    const auto has = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(has("Comm Error\tSoft PLC: error 0x80040005")) << "the host describes its own codes";
    EXPECT_TRUE(has("zapis Pbnd...IGap, Control change\tCh\t24\t"));

    std::ofstream(script) << "1 page graph\n\n3 mode off\n";
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(output.find("s.txt:3: mode takes man or auto"), std::string::npos) << output;
    EXPECT_EQ(output.find("Compiled"), std::string::npos) << "nothing runs";
}

}  // namespace
}  // namespace velmora
