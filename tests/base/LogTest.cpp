#include "base/Log.h"

#include <gtest/gtest.h>

#include "base/Toolkit.h"
#include "support/Support.h"

namespace velmora {
namespace {

const std::filesystem::path kExeDir = "/opt/orvane/bin";

ModuleSettings Read(std::vector<std::string> args) {
    return ReadModuleSettings(args, kExeDir);
}

TEST(ModuleSettings, SwitchesAreCaseInsensitiveTrimmedAndExact) {
    EXPECT_FALSE(Read({"ide"}).logSwitch);
    for (const char* on : {"/uselogfile", "  /UseLogFile\t"}) EXPECT_TRUE(Read({"ide", on}).logSwitch) << on;
    for (const char* off : {"/USELOGFILE=1", "/USELOGFILES", "-USELOGFILE"})
        EXPECT_FALSE(Read({"ide", off}).logSwitch) << off;
    EXPECT_FALSE(Read({"ide", "/USELOGFILE"}).commLogSwitch);
    auto s = Read({"ide", "/usecommlogfile"});
    EXPECT_TRUE(s.commLogSwitch);
    EXPECT_FALSE(s.logSwitch);
    s = Read({"ide", "/USELOGFILE", "/uselogfile", "/USECOMMLOGFILE"});
    EXPECT_TRUE(s.logSwitch && s.commLogSwitch);
    // Argument 0 is examined like any other.
    EXPECT_TRUE(Read({"/USELOGFILE"}).logSwitch);
    EXPECT_TRUE(Read({}).oemDirectory == kExeDir.string());
}

TEST(ModuleSettings, OemDirectoryIsUpperCasedAndTheLastOneWins) {
    auto s = Read({"ide"});
    EXPECT_EQ(s.oemDirectory, "/opt/orvane/bin");
    EXPECT_EQ(s.hostExecutableDirectory, kExeDir);
    EXPECT_EQ(Read({"ide", "/OemDir=C:\\Orvane\\Oem"}).oemDirectory, "C:\\ORVANE\\OEM");
    EXPECT_EQ(Read({"ide", "/oemdir=/first", " /OEMDIR=/second/Dir "}).oemDirectory, "/SECOND/DIR");
    EXPECT_EQ(Read({"ide", "/OEMDIR="}).oemDirectory, "");
    EXPECT_EQ(Read({"ide", "/OEMDIR"}).oemDirectory, "/opt/orvane/bin");
    // The default has no trailing separator.
    EXPECT_EQ(ReadModuleSettings({}, "/opt/orvane/").oemDirectory, "/opt/orvane");
}

// Installed as PREFIX/bin/velmora-host, the help is in PREFIX/share/velmora/HELP;
// a HELP folder beside the executable (a build tree) still comes first.
TEST(ModuleSettings, InstalledHostTakesItsHelpFromShare) {
    testing::TempDir prefix;
    const auto bin = prefix.path() / "bin";
    const auto share = prefix.path() / "share" / "velmora";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(ReadModuleSettings({}, bin).oemDirectory, bin.string());
    std::filesystem::create_directories(share / "HELP");
    EXPECT_EQ(ReadModuleSettings({}, bin / "").oemDirectory, share.string());
    EXPECT_EQ(ReadModuleSettings({"ide", "/OEMDIR=/x"}, bin).oemDirectory, "/X");
    std::filesystem::create_directories(bin / "HELP");
    EXPECT_EQ(ReadModuleSettings({}, bin).oemDirectory, bin.string());
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        clock.time = {2026, 3, 5, 7, 8, 9, 12};
        saved = Module();
        SetLogClock(&clock);
        SetLogDirectory(dir.path());
    }
    void TearDown() override {
        Module() = saved;
        SetLogClock(nullptr);
        SetLogDirectory({});
    }
    ModuleSettings saved;
    testing::FixedClock clock;
    testing::TempDir dir;
};

// Appended to what others wrote.
TEST_F(LogTest, PluginLogLinesHaveTheDottedTimeStamp) {
    Module().logSwitch = true;
    testing::WriteBytes(dir / "plugins.log", "host line\n");
    EXPECT_TRUE(Log("InstallPlugin"));
    clock.time = {2025, 12, 31, 23, 59, 58, 999};
    EXPECT_TRUE(Log("InstallPlugin - end"));
    EXPECT_EQ(testing::ReadBytes(dir / "plugins.log"),
              "host line\n"
              "05.03.2026 07.08.09.012\tVelmora\t\tInstallPlugin\n"
              "31.12.2025 23.59.58.999\tVelmora\t\tInstallPlugin - end\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "comm.log"));
}

TEST_F(LogTest, CommLogLinesHaveColonsAndAMillisecondComma) {
    Module().commLogSwitch = true;
    EXPECT_TRUE(CommLog("Communication on!"));
    clock.time = {2026, 1, 2, 0, 0, 0, 0};
    EXPECT_TRUE(CommLog("No Communication! (Soft Off)"));
    EXPECT_EQ(testing::ReadBytes(dir / "comm.log"),
              "05.03.2026 07:08:09,012\tVelmora\t\tCommunication on!\n"
              "02.01.2026 00:00:00,000\tVelmora\t\tNo Communication! (Soft Off)\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "plugins.log"));
}

TEST_F(LogTest, SwitchesFailuresAndTheDefaultFolder) {
    Module().logSwitch = Module().commLogSwitch = false;
    EXPECT_TRUE(Log("a"));
    EXPECT_TRUE(CommLog("b"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    Module().logSwitch = Module().commLogSwitch = true;
    SetLogDirectory(dir / "missing");
    EXPECT_FALSE(Log("a"));
    EXPECT_FALSE(CommLog("b"));
    Module().hostExecutableDirectory = dir / "exe";
    std::filesystem::create_directory(dir / "exe");
    SetLogDirectory({});
    EXPECT_TRUE(Log("here"));
    EXPECT_TRUE(std::filesystem::exists(dir / "exe" / "plugins.log"));
}

}  // namespace
}  // namespace velmora
