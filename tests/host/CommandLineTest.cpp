// velmora-host's numbers are checked before anything runs, and failed work ends with status 1.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "HostTestSupport.h"
#include "host/SymbolAssignment.h"
#include "host/softplc/SoftPlc.h"

namespace velmora {
namespace {

TEST(SymbolAssignment, AValueMustFitItsVariablesType) {
    softplc::SoftPlc plc;
    plc.symbols().addIecDeclarations(
        "VAR_GLOBAL\r\nI : INT;\r\nW : WORD;\r\nB : BOOL;\r\nY : BYTE;\r\nD : DINT;\r\nU : UDINT;\r\n"
        "R : REAL;\r\nA : ARRAY [0..3] OF INT;\r\nEND_VAR\r\n");
    plc.symbols().build();
    const std::string kInt = "INT takes a whole number from -32768 to 32767, not ",
                      kReal = "REAL takes a finite number from -3.40282e+38 to 3.40282e+38, not ",
                      kNoSymbol = "no such symbol in the soft PLC";
    for (const char* text : {"I=32767", "I=-32768", "I=+5", "I.3=1", "W=65535", "B=1", "Y=255",
                             "D=-2147483648", "U=4294967295", "R=-2.5e37"}) {
        const host::CheckedAssignment checked = host::CheckAssignment(plc, text);
        EXPECT_EQ(checked.problem, "") << text;
        ASSERT_TRUE(plc.writeValue(checked.name, checked.value)) << text;
        const double stored = plc.readValue(checked.name).value_or(-1);
        EXPECT_EQ(checked.name == "R" ? static_cast<float>(stored) : stored,
                  checked.name == "R" ? static_cast<float>(checked.value) : checked.value)
            << text << ": stored as given";
    }
    for (const std::string v : {"32768", "-32769", "1e9", "12.5", "nan", "0x10", ""})
        EXPECT_EQ(host::CheckAssignment(plc, "I=" + v).problem, kInt + v) << v;
    for (const std::string v : {"1e39", "inf", "-nan"})
        EXPECT_EQ(host::CheckAssignment(plc, "R=" + v).problem, kReal + v) << v;
    const std::pair<const char*, std::string> refused[] = {
        {"I.3=2", "BOOL takes 0 or 1, not 2"},
        {"W=-1", "UINT takes a whole number from 0 to 65535, not -1"},
        {"B=256", "BOOL takes 0 or 1, not 256"},
        {"B=0.5", "BOOL takes 0 or 1, not 0.5"},
        {"Y=256", "BYTE takes a whole number from 0 to 255, not 256"},
        {"D=2147483648", "DINT takes a whole number from -2147483648 to 2147483647, not 2147483648"},
        {"U=-1", "UDINT takes a whole number from 0 to 4294967295, not -1"},
        {"A=1", "an array takes its values one element at a time"},
        {"Nowhere=1", kNoSymbol},
        {"I", kNoSymbol}};
    for (const auto& [text, problem] : refused) {
        const host::CheckedAssignment checked = host::CheckAssignment(plc, text);
        EXPECT_EQ(checked.problem, problem) << text;
        EXPECT_EQ(checked.unknownSymbol, problem == kNoSymbol) << text;
    }
}

using HostCommandLine = testing::HostProgram;

// Each number out of its range names its option and ends with status 2
// before anything runs (or, for a value, before the PLC runs with it).
TEST_F(HostCommandLine, ANumberOutOfItsRangeEndsWithStatus2) {
    const std::string run0 = runPlc("PLC1"), run1 = run0 + "--seconds 1 ", boiler = online("PLC1", "Boiler");
    const std::pair<std::string, std::string> cases[] = {
        {run0 + "--seconds 1e300", "run: --seconds takes a number from 0 to 10000000, not 1e300"},
        {run0 + "--seconds nan", "run: --seconds takes a number from 0 to 10000000, not nan"},
        {run1 + "--cycle-ms 1e-300", "run: --cycle-ms takes a number from 1 to 10000, not 1e-300"},
        {run1 + "--cycle-ms 20 --sample-ms 10",
         "run: --sample-ms takes at least the scan cycle (--cycle-ms 20), not 10"},
        {run0 + "--seconds 1e7 --sample-ms 100", "makes more than 10000000 rows; take a longer sample"},
        {run1 + "--at 2 restart warm", "run: --at 2 is after the end of the run (--seconds 1)"},
        {run1 + "--at inf restart warm", "run: --at takes a number from 0 to 10000000, not inf"},
        {run1 + "--at 0 set Boiler_T=1e9", "--at 0 set Boiler_T=1e9: INT takes a whole number"},
        {boiler + "--passes 100000000", "online: --passes takes a whole number from 0 to 1000000"},
        {boiler + "--passes -1", "online: --passes takes a whole number from 0 to 1000000, not -1"},
        {boiler + "--set Boiler_T_OVF=256", "--set Boiler_T_OVF=256: BOOL takes 0 or 1, not 256"},
        {online("PLC1", "Dryer") + "--set Dryer_Humidity=nan",
         "--set Dryer_Humidity=nan: REAL takes a finite number"},
        {boiler + "--plant TypSoustavy=1 --plant Tau1=0", "--plant Tau1=0: outside "},
        {boiler + "--plant TypSoustavy=1 --plant Tau2=5", "--plant Tau2 does not apply to plant type 1"},
        {boiler + "--plant Speed", "--plant Speed: takes KEY=VALUE"},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(run(args), 2) << args << "\n" << output;
        EXPECT_TRUE(said(message)) << args << "\n" << output;
        EXPECT_FALSE(said("time,")) << "nothing ran: " << args;
        EXPECT_FALSE(said("View ")) << "nothing ran: " << args;
    }
}

// A PLC run-time error, a failed generation, a failed save of retained memory, a refused program, a missing
// listed file and a script that cannot be read or carried out each end with status 1 and say why, once.
TEST_F(HostCommandLine, EveryFailureOfTheWorkEndsWithStatus1) {
    const auto mainProgram = [this](const std::string& text) {
        testing::WriteBytes(project / "main.orv", text);
    };
    const auto listFile = [this](const std::string& name) {
        std::ofstream(project / "demo.oprj", std::ios::app) << "File2=" << name << "\r\n";
    };
    const auto badController = [this] {
        std::ofstream(project / "Velmora" / "PLC2.rglx", std::ios::app)
            << "\r\n[Regulator x]\r\nName=../../escaped\r\nType=PID\r\n";
    };
    const auto divide = [&] { mainProgram("P 0\n\tLD\t1\n\tDIV\t0\nE 0\n"); };
    const std::function<void()> nothing = [] {};
    const std::string run2 = runPlc("PLC2") + "--seconds 1",
                      chiller = online("PLC2", "Chiller") + "--passes 1",
                      boiler = online("PLC1", "Boiler") + "--script ";
    const struct {
        std::function<void()> prepare;
        std::string args, message;
    } cases[] = {
        {divide, chiller, "PLC error: "},
        {divide, run2, "PLC error: "},
        {badController, run2, "[Regulator x] was not generated"},
        {badController, chiller, "[Regulator x] was not generated"},
        {[&] { std::filesystem::create_directory(project / "PLC2.retained"); }, run2,
         "soft PLC: retained memory: "},
        {[&] { mainProgram("P 0\n\tLD\t1\n\tJMP\tNowhere\nE 0\n"); }, runPlc("PLC1") + "--seconds 1",
         "main.orv(3): error: jump to Nowhere"},
        {[&] { mainProgram("P 0\n LD 99999999999\nE 0\n"); }, compile("PLC1"),
         "main.orv(2): error: unknown operand 99999999999"},
        {[&] { listFile("gone.orv"); }, compile("PLC1"), "the project's file gone.orv is missing"},
        {[&] { listFile("Velmora"); }, compile("PLC1"), "the project's file Velmora is a folder"},
        {nothing, boiler + quoted(dir.path()), "--script " + dir.path().string() + ": a folder, not a file"},
        {nothing, boiler + "/velmoranosuchscript", "--script /velmoranosuchscript: no such file"},
        {nothing, boiler + quoted(write("m.txt", "1 mode auto\n2 manual 40\n")),
         "m.txt:2: manual: the box Edit1 is disabled"},
        {nothing, boiler + quoted(write("s.txt", "1 set Boiler_T=40000\n")),
         "s.txt:1: set Boiler_T=40000: INT takes a whole number"},
        {nothing, online("PLC1", "Dryer") + "--set Nowhere=1", "Nowhere"},
    };
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    const std::string original = testing::ReadBytes(project / "main.orv");
    const std::string description = testing::ReadBytes(project / "demo.oprj");
    const std::string controllers = testing::ReadBytes(project / "Velmora" / "PLC2.rglx");
    for (const auto& c : cases) {
        testing::WriteBytes(project / "main.orv", original);
        testing::WriteBytes(project / "demo.oprj", description);
        testing::WriteBytes(project / "Velmora" / "PLC2.rglx", controllers);
        std::filesystem::remove_all(project / "PLC2.retained");
        c.prepare();
        EXPECT_EQ(run(c.args), 1) << c.args << "\n" << output;
        EXPECT_TRUE(said(c.message)) << c.args << "\n" << output;
        EXPECT_EQ(output.find(c.message), output.rfind(c.message)) << "said once: " << output;
    }
}

// Progress once a second of wall time on a terminal, never into a file.
TEST_F(HostCommandLine, ALongRunShowsItsProgressOnATerminalOnly) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    const std::string side = ptsname(terminal);
    // Held open here, so that what the program wrote stays readable after it ends.
    const int held = open(side.c_str(), O_RDWR | O_NOCTTY);
    const std::string args = runPlc("PLC2") + "--seconds 40000 --sample-ms 100000 --online Chiller";
    const std::string command = "VELMORA_REGISTRY='" + registry.string() + "' '" + host.string() + "' " +
                                args + " >/dev/null 2>'" + side + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, static_cast<std::size_t>(n));
    close(held);
    close(terminal);
    EXPECT_NE(shown.find("\rvelmora-host: run: "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" of 40000 s ("), std::string::npos) << shown;
    EXPECT_EQ(run(args), 0) << output;
    EXPECT_FALSE(said("velmora-host: run: ")) << output;
}

}  // namespace
}  // namespace velmora
