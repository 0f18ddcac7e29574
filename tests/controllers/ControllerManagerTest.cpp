// The controller manager over a scripted frame: its command table, the list,
// the views it opens and toggles, removal, import and export.
#include <gmock/gmock.h>

#include <algorithm>

#include "Fakes.h"

namespace velmora {
namespace {

using ::testing::ElementsAre;
using testing::ReadBytes;
using testing::WriteBytes;
using Shown = std::vector<testing::ShownMessage>;

// No adding or importing while a view runs; without a selection, or with one
// past the end, nothing works on a single line.
TEST(ManagerCommandTable, FollowsSelectionAndChecks) {
    const std::vector<ManagerLine> idle{{"A", false}, {"B", false}}, mixed{{"A", true}, {"B", false}},
        running{{"A", true}, {"B", true}};
    const struct {
        std::vector<ManagerLine> lines;
        int selected;
        ManagerCommands expected;
    } rows[] = {
        // start selected, stop selected, start all, stop all, add, remove, import, export
        {{}, -1, {0, 0, 0, 0, 1, 0, 1, 0}},     {idle, 1, {1, 0, 1, 0, 1, 1, 1, 1}},
        {idle, -1, {0, 0, 1, 0, 1, 0, 1, 0}},   {mixed, 0, {0, 1, 1, 1, 0, 1, 0, 1}},
        {mixed, 1, {1, 0, 1, 1, 0, 1, 0, 1}},   {running, 0, {0, 1, 0, 1, 0, 1, 0, 1}},
        {running, 2, {0, 0, 0, 1, 0, 0, 0, 0}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(CommandsFor(rows[i].lines, rows[i].selected), rows[i].expected) << "row " << i;
}

// Characters, not bytes.
TEST(ManagerLineText, CutsTenCharactersAndFileFiltersBecomeToolkitFilters) {
    const std::pair<const char*, const char*> rows[] = {
        {"Regulator PID_1", "PID_1"},   {"Regulator ", ""},       {"Short", ""},
        {"Regulatory PID_1", " PID_1"}, {"Žluťoučký kůň", "kůň"},
    };
    for (const auto& [section, text] : rows) EXPECT_EQ(ManagerLineText(section), text) << section;
    EXPECT_EQ(FileDialogFilter("Controller file (*.rgl)|*.rgl"), "Controller file (*.rgl)");
    EXPECT_EQ(FileDialogFilter("Controllers|*.rgl|All|*.*"), "Controllers (*.rgl);;All (*.*)");
}

const char* const kTwoControllers =
    "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
    "[Desktop]\r\nVelmora - Boiler=1,0,0,10,20,300,200,0\r\n"
    "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=0\r\n";

class ManagerTest : public ::testing::Test {
protected:
    void load(const std::string& text) {
        WriteBytes(host.file, text);
        manager.refresh();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& l : manager.lines()) out.push_back(l.text + (l.checked ? " on" : ""));
        return out;
    }
    long count(const std::string& event) const {
        return std::count(host.events.begin(), host.events.end(), event);
    }
    std::string key(const std::string& controller, const char* key) const {
        return IniFile(host.file).readString("Regulator " + controller, key, "");
    }
    testing::TempDir dir;
    testing::FakeManagerHost host{dir.path()};
    std::optional<std::filesystem::path> importFile, exportFile;
    std::vector<std::string> exportProposals;
    // The dialogs' folder is checked by the window's test.
    ControllerManager manager{host,
                              {[this](const auto&) { return importFile; },
                               [this](const auto&, const std::string& name) {
                                   exportProposals.push_back(name);
                                   return exportFile;
                               }}};
};

// A section shorter than ten characters still gives a line, with an empty
// text; adding runs the wizard and shows the new controller.
TEST_F(ManagerTest, RefreshListsSectionsButDesktopInFileOrderOrNothingWithoutAFileAndAddRunsTheWizard) {
    load(
        "[Regulator Boiler]\r\nName=Boiler\r\n[DESKTOP]\r\nx=1\r\n[Odd]\r\nName=x\r\n"
        "[Regulator Oven]\r\nName=Oven\r\n");
    EXPECT_THAT(texts(), ElementsAre("Boiler", "", "Oven"));
    EXPECT_EQ(manager.selected(), 0);
    std::filesystem::remove(host.file);
    manager.refresh();
    EXPECT_TRUE(manager.lines().empty());
    EXPECT_EQ(manager.selected(), -1);
    host.wizard = [&] { IniFile(host.file).writeString("Regulator PID_1", "Name", "PID_1"); };
    manager.add();
    EXPECT_THAT(host.events, ElementsAre("wizard"));
    EXPECT_THAT(texts(), ElementsAre("PID_1"));
    EXPECT_EQ(manager.selected(), 0);
    host.noProject = true;
    load(kTwoControllers);
    EXPECT_TRUE(manager.lines().empty());
    EXPECT_TRUE(host.msgs.shown.empty());
}

TEST_F(ManagerTest, ChecksFollowTheViewsAndOpeningOrClickingALineDocksTheViewAndTogglesIt) {
    host.views = {{"Oven", true}, {"Boiler", false}, {"Gone", true}};
    int notified = 0;
    manager.changed = [&] { ++notified; };
    load(kTwoControllers);
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Oven on"));
    EXPECT_GT(notified, 0);
    EXPECT_FALSE(manager.commands().add);
    manager.uncheck("Oven");
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Oven"));
    EXPECT_TRUE(manager.commands().add);
    host.views.clear();
    manager.select(1);
    manager.openSelected();
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0"));
    EXPECT_FALSE(host.dockFlag);
    manager.select(0);
    for (const char* shown : {"Oven on", "Oven"}) {
        host.events.clear();
        manager.checkBoxClick(1);
        EXPECT_EQ(manager.selected(), 1);
        EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0", "toggle Oven"));
        EXPECT_THAT(texts(), ElementsAre("Boiler", shown));
    }
    load("[Regulator Ghost]\r\nType=PID\r\n");
    manager.checkBoxClick(0);
    EXPECT_THAT(texts(), ElementsAre("Ghost"));
    EXPECT_EQ(count("toggle Ghost"), 0);
}

TEST_F(ManagerTest, StartAllWarnsOnceAboutFreshCodeAndSelectedFollowTheBox) {
    load(kTwoControllers + std::string("[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\n"));
    host.generated = true;
    host.views = {{"Oven", true}};
    manager.updateChecks();
    manager.startAll();
    EXPECT_EQ(host.msgs.shown, (Shown{{"Warning",
                                       "Controller program was changed. It is necessary to compile (F9) "
                                       "before plug-in execution.",
                                       MessageIcon::Exclamation, MessageButtons::Ok}}));
    EXPECT_THAT(testing::LinesStartingWith(host.events, {"toggle "}),
                ElementsAre("toggle Boiler", "toggle Mixer"));
    EXPECT_THAT(texts(), ElementsAre("Boiler on", "Oven on", "Mixer on"));
    EXPECT_EQ(manager.selected(), 2);
    manager.stopAll();
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Oven", "Mixer"));
    for (const auto& v : host.views) EXPECT_FALSE(v.communicating) << v.controllerName;
    manager.select(0);
    manager.startSelected();  // the warning was for that start all only: the view refuses
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Oven", "Mixer"));
    host.generated = false;
    host.events.clear();
    manager.select(0);
    manager.stopSelected();  // not running: nothing to do
    EXPECT_TRUE(host.events.empty());
    manager.startSelected();
    manager.startSelected();  // running already: no second toggle
    EXPECT_EQ(count("toggle Boiler"), 1);
    manager.stopSelected();
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Oven", "Mixer"));
    manager.startAll();
    EXPECT_EQ(host.msgs.shown.size(), 1u) << "no warning without fresh code";
}

class RemoveTest : public ManagerTest {
protected:
    void SetUp() override {
        for (const char* f : {"Boiler_def.ST", "Boiler.orv", "Oven_def.orv", "Oven.orv"})
            WriteBytes(host.project / "Velmora" / f, "generated\r\n");
        host.projectList = {"main.orv", "VELMORA\\boiler_def.st", "Velmora\\Oven_def.orv",
                            "Velmora\\Boiler.orv", "Velmora\\Oven.orv"};
        load(
            "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n[Regulatory Boiler]\r\n"
            "Name=Boiler\r\n[Regulator Oven]\r\nName=Oven\r\nType=PID\r\nHeaderInST=0\r\n");
    }
};

// The view goes before the project entries, declarations before code, the
// files stay; without HeaderInST the mnemonic declarations are the ones unregistered.
TEST_F(RemoveTest, ErasesBothSectionsAndUnregistersTheFilesButKeepsThem) {
    host.views = {{"Boiler", false}};
    host.msgs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    manager.removeSelected();
    EXPECT_EQ(host.msgs.shown, (Shown{{"Warning", "Are you sure to remove controller? Boiler?",
                                       MessageIcon::Exclamation, MessageButtons::YesNo}}));
    EXPECT_THAT(IniFile(host.file).sections(), ElementsAre("Regulator Oven"));
    EXPECT_THAT(host.events, ElementsAre("close Boiler", "unregister VELMORA\\boiler_def.st",
                                         "unregister Velmora\\Boiler.orv"));
    EXPECT_THAT(host.projectList, ElementsAre("main.orv", "Velmora\\Oven_def.orv", "Velmora\\Oven.orv"));
    for (const char* f : {"Boiler_def.ST", "Boiler.orv"})
        EXPECT_TRUE(std::filesystem::exists(host.project / "Velmora" / f));
    EXPECT_THAT(texts(), ElementsAre("Oven"));
    manager.select(0);
    manager.removeSelected();
    EXPECT_THAT(host.projectList, ElementsAre("main.orv"));
}

TEST_F(RemoveTest, AnswerNoOrAnUnwritableFileChangesNothingAndAMissingProjectInterfaceIsReported) {
    const std::string before = ReadBytes(host.file);
    host.msgs.answers = {MessageAnswer::No, MessageAnswer::Yes};
    manager.removeSelected();
    std::filesystem::permissions(host.file, std::filesystem::perms::owner_read);
    manager.removeSelected();
    std::filesystem::permissions(host.file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(host.msgs.shown.size(), 3u);
    EXPECT_EQ(host.msgs.shown[2].caption, "Error");
    EXPECT_EQ(host.msgs.shown[2].icon, MessageIcon::Stop);
    EXPECT_EQ(ReadBytes(host.file), before);
    EXPECT_TRUE(host.events.empty());
    host.projectInterface = false;
    host.msgs.answers = {MessageAnswer::Yes};
    manager.removeSelected();
    ASSERT_EQ(host.msgs.shown.size(), 5u);
    EXPECT_EQ(host.msgs.shown[4].text, "Interface error! Save changes and restart application!");
    EXPECT_FALSE(IniFile(host.file).sectionExists("Regulator Boiler"));
}

class ImportTest : public ManagerTest {
protected:
    void SetUp() override {
        importFile = dir.path() / "Kiln.rgl";
        WriteBytes(*importFile,
                   "[Regulator Furnace]\nName=Furnace\nType=PIDA\n; tuned in March\n\n"
                   "PBand = 12,5\nY1Name=Kiln_T\n");
        load("[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\nPBand=50\r\n");
    }
};

TEST_F(ImportTest, CopiesTheKeysUnderTheChosenNameAndAnExistingNameAsks) {
    host.importNames = {ImportName{"Kiln", false}};
    manager.importController();
    EXPECT_THAT(IniFile(host.file).sectionValues("Regulator Kiln"),
                ElementsAre("Name=Kiln", "Type=PIDA", "PBand=12,5", "Y1Name=Kiln_T", "HeaderInST=0"));
    EXPECT_FALSE(IniFile(host.file).sectionExists("Regulator Furnace"));
    EXPECT_THAT(host.events, ElementsAre("generate Kiln", "open Kiln floating"));
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Kiln"));
    EXPECT_TRUE(host.msgs.shown.empty());
    host.importNames = {ImportName{"Boiler", true}, ImportName{"Kiln2", true}};
    host.msgs.answers = {MessageAnswer::No};
    manager.importController();
    EXPECT_EQ(host.msgs.shown, (Shown{{"Warning", "There is a controller with this name! Overwrite?",
                                       MessageIcon::Exclamation, MessageButtons::YesNo}}));
    EXPECT_THAT(host.proposals, ElementsAre("Kiln", "Kiln", "Boiler"));
    EXPECT_EQ(key("Boiler", "Type"), "PID");
    EXPECT_EQ(key("Kiln2", "Name"), "Kiln2");
    host.importNames = {ImportName{"boiler", true}};
    host.msgs.answers = {MessageAnswer::Yes};
    manager.importController();
    EXPECT_EQ(key("Boiler", "Type") + key("Boiler", "PBand") + key("Boiler", "Name"), "PIDA12,5boiler");
    EXPECT_EQ(IniFile(host.file).sections().size(), 3u);
    IniFile(host.file).writeString("Regulator Kiln3", "Type", "PID");
    host.importNames = {ImportName{"Kiln3", true}};
    manager.importController();
    EXPECT_EQ(host.msgs.shown.size(), 2u) << "no question about a section without a name";
    EXPECT_EQ(key("Kiln3", "Type"), "PIDA");
}

TEST_F(ImportTest, CancelledOrForeignImportsWriteNothingAndKeysAfterAFurtherSectionAreLeft) {
    const std::string before = ReadBytes(host.file);
    manager.importController();  // no answer scripted: the name dialog is cancelled
    host.importNames = {ImportName{"Kiln", true}};
    const auto file = *importFile;
    importFile.reset();
    manager.importController();
    importFile = file;
    for (const char* foreign : {"[Desktop]\r\n[Regulator Furnace]\r\nName=Furnace\r\n", ""}) {
        WriteBytes(file, foreign);
        manager.importController();
    }
    EXPECT_EQ(host.proposals.size(), 1u);
    EXPECT_EQ(host.importNames.size(), 1u);
    EXPECT_TRUE(host.msgs.shown.empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(ReadBytes(host.file), before);
    WriteBytes(file, "[Regulator A]\r\nType=PID\r\n[Regulator B]\r\nType=PIDA\r\nExtra=1\r\n");
    host.importNames = {ImportName{"A", true}};
    manager.importController();
    EXPECT_THAT(IniFile(host.file).sectionValues("Regulator A"),
                ElementsAre("Type=PID", "HeaderInST=1", "Name=A"));
    EXPECT_FALSE(IniFile(host.file).sectionExists("Regulator B"));
}

TEST_F(ManagerTest, ExportWritesTheSectionHeaderAndItsKeysOrReportsAFailure) {
    load(
        "[Regulator Boiler]\nName=Boiler\nType=PID\n; note\nPBand= \"12,5\" \nHeaderInST=1\n"
        "[Regulator Oven]\nName=Oven\n");
    exportFile = dir.path() / "out" / "Boiler.rgl";
    WriteBytes(*exportFile, "an older and much longer file that must be replaced completely\r\n");
    manager.exportSelected();
    EXPECT_THAT(exportProposals, ElementsAre("Boiler"));
    EXPECT_EQ(ReadBytes(*exportFile),
              "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nPBand=12,5\r\nHeaderInST=1\r\n");
    EXPECT_EQ(testing::EntriesIn(exportFile->parent_path()), 1);
    EXPECT_TRUE(host.msgs.shown.empty());
    exportFile = dir.path() / "missing-folder" / "Boiler.rgl";
    manager.exportSelected();
    ASSERT_EQ(host.msgs.shown.size(), 1u);
    EXPECT_EQ(host.msgs.shown[0].caption, "Error");
    EXPECT_NE(host.msgs.shown[0].text.find("Boiler.rgl"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(*exportFile));
}

}  // namespace
}  // namespace velmora
