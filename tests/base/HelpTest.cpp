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
    AddHelp("CSY_Velmora.chm");
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), oem + "\\HELP\\CSY_Velmora.chm");
    AddHelp("DEU_Velmora.chm");
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), oem + "\\HELP\\DEU_Velmora.chm");
    AddHelp("ENU_Velmora.chm");
    EXPECT_EQ(HelpPath(oem, 2, "Velmora", true), oem + "\\HELP\\ENU_Velmora.chm");
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

}  // namespace
}  // namespace velmora
