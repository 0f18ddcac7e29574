#include "controllers/NewController.h"

#include <gtest/gtest.h>

#include "Fakes.h"
#include "base/IniFile.h"
#include "base/Texts.h"

namespace velmora {
namespace {

using testing::FakeNewControllerHost;
using testing::ScriptedMessages;

class NewControllerTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return dir.path() / "PLC1.rglx"; }
    testing::TempDir dir;
    FakeNewControllerHost host{dir.path() / "PLC1.rglx"};
    ScriptedMessages messages;
    NewController dialog{host, messages};
};

TEST(NewControllerLayout, SeriesSixAndLaterOfferTheFloatingPointKindAndTheDialect) {
    for (int series : {6, 7, 12}) {
        NewControllerLayout l = LayoutForSeries(series);
        EXPECT_EQ(l.kinds, (std::vector<std::string>{"PID", "PIDA"})) << series;
        EXPECT_TRUE(l.dialectVisible);
        EXPECT_EQ(l.height, 150);
    }
    for (int series : {5, 0, -1}) {
        NewControllerLayout l = LayoutForSeries(series);
        EXPECT_EQ(l.kinds, std::vector<std::string>{"PID"}) << series;
        EXPECT_FALSE(l.dialectVisible);
        EXPECT_EQ(l.height, 124);
    }
}

TEST_F(NewControllerTest, AHostThatDoesNotAnswerLeavesTheInitialSeries) {
    host.series.reset();
    dialog.create();
    EXPECT_EQ(dialog.series(), kUnknownSeries);
    EXPECT_EQ(dialog.layout().kinds, std::vector<std::string>{"PID"});
}

// Without a file, after two, in a gap, and with section names in any case.
TEST_F(NewControllerTest, ProposesTheFirstFreeNumberedName) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "PID_1"},
        {"[Regulator PID_1]\r\nName=PID_1\r\n[Regulator PID_2]\r\nName=PID_2\r\n", "PID_3"},
        {"[Regulator PID_2]\r\nName=PID_2\r\n[Desktop]\r\n", "PID_1"},
        {"[regulator pid_1]\r\nName=pid_1\r\n", "PID_2"},
    };
    for (const auto& [text, proposed] : cases) {
        if (text) testing::WriteBytes(file(), text);
        NewController dialog(host, messages);
        dialog.create();
        EXPECT_EQ(dialog.proposedName(), proposed) << (text ? text : "no file");
    }
}

TEST(NewControllerOk, NeedsANonBlankNameAndAKind) {
    EXPECT_TRUE(NewControllerOkEnabled("PID_1", "PID"));
    EXPECT_TRUE(NewControllerOkEnabled("  x ", "PIDA"));
    EXPECT_FALSE(NewControllerOkEnabled("   ", "PID"));
    EXPECT_FALSE(NewControllerOkEnabled("", "PID"));
    EXPECT_FALSE(NewControllerOkEnabled("PID_1", ""));
}

TEST_F(NewControllerTest, AcceptingWritesNameTypeAndDialectInThatOrder) {
    dialog.create();
    dialog.okClick("Boiler");
    EXPECT_EQ(host.currentController, "Boiler");
    EXPECT_TRUE(host.wizardRunning);
    ASSERT_TRUE(dialog.closeQuery("PIDA", true));
    EXPECT_TRUE(messages.shown.empty()) << "a legal new name needs no question";

    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Boiler"),
              (std::vector<std::string>{"Name=Boiler", "Type=PIDA", "HeaderInST=1"}));

    dialog.okClick("Pump");
    ASSERT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(IniFile(file()).readString("Regulator Pump", "HeaderInST", ""), "0");
    EXPECT_TRUE(host.closedViews.empty());
    EXPECT_TRUE(host.project.removedAt.empty());
}

TEST_F(NewControllerTest, ACorrectedNameIsConfirmedBeforeItIsUsed) {
    dialog.create();
    dialog.okClick("  1 heat loop ");
    EXPECT_EQ(dialog.name(), "_1_heat_loop");
    EXPECT_TRUE(dialog.marked());
    EXPECT_EQ(host.currentController, "_1_heat_loop");
    EXPECT_TRUE(host.wizardRunning);

    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (testing::ShownMessage{Text(2038), Text(3451) + "_1_heat_loop'?",
                                                        MessageIcon::Question, MessageButtons::YesNo}));
    EXPECT_FALSE(dialog.marked()) << "the mark is cleared even when the answer is No";
    EXPECT_FALSE(IniFile(file()).sectionExists("Regulator _1_heat_loop"));

    dialog.okClick("1 heat loop");
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(IniFile(file()).readString("Regulator _1_heat_loop", "Name", ""), "_1_heat_loop");
}

TEST_F(NewControllerTest, OverwritingAnExistingControllerAsksAndReplacesItsSection) {
    testing::WriteBytes(file(),
                    "[Regulator Tank]\r\nName=Tank\r\nType=PID\r\nHeaderInST=1\r\nPBnd=250\r\n"
                    "[Regulator Other]\r\nName=Other\r\n");
    host.project.entries = {"main.orv", "VELMORA\\tank_def.st", "Velmora\\Other.orv", "Velmora\\Tank.orv",
                            "Velmora\\Tank_def.orv"};
    dialog.create();

    dialog.okClick("Tank");
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery("PIDA", false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (testing::ShownMessage{Text(2038), Text(3040), MessageIcon::Exclamation,
                                                        MessageButtons::YesNo}));
    EXPECT_EQ(IniFile(file()).readString("Regulator Tank", "PBnd", ""), "250") << "No keeps the old one";
    EXPECT_TRUE(host.closedViews.empty());

    dialog.okClick("Tank");
    messages.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(dialog.closeQuery("PIDA", false));
    IniFile ini(file());
    EXPECT_EQ(ini.keys("Regulator Tank"), (std::vector<std::string>{"Name", "Type", "HeaderInST"}))
        << "the old keys are gone";
    EXPECT_EQ(ini.readString("Regulator Tank", "Type", ""), "PIDA");
    EXPECT_EQ(ini.readString("Regulator Other", "Name", ""), "Other");
    EXPECT_EQ(host.closedViews, std::vector<std::string>{"Tank"});
    // The old declarations were structured text: its "_def.ST" goes, the "_def.orv" stays.
    EXPECT_EQ(host.project.entries,
              (std::vector<std::string>{"main.orv", "Velmora\\Other.orv", "Velmora\\Tank_def.orv"}));
}

TEST_F(NewControllerTest, AMissingProjectInterfaceIsReportedButTheControllerKeptAndCancelLeavesNone) {
    host.withProject = false;
    dialog.create();
    dialog.okClick("Mixer");
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(messages.shown, (std::vector<testing::ShownMessage>{
                                  {Text(3019), Text(3021), MessageIcon::Stop, MessageButtons::Ok}}));
    EXPECT_EQ(IniFile(file()).readString("Regulator Mixer", "Name", ""), "Mixer");
    // Cancel leaves no current controller and no wizard.
    dialog.okClick("Boiler");
    dialog.cancelClick();
    EXPECT_EQ(host.currentController, "");
    EXPECT_FALSE(host.wizardRunning);
}

TEST(RemoveGeneratedFiles, ReadsTheListAgainAfterEachRemovalAndMatchesWholeNamesOfTheDialect) {
    testing::FakeProjectFiles project;
    project.entries = {"a.orv", "Velmora\\X_def.orv", "b.orv", "Velmora\\X.orv"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", false), 2);
    EXPECT_EQ(project.removedAt, (std::vector<int>{1, 2})) << "positions of the second read";
    EXPECT_EQ(project.reads, 2);
    EXPECT_EQ(project.entries, (std::vector<std::string>{"a.orv", "b.orv"}));
    project.entries = {"Velmora\\X_def.orv", "Velmora\\XY.orv", "Velmora\\X.orv.bak"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", true), 0) << "wrong dialect, other names";
    EXPECT_EQ(project.entries.size(), 3u);
}

TEST_F(NewControllerTest, AFailedWriteIsReportedAndKeepsTheDialogOpen) {
    std::filesystem::create_directories(file());  // a folder where the file should be: every write fails
    dialog.create();
    dialog.okClick("Boiler");
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, Text(3019));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_FALSE(messages.shown[0].text.empty());
    EXPECT_TRUE(host.project.removedAt.empty());
}

}  // namespace
}  // namespace velmora
