#include "base/Help.h"

#include <gtest/gtest.h>

#include "base/Log.h"
#include "base/Paths.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "support/Support.h"

namespace velmora {
namespace {

struct Lookup {
    std::filesystem::path file;
    HelpLookup kind;
    std::string keywords;
};

class HelpTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string oem = dir.path().string();
    std::filesystem::path helpDir = dir / "HELP";
    void SetUp() override { std::filesystem::create_directory(helpDir); }
    void AddHelp(const std::string& name) { testing::WriteBytes(helpDir / name, "ITSF"); }
};

TEST_F(HelpTest, PathFollowsTheFolderCodesOfTheHelpNumbering) {
    for (const auto& [language, folder] :
         {std::pair{1, "ENU"}, {2, "RUS"}, {3, "PLK"}, {4, "DEU"}, {7, "ENU"}})
        EXPECT_EQ(HelpPath("C:\\OEM", language, "Velmora", false),
                  "C:\\OEM\\HELP\\" + std::string(folder) + "_Velmora.chm")
            << language;
    EXPECT_EQ(HelpPath("C:\\OEM", 0, "Velmora.hlp", false), "C:\\OEM\\HELP\\CSY_Velmora.chm");
    EXPECT_EQ(HelpPath("C:\\OEM", 255, "Velmora.hlp", true), "Velmora.hlp");
    // The extension of the whole path is replaced, as a file name with dots shows.
    EXPECT_EQ(HelpPath("C:\\OEM", 1, "My.Help.hlp", false), "C:\\OEM\\HELP\\ENU_My.chm");
}

TEST_F(HelpTest, FallbackTriesEnglishThenLanguageFourThenCzechAndEnglishServesEveryLanguage) {
    const std::string requested = HelpPath(oem, 2, "Velmora", false);
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), requested) << "nothing exists: the requested path";
    for (const std::string added : {"CSY", "DEU", "ENU"}) {
        AddHelp(added + "_Velmora.chm");
        EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), oem + "\\HELP\\" + added + "_Velmora.chm");
    }
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", false), requested) << "no fallback without asking";
    AddHelp("RUS_Velmora.chm");
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), requested);
    // Only the English file: it serves every language.
    for (const char* other : {"CSY", "DEU", "RUS"})
        std::filesystem::remove(helpDir / (std::string(other) + "_Velmora.chm"));
    for (int language : {0, 1, 2, 3, 4, 9})
        EXPECT_EQ(HelpPath(oem, language, "Velmora", true), oem + "\\HELP\\ENU_Velmora.chm") << language;
}

class ShowHelpTest : public HelpTest {
protected:
    testing::ScriptedMessages messages;
    std::vector<std::filesystem::path> opened;
    std::vector<Lookup> lookups;
    std::vector<bool> answers;  // what the viewer's lookups return, in turn
    HelpViewer Viewer(bool canLookUp) {
        HelpViewer v;
        v.messages = &messages;
        v.open = [this](const std::filesystem::path& p) { return opened.push_back(p), true; };
        if (canLookUp)
            v.lookup = [this](const std::filesystem::path& p, HelpLookup kind, const std::string& keywords) {
                lookups.push_back({p, kind, keywords});
                const bool answer = answers.empty() || answers.front();
                if (!answers.empty()) answers.erase(answers.begin());
                return answer;
            };
        return v;
    }
};

TEST_F(ShowHelpTest, UpperCasedOemDirectoryStillFindsTheFiles) {
    std::filesystem::remove(helpDir);
    std::filesystem::create_directory(dir / "help");
    testing::WriteBytes(dir / "help" / "enu_velmora.chm", "ITSF");
    const auto settings = ReadModuleSettings({"ide", "/oemdir=" + oem}, "/nowhere");
    ASSERT_NE(settings.oemDirectory, oem);
    EXPECT_TRUE(ShowHelp(Viewer(false), settings.oemDirectory, 0, "Velmora", "", ""));
    EXPECT_EQ(opened, std::vector<std::filesystem::path>{dir / "help" / "enu_velmora.chm"});
}

// Without a file nothing shows; without topic or keyword, or without a viewer
// that can look topics up, the start page opens and nothing is reported.
TEST_F(ShowHelpTest, TheStartPageOpensWhenThereIsNothingToLookUpElseTheTopicIsLookedUp) {
    EXPECT_FALSE(ShowHelp(Viewer(true), oem, 1, "Velmora", "Velmora_Y1", ""));
    EXPECT_TRUE(opened.empty());
    AddHelp("ENU_Velmora.chm");
    EXPECT_TRUE(ShowHelp(Viewer(true), oem, 1, "Velmora", "  ", " "));
    EXPECT_TRUE(ShowHelp(Viewer(false), oem, 1, "Velmora", "Velmora_graph", ""));
    EXPECT_EQ(opened, (std::vector<std::filesystem::path>(2, helpDir / "ENU_Velmora.chm")));
    EXPECT_TRUE(lookups.empty());
    EXPECT_TRUE(messages.shown.empty());
    // A topic is looked up as an "a_" link without its extension; nothing more is opened.
    AddHelp("CSY_Velmora.chm");
    EXPECT_TRUE(ShowHelp(Viewer(true), oem, 0, "Velmora.hlp", " Velmora_Y1.htm ", ""));
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].kind, HelpLookup::Topic);
    EXPECT_EQ(lookups[0].keywords, "a_Velmora_Y1");
    EXPECT_EQ(lookups[0].file, helpDir / "CSY_Velmora.chm");
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ShowHelpTest, FailedLastLookupShowsTopicNotFound) {
    AddHelp("ENU_Velmora.chm");
    answers = {false};
    EXPECT_TRUE(ShowHelp(Viewer(true), oem, 1, "Velmora", "", " pid "));
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].kind, HelpLookup::Keyword);
    EXPECT_EQ(lookups[0].keywords, "pid");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3564));
    EXPECT_EQ(messages.shown[0].caption, Text(2038));
    // Keyword and topic: both are asked, the topic last, and only its answer counts.
    answers = {false, true, true, false};
    EXPECT_TRUE(ShowHelp(Viewer(true), oem, 1, "Velmora", "Velmora_Sim", "pid"));
    ASSERT_EQ(lookups.size(), 3u);
    EXPECT_EQ(lookups[2].keywords, "a_Velmora_Sim");
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(ShowHelp(Viewer(true), oem, 1, "Velmora", "Velmora_Sim", "pid"));
    EXPECT_EQ(messages.shown.size(), 2u);
}

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
