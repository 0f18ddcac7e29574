// velmora-host as a user runs it on a copy of the demo project, with the plug-in's logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "base/Registry.h"
#include "base/com/Guids.h"
#include "controllers/ProjectDescription.h"
#include "online/TrendDataFile.h"

namespace velmora {
namespace {

using testing::ReadBytes;

class EndToEnd : public testing::HostProgram {
protected:
    bool commLogHas(const std::string& text) const {
        std::ifstream in(host.parent_path() / "comm.log");
        for (std::string line; std::getline(in, line);)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

TEST_F(EndToEnd, RegisterAndCompileGenerateEveryControllerOfThePlc) {
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    ASSERT_EQ(run(compile("PLC1") + " /USELOGFILE"), 0) << output;
    for (const auto& file : testing::kDemoPlc1Files) {
        EXPECT_TRUE(std::filesystem::is_regular_file(project / "Velmora" / file.substr(8))) << file;
        EXPECT_TRUE(said("Generated " + file + "\n")) << output;
    }
    EXPECT_TRUE(said("Installed Velmora.VelmoraCoClass 5.0.3.7\n")) << output;
    std::vector<std::string> expectedFiles = {"main.orv"};
    expectedFiles.insert(expectedFiles.end(), testing::kDemoPlc1Files.begin(), testing::kDemoPlc1Files.end());
    EXPECT_EQ(LoadProjectDescription(project).value_or(ProjectDescription{}).files, expectedFiles);
    EXPECT_FALSE(std::filesystem::exists(project / "PLC1.retained"))
        << "the soft PLC only checked the program";
    // The plug-in log holds these lines in this order, framed by install and uninstall.
    const auto log = testing::LogMessages(host.parent_path() / "plugins.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "InstallPlugin ------------------------------------------------");
    EXPECT_EQ(log.back(), "UninstallPlugin - end");
    auto from = log.begin();
    for (const char* line :
         {"InstallPlugin - end", "GenerateController Boiler", "GenerateController Kiln - end",
          "OnEndCompiling - end", "UninstallPlugin - end"})
        EXPECT_NE(from = std::find(from, log.end(), line), log.end()) << line << " out of order";
    // Compiling again regenerates with the next release and lists no file twice.
    ASSERT_EQ(run(compile("PLC1")), 0) << output;
    EXPECT_EQ(IniFile(project / "Velmora" / "PLC1.rglx").readInteger("Regulator Kiln", "ReleaseNumber", 0),
              2);
    EXPECT_EQ(LoadProjectDescription(project)->files, expectedFiles);
}

TEST_F(EndToEnd, MistakesGetAMessage) {
    EXPECT_EQ(run("help"), 0);
    EXPECT_TRUE(said("velmora-host register PATH"));
    EXPECT_NE(std::system(("'" + host.string() + "' help >/dev/full 2>/dev/null").c_str()), 0)
        << "full output";
    // Without a path: the module installed with the host, PREFIX/lib/velmora beside PREFIX/bin.
    const std::filesystem::path bundled = dir / "lib" / "velmora" / "libVelmora.so";
    const struct {
        std::string args;
        int status;
        std::string message;
    } calls[] = {
        {"frobnicate", 2, "unknown command frobnicate"},
        {"compile --project " + quoted(project), 2, "compile needs --project DIR and --plc PLC"},
        {"register " + quoted(VELMORA_PLUGIN_MODULE), 0, ""},
        {compile("PLC7"), 1, "the project has no PLC PLC7"},
        {"compile --project " + quoted(dir / "nowhere") + " --plc PLC1", 1, "No project description"},
        {"register " + quoted(dir / "missing.so"), 1, ""},
        {"register", 1, "no such module: " + bundled.string()},
    };
    for (const auto& c : calls) {
        EXPECT_EQ(run(c.args), c.status) << c.args;
        EXPECT_TRUE(said(c.message)) << c.args << ": " << output;
    }
    std::filesystem::create_directories(bundled.parent_path());
    std::filesystem::copy_file(VELMORA_PLUGIN_MODULE, bundled);
    ASSERT_EQ(run("register"), 0) << output;
    EXPECT_TRUE(said("Registered " + bundled.string())) << output;
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    ASSERT_EQ(run("unregister " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    EXPECT_EQ(run(compile("PLC1")), 1);
    EXPECT_TRUE(said("no plug-in is registered")) << output;
    EXPECT_FALSE(std::filesystem::exists(project / "Velmora" / "Boiler.orv"));
    // A registered plug-in that cannot be loaded fails the compilation the others did.
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    testing::RegisterMissingPlugin(registry, dir / "missing.so");
    EXPECT_EQ(run(compile("PLC1")), 1);
    EXPECT_TRUE(said("Missing.Plugin: ")) << output;
    EXPECT_TRUE(std::filesystem::exists(project / "Velmora" / "Boiler.orv"));
    // A program the soft PLC cannot compile: the view is shown, the status says it failed.
    std::ofstream(project / "main.orv", std::ios::app) << "P 0\n LD 99999999999\nE 0\n";
    EXPECT_EQ(run(online("PLC1", "Boiler") + "--passes 1"), 1);
    EXPECT_TRUE(said("main.orv(5): error: unknown operand 99999999999")) << output;
}

// A host call made to fail: the plug-in's installation returns that result,
// which the host names; a failing help entry costs the plug-in nothing else.
TEST_F(EndToEnd, AnInjectedHostFailureMeetsThePluginsErrorPath) {
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    const std::string failing = compile("PLC1") + " /USELOGFILE --fail-call ";
    EXPECT_EQ(run(failing + "AddImage=0x8004A123"), 1);
    EXPECT_TRUE(said("failed AddImage 0x8004A123 (--fail-call)\n")) << output;
    EXPECT_TRUE(said("Velmora.VelmoraCoClass: installation failed: 0x8004A123\n")) << output;
    const auto log = testing::LogMessages(host.parent_path() / "plugins.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), "InstallPlugin - end"), 0);
    EXPECT_EQ(log.back(), "UninstallPlugin - end");
    EXPECT_FALSE(said("Generated ")) << "a plug-in that failed to install hears no compile";
    EXPECT_EQ(run(failing + "'GetMenuItem VelmoraHELP'"), 0) << output;
    EXPECT_TRUE(said("Installed Velmora.VelmoraCoClass")) << output;
    EXPECT_EQ(run(failing + "AddImage=1"), 2) << "no failure code";
}

// Every controller of the demo goes online on the soft PLC (a BOOL variable
// once had an address text the plug-in could not read), showing the values the
// program scaled and filtered; the comm log only with its switch.
TEST_F(EndToEnd, EveryDemoControllerGoesOnline) {
    const struct {
        const char *plc, *name, *args;
        std::vector<std::string> shown;
    } controllers[] = {
        // Boiler's program scales the sensor (0..10000 to 0..9000) and filters it.
        {"PLC1",
         "Boiler",
         "--passes 60 --set Boiler_T=2500 --set Boiler_Valve_Pos=9000",
         {"communication PLC runs", "missing symbols: 0", "measured value (Input1): 25.00 %",
          "cascade input (Input3): 100.00 %"}},
        {"PLC1", "Mixer", "--passes 2", {}},
        {"PLC1", "Dryer", "--passes 2", {}},
        {"PLC2", "Chiller", "--passes 2", {}},
        {"PLC1", "Kiln", "--passes 2 --set Kiln_Temp=12.5 /USECOMMLOGFILE", {"measured value (pv): 12.50 %"}},
    };
    for (const auto& c : controllers) {
        EXPECT_EQ(run(online(c.plc, c.name) + c.args), 0) << output;
        EXPECT_TRUE(said(std::string("View ") + c.name + ": online")) << output;
        for (const std::string& text : c.shown) EXPECT_TRUE(said(text)) << output;
        EXPECT_EQ(std::filesystem::exists(host.parent_path() / "comm.log"), std::string(c.name) == "Kiln");
    }
    EXPECT_TRUE(commLogHas("Communication on!"));
    EXPECT_TRUE(commLogHas("Enter comm - Kiln"));
}

// A recording made online on the soft PLC with the loop closed through the
// plant: saved when the run ends, read back as "Otevrit" reads it, written
// again row for row, and each row holding what the view's boxes showed.
TEST_F(EndToEnd, OnlineRecordingIsSavedLoadedAndComparedRowByRow) {
    const auto saved = dir / "chiller.txt", script = write("s.txt", "1 page graph\n");
    constexpr int kPasses = 30;
    ASSERT_EQ(run(online("PLC2", "Chiller") + "--passes 30 --script " + quoted(script) + " --record " +
                  quoted(saved)),
              0)
        << output;
    online::TrendBuffer loaded(online::kDefaultBufferLength);
    const online::TrendLoadResult r = online::LoadTrendDataFile(saved, loaded);
    ASSERT_TRUE(r.loaded) << r.message;
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(said("Recorded 30 samples to ")) << output;
    ASSERT_EQ(loaded.count(), kPasses);
    EXPECT_EQ(online::TrendDataText(loaded), ReadBytes(saved)) << "written again, row for row";
    // The boxes printed after pass k are row k (row 0 holds the data of going
    // online; the last pass's data arrive after its last tick).
    const std::pair<const char*, int> boxes[] = {{"WEdit1=", online::kChannelW},
                                                 {"EEdit1=", online::kChannelE},
                                                 {"UEdit1=", online::kChannelU},
                                                 {"YEdit1=", online::kChannelY1}};
    for (int pass = 1; pass < kPasses; ++pass) {
        const std::size_t block = output.find("pass " + std::to_string(pass) + ": ");
        ASSERT_NE(block, std::string::npos) << pass;
        EXPECT_GT(loaded.time(pass), loaded.time(pass - 1));
        for (const auto& [box, channel] : boxes) {
            const std::size_t at = output.find(box, block) + std::strlen(box);
            EXPECT_NEAR(loaded.value(channel, pass), std::stod(output.substr(at)), 0.005)
                << box << " pass " << pass;
        }
    }
    const auto moved = loaded.extent(online::kChannelY1, 0, kPasses);
    EXPECT_GT(moved.max - moved.min, 10) << "the plant moved";
}

TEST_F(EndToEnd, ScriptedFailuresCarryTheHostsErrorTextAndABadLineStops) {
    const auto script = write("s.txt", "1 fail-request 0x80040005 read\n2 page graph\n2 use-vals PBnd=40\n");
    const std::string args = online("PLC1", "Boiler") + "--script " + quoted(script) + " /USECOMMLOGFILE";
    ASSERT_EQ(run(args), 0) << output;
    EXPECT_TRUE(said("pass 2: data=Data OK comm=")) << output;
    EXPECT_TRUE(commLogHas("Comm Error\tSoft PLC: error 0x80040005")) << "the host describes its own codes";
    EXPECT_TRUE(commLogHas("zapis Pbnd...IGap, Control change\tCh\t24\t"));
    write("s.txt", "1 page graph\n\n3 mode off\n");
    EXPECT_EQ(run(args), 1);
    EXPECT_TRUE(said("s.txt:3: mode takes man or auto")) << output;
    EXPECT_FALSE(said("Compiled")) << "nothing runs";
}

// Names that are not legal: the others are compiled, the bad ones named and
// left alone, nothing written outside the project, and the exit code says so.
TEST_F(EndToEnd, IllegalNamesFailTheCompilation) {
    ASSERT_EQ(run("register " + quoted(VELMORA_PLUGIN_MODULE)), 0) << output;
    const std::string bad = "\r\n[Regulator x]\r\nName=../../escaped\r\nType=PID\r\n";
    const auto controllers = project / "Velmora" / "PLC2.rglx";
    const std::string before = ReadBytes(controllers) + bad;
    testing::WriteBytes(controllers, before);
    EXPECT_EQ(run(compile("PLC2")), 1);
    EXPECT_TRUE(said("[Regulator x] was not generated")) << output;
    EXPECT_TRUE(std::filesystem::exists(project / "Velmora" / "Chiller.orv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "escaped.orv"));
    EXPECT_NE(ReadBytes(controllers).find(bad), std::string::npos);
    EXPECT_NE(ReadBytes(controllers), before) << "Chiller's release moved";
    EXPECT_EQ(run(compile("../../outside/X")), 1);
    EXPECT_TRUE(said("not a legal name")) << output;
}

}  // namespace
}  // namespace velmora
