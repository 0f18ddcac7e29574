#include "controllers/NewController.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace velmora {
namespace {

using testing::ShownMessage;

class NewControllerTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return dir.path() / "PLC1.rglx"; }
    std::string key(const std::string& name, const char* key) const {
        return IniFile(file()).readString("Regulator " + name, key, "");
    }
    testing::TempDir dir;
    testing::FakeNewControllerHost host{dir.path() / "PLC1.rglx"};
    testing::ScriptedMessages messages;
    NewController dialog{host, messages};
};

TEST_F(NewControllerTest, TheSeriesDecidesKindsDialectAndHeight) {
    for (int series : {6, 7, 12, 5, 0, -1}) {
        const NewControllerLayout l = LayoutForSeries(series);
        const bool iec = series >= 6;
        EXPECT_EQ(l.kinds, (iec ? std::vector<std::string>{"PID", "PIDA"} : std::vector<std::string>{"PID"}))
            << series;
        EXPECT_EQ(l.dialectVisible, iec) << series;
        EXPECT_EQ(l.height, iec ? 150 : 124) << series;
    }
    host.series.reset();
    dialog.create();
    EXPECT_EQ(dialog.series(), kUnknownSeries);
    EXPECT_EQ(dialog.layout().kinds, std::vector<std::string>{"PID"});
}

// Without a file, after two, in a gap, and with section names in any case;
// OK needs a name that is not blank and a kind.
TEST_F(NewControllerTest, ProposesTheFirstFreeNumberedNameAndOkNeedsANameAndAKind) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "PID_1"},
        {"[Regulator PID_1]\r\nName=PID_1\r\n[Regulator PID_2]\r\nName=PID_2\r\n", "PID_3"},
        {"[Regulator PID_2]\r\nName=PID_2\r\n[Desktop]\r\n", "PID_1"},
        {"[regulator pid_1]\r\nName=pid_1\r\n", "PID_2"},
    };
    for (const auto& [text, proposed] : cases) {
        if (text) testing::WriteBytes(file(), text);
        NewController other(host, messages);
        other.create();
        EXPECT_EQ(other.proposedName(), proposed) << (text ? text : "no file");
    }
    EXPECT_TRUE(NewControllerOkEnabled("PID_1", "PID"));
    EXPECT_TRUE(NewControllerOkEnabled("  x ", "PIDA"));
    for (const auto& [name, kind] : {std::pair{"   ", "PID"}, {"", "PID"}, {"PID_1", ""}})
        EXPECT_FALSE(NewControllerOkEnabled(name, kind)) << '"' << name << "\" " << kind;
}

TEST_F(NewControllerTest, AcceptingWritesNameTypeAndDialectInThatOrder) {
    dialog.create();
    dialog.okClick("Boiler");
    EXPECT_EQ(host.currentController, "Boiler");
    EXPECT_TRUE(host.wizardRunning);
    ASSERT_TRUE(dialog.closeQuery("PIDA", true));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Boiler"),
              (std::vector<std::string>{"Name=Boiler", "Type=PIDA", "HeaderInST=1"}));
    dialog.okClick("Pump");
    ASSERT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(key("Pump", "HeaderInST"), "0");
    EXPECT_TRUE(host.closedViews.empty());
    EXPECT_TRUE(host.project.removedAt.empty());
}

// The mark is cleared even when the answer is No.
TEST_F(NewControllerTest, ACorrectedNameIsConfirmedBeforeItIsUsed) {
    dialog.create();
    dialog.okClick("  1 heat loop ");
    EXPECT_EQ(dialog.name(), "_1_heat_loop");
    EXPECT_TRUE(dialog.marked());
    EXPECT_EQ(host.currentController, "_1_heat_loop");
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{Text(2038), Text(3451) + "_1_heat_loop'?",
                                                          MessageIcon::Question, MessageButtons::YesNo}}));
    EXPECT_FALSE(dialog.marked());
    EXPECT_FALSE(IniFile(file()).sectionExists("Regulator _1_heat_loop"));
    dialog.okClick("1 heat loop");
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(key("_1_heat_loop", "Name"), "_1_heat_loop");
}

// No keeps the old controller; Yes replaces its keys, closes its view and
// takes its generated files of the old dialect out of the project.
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
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{Text(2038), Text(3040), MessageIcon::Exclamation,
                                                          MessageButtons::YesNo}}));
    EXPECT_EQ(key("Tank", "PBnd"), "250");
    EXPECT_TRUE(host.closedViews.empty());

    dialog.okClick("Tank");
    messages.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(dialog.closeQuery("PIDA", false));
    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Tank"),
              (std::vector<std::string>{"Name=Tank", "Type=PIDA", "HeaderInST=0"}));
    EXPECT_EQ(key("Other", "Name"), "Other");
    EXPECT_EQ(host.closedViews, std::vector<std::string>{"Tank"});
    EXPECT_EQ(host.project.entries,
              (std::vector<std::string>{"main.orv", "Velmora\\Other.orv", "Velmora\\Tank_def.orv"}));
}

// The list is read again after each removal; only whole names of the dialect count.
TEST(RemoveGeneratedFiles, ReadsTheListAgainAfterEachRemovalAndMatchesWholeNamesOfTheDialect) {
    testing::FakeProjectFiles project;
    project.entries = {"a.orv", "Velmora\\X_def.orv", "b.orv", "Velmora\\X.orv"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", false), 2);
    EXPECT_EQ(project.removedAt, (std::vector<int>{1, 2})) << "positions of the second read";
    EXPECT_EQ(project.reads, 2);
    EXPECT_EQ(project.entries, (std::vector<std::string>{"a.orv", "b.orv"}));
    project.entries = {"Velmora\\X_def.orv", "Velmora\\XY.orv", "Velmora\\X.orv.bak"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", true), 0);
    EXPECT_EQ(project.entries.size(), 3u);
}

TEST_F(NewControllerTest, FailuresAreReportedAndCancelLeavesNoController) {
    host.withProject = false;
    dialog.create();
    dialog.okClick("Mixer");
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(messages.shown,
              (std::vector<ShownMessage>{{Text(3019), Text(3021), MessageIcon::Stop, MessageButtons::Ok}}));
    EXPECT_EQ(key("Mixer", "Name"), "Mixer");

    std::filesystem::remove(file());
    std::filesystem::create_directories(file());  // a folder where the file should be: every write fails
    dialog.okClick("Boiler");
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].caption, Text(3019));
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Stop);
    EXPECT_FALSE(messages.shown[1].text.empty());
    dialog.cancelClick();
    EXPECT_EQ(host.currentController, "");
    EXPECT_FALSE(host.wizardRunning);
}

}  // namespace
}  // namespace velmora
