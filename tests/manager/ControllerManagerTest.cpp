// The controller manager over a scripted frame: its command table, the list,
// the views it opens and toggles, removal, import and export.
#include <gmock/gmock.h>

#include <algorithm>

#include "ManagerFakes.h"

namespace velmora {
namespace {

using ::testing::ElementsAre;
using testing::FakeManagerHost;
using testing::ReadBytes;
using testing::WriteBytes;

std::vector<ManagerLine> Lines(std::initializer_list<std::pair<const char*, bool>> items) {
    std::vector<ManagerLine> out;
    for (auto& [text, checked] : items) out.push_back({text, checked});
    return out;
}

// No adding or importing while a view runs; without a selection, or with one
// past the end, nothing works on a single line.
TEST(ManagerCommandTable, FollowsSelectionAndChecks) {
    const auto idle = Lines({{"A", false}, {"B", false}});
    const auto mixed = Lines({{"A", true}, {"B", false}});
    const auto running = Lines({{"A", true}, {"B", true}});
    const struct {
        std::vector<ManagerLine> lines;
        int selected;
        ManagerCommands expected;
    } rows[] = {
        // start selected, stop selected, start all, stop all, add, remove, import, export
        {{}, -1, {0, 0, 0, 0, 1, 0, 1, 0}},
        {idle, 1, {1, 0, 1, 0, 1, 1, 1, 1}},
        {idle, -1, {0, 0, 1, 0, 1, 0, 1, 0}},
        {mixed, 0, {0, 1, 1, 1, 0, 1, 0, 1}},
        {mixed, 1, {1, 0, 1, 1, 0, 1, 0, 1}},
        {running, 0, {0, 1, 0, 1, 0, 1, 0, 1}},
        {running, 2, {0, 0, 0, 1, 0, 0, 0, 0}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(CommandsFor(rows[i].lines, rows[i].selected), rows[i].expected) << "row " << i;
}

TEST(ManagerLineText, CutsTenCharactersAndFileFiltersBecomeToolkitFilters) {
    // Characters, not bytes.
    for (const auto& [section, text] : {std::pair{"Regulator PID_1", "PID_1"}, {"Regulator ", ""}, {"Short", ""},
                                        {"Regulatory PID_1", " PID_1"}, {"Žluťoučký kůň", "kůň"}})
        EXPECT_EQ(ManagerLineText(section), text) << section;
    EXPECT_EQ(FileDialogFilter("Controller file (*.rgl)|*.rgl"), "Controller file (*.rgl)");
    EXPECT_EQ(FileDialogFilter("Controllers|*.rgl|All|*.*"), "Controllers (*.rgl);;All (*.*)");
}

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override { testing::English(); }
    void writeControllers(const std::string& text) { WriteBytes(host.file, text); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& l : manager.lines()) out.push_back(l.text);
        return out;
    }

    testing::TempDir dir;
    FakeManagerHost host{dir.path()};
    std::optional<std::filesystem::path> importFile;
    std::optional<std::filesystem::path> exportFile;
    std::vector<std::string> exportProposals;
    ControllerManager manager{
        host, ManagerFileDialogs{[this](const std::filesystem::path& folder) {
                                     EXPECT_EQ(folder, host.file.parent_path());
                                     return importFile;
                                 },
                                 [this](const std::filesystem::path& folder, const std::string& name) {
                                     EXPECT_EQ(folder, host.file.parent_path());
                                     exportProposals.push_back(name);
                                     return exportFile;
                                 }}};
};

const char* const kTwoControllers =
    "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
    "[Desktop]\r\nVelmora - Boiler=1,0,0,10,20,300,200,0\r\n"
    "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=0\r\n";

// Adding runs the wizard and shows the new controller.
TEST_F(ManagerTest, RefreshListsSectionsButDesktopInFileOrderOrNothingWithoutAFileAndAddRunsTheWizard) {
    writeControllers(
        "[Regulator Boiler]\r\nName=Boiler\r\n[DESKTOP]\r\nx=1\r\n[Odd]\r\nName=x\r\n"
        "[Regulator Oven]\r\nName=Oven\r\n");
    manager.refresh();
    // A section shorter than ten characters still gives a line, with an empty text.
    EXPECT_THAT(texts(), ElementsAre("Boiler", "", "Oven"));
    EXPECT_EQ(manager.selected(), 0);
    std::filesystem::remove(host.file);
    manager.refresh();
    EXPECT_TRUE(manager.lines().empty());
    EXPECT_EQ(manager.selected(), -1);
    EXPECT_EQ(manager.commands(), (ManagerCommands{.add = true, .import = true}));
    host.wizard = [&] { IniFile(host.file).writeString("Regulator PID_1", "Name", "PID_1"); };
    manager.add();
    EXPECT_THAT(host.events, ElementsAre("wizard"));
    EXPECT_THAT(texts(), ElementsAre("PID_1"));
    EXPECT_EQ(manager.selected(), 0);

    writeControllers(kTwoControllers);
    host.noProject = true;
    manager.refresh();
    EXPECT_TRUE(manager.lines().empty());
    EXPECT_TRUE(host.msgs.shown.empty());
}

TEST_F(ManagerTest, ChecksFollowTheOpenViews) {
    writeControllers(kTwoControllers);
    host.views = {{"Oven", true}, {"Boiler", false}, {"Gone", true}};
    int notified = 0;
    manager.changed = [&] { ++notified; };
    manager.refresh();
    EXPECT_EQ(manager.lines(), (std::vector<ManagerLine>{{"Boiler", false}, {"Oven", true}}));
    EXPECT_GT(notified, 0);
    EXPECT_FALSE(manager.commands().add);

    manager.uncheck("Oven");
    EXPECT_FALSE(manager.lines()[1].checked);
    EXPECT_TRUE(manager.commands().add);
}

// Opening a line docks its view and restores the manager's flag; the check box
// opens the view too, toggles it and shows its state.
TEST_F(ManagerTest, OpeningOrClickingALineDocksTheViewAndTheBoxTogglesIt) {
    writeControllers(kTwoControllers);
    manager.refresh();
    manager.select(1);
    manager.openSelected();
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0"));
    EXPECT_FALSE(host.dockFlag);
    manager.select(0);
    for (bool running : {true, false}) {
        host.events.clear();
        manager.checkBoxClick(1);
        EXPECT_EQ(manager.selected(), 1);
        EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0", "toggle Oven"));
        EXPECT_EQ(manager.lines(), (std::vector<ManagerLine>{{"Boiler", false}, {"Oven", running}}));
    }
    // A line without a controller name stays unchecked.
    writeControllers("[Regulator Ghost]\r\nType=PID\r\n");
    manager.refresh();
    manager.checkBoxClick(0);
    EXPECT_FALSE(manager.lines()[0].checked);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "toggle Ghost"), 0);
}

TEST_F(ManagerTest, StartAllWithFreshCodeWarnsOnceThenStartsEveryView) {
    writeControllers(kTwoControllers + std::string("[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\n"));
    host.generated = true;
    manager.refresh();
    // One view already runs: it is left alone.
    host.views = {{"Oven", true}};
    manager.updateChecks();

    manager.startAll();
    ASSERT_EQ(host.msgs.shown.size(), 1u);
    EXPECT_EQ(host.msgs.shown[0],
              (testing::ShownMessage{"Warning",
                                     "Controller program was changed. It is necessary to compile (F9) before "
                                     "plug-in execution.",
                                     MessageIcon::Exclamation, MessageButtons::Ok}));
    EXPECT_THAT(testing::LinesStartingWith(host.events, {"toggle "}),
                ElementsAre("toggle Boiler", "toggle Mixer"));
    for (const auto& line : manager.lines()) EXPECT_TRUE(line.checked) << line.text;
    EXPECT_EQ(manager.selected(), 2);
    EXPECT_EQ(
        manager.commands(),
        (ManagerCommands{.stopSelected = true, .stopAll = true, .remove = true, .exportSelected = true}));

    // Stopping all asks nothing and stops every view.
    manager.stopAll();
    EXPECT_EQ(host.msgs.shown.size(), 1u);
    for (const auto& v : host.views) EXPECT_FALSE(v.communicating) << v.controllerName;
    for (const auto& line : manager.lines()) EXPECT_FALSE(line.checked) << line.text;
}

// Without fresh code start all asks nothing; the selected line starts and stops
// only when its box allows.
TEST_F(ManagerTest, StartAllWithoutFreshCodeDoesNotWarnAndSelectedFollowTheBox) {
    writeControllers(kTwoControllers);
    manager.refresh();
    manager.stopSelected();  // not running: nothing to do
    EXPECT_TRUE(host.events.empty());
    manager.startSelected();
    EXPECT_TRUE(manager.lines()[0].checked);
    manager.startSelected();  // running already: no second toggle
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "toggle Boiler"), 1);
    manager.stopSelected();
    EXPECT_FALSE(manager.lines()[0].checked);
    manager.startAll();
    EXPECT_TRUE(host.msgs.shown.empty());
    EXPECT_TRUE(manager.lines()[0].checked && manager.lines()[1].checked);
}

class RemoveTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        writeControllers(
            "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
            "[Regulatory Boiler]\r\nName=Boiler\r\n"
            "[Regulator Oven]\r\nName=Oven\r\nType=PID\r\nHeaderInST=0\r\n");
        for (const char* f : {"Boiler_def.ST", "Boiler.orv", "Oven_def.orv", "Oven.orv"})
            WriteBytes(host.project / "Velmora" / f, "generated\r\n");
        host.projectList = {"main.orv", "VELMORA\\boiler_def.st", "Velmora\\Oven_def.orv",
                            "Velmora\\Boiler.orv", "Velmora\\Oven.orv"};
        manager.refresh();
    }
};

TEST_F(RemoveTest, ErasesBothSectionsAndUnregistersTheFilesButKeepsThem) {
    host.views = {{"Boiler", false}};
    host.msgs.answers = {MessageAnswer::Yes};
    manager.removeSelected();

    ASSERT_EQ(host.msgs.shown.size(), 1u);
    EXPECT_EQ(host.msgs.shown[0],
              (testing::ShownMessage{"Warning", "Are you sure to remove controller? Boiler?",
                                     MessageIcon::Exclamation, MessageButtons::YesNo}));

    IniFile file(host.file);
    EXPECT_FALSE(file.sectionExists("Regulator Boiler"));
    EXPECT_FALSE(file.sectionExists("Regulatory Boiler"));
    EXPECT_EQ(file.readString("Regulator Oven", "Name", ""), "Oven");
    // The view goes before the project entries, declarations before code.
    EXPECT_THAT(host.events, ElementsAre("close Boiler", "unregister VELMORA\\boiler_def.st",
                                         "unregister Velmora\\Boiler.orv"));
    EXPECT_THAT(host.projectList, ElementsAre("main.orv", "Velmora\\Oven_def.orv", "Velmora\\Oven.orv"));
    EXPECT_TRUE(std::filesystem::exists(host.project / "Velmora" / "Boiler_def.ST"));
    EXPECT_TRUE(std::filesystem::exists(host.project / "Velmora" / "Boiler.orv"));
    EXPECT_THAT(texts(), ElementsAre("Oven"));
}

// Line 1 is the stray "Regulatory Boiler" section; entries missing from the list are skipped.
TEST_F(RemoveTest, MnemonicDeclarationsAreTheOnesUnregisteredWithoutHeaderInST) {
    manager.select(2);
    host.msgs.answers = {MessageAnswer::Yes};
    manager.removeSelected();
    EXPECT_THAT(host.projectList, ElementsAre("main.orv", "VELMORA\\boiler_def.st", "Velmora\\Boiler.orv"));
    host.msgs.answers = {MessageAnswer::Yes};
    manager.select(0);
    manager.removeSelected();
    EXPECT_THAT(host.projectList, ElementsAre("main.orv"));
    EXPECT_EQ(host.msgs.shown.size(), 2u);
}

// Answer No changes nothing; a read-only controller file is refused (even
// where the user could write it), reported, and nothing else happens.
TEST_F(RemoveTest, AnswerNoOrAnUnwritableFileChangesNothingAndAMissingProjectInterfaceIsReported) {
    const std::string before = ReadBytes(host.file);
    host.msgs.answers = {MessageAnswer::No};
    manager.removeSelected();
    EXPECT_EQ(host.msgs.shown.size(), 1u);

    std::filesystem::permissions(host.file, std::filesystem::perms::owner_read);
    host.msgs.answers = {MessageAnswer::Yes};
    manager.removeSelected();
    std::filesystem::permissions(host.file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    ASSERT_EQ(host.msgs.shown.size(), 3u);
    EXPECT_EQ(host.msgs.shown[2].caption, "Error");
    EXPECT_EQ(host.msgs.shown[2].icon, MessageIcon::Stop);
    EXPECT_EQ(ReadBytes(host.file), before);
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.projectList.size(), 5u);
    // Without the project interface the sections go and the failure is reported.
    host.projectInterface = false;
    host.msgs.answers = {MessageAnswer::Yes};
    manager.removeSelected();
    ASSERT_EQ(host.msgs.shown.size(), 5u);
    EXPECT_EQ(host.msgs.shown[4].caption, "Error");
    EXPECT_EQ(host.msgs.shown[4].text, "Interface error! Save changes and restart application!");
    EXPECT_FALSE(IniFile(host.file).sectionExists("Regulator Boiler"));
}

class ImportTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        writeControllers("[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\nPBand=50\r\n");
        importFile = dir.path() / "Kiln.rgl";
        WriteBytes(*importFile,
                  "[Regulator Furnace]\nName=Furnace\nType=PIDA\n; tuned in March\n\nPBand = "
                  "12,5\nY1Name=Kiln_T\n");
        manager.refresh();
    }
};

TEST_F(ImportTest, CopiesTheKeysUnderTheChosenName) {
    host.importNames = {ImportName{"Kiln", false}};
    manager.importController();
    EXPECT_THAT(host.proposals, ElementsAre("Kiln"));
    IniFile file(host.file);
    EXPECT_THAT(file.sectionValues("Regulator Kiln"),
                ElementsAre("Name=Kiln", "Type=PIDA", "PBand=12,5", "Y1Name=Kiln_T", "HeaderInST=0"));
    EXPECT_FALSE(file.sectionExists("Regulator Furnace"));
    EXPECT_THAT(host.events, ElementsAre("generate Kiln", "open Kiln floating"));
    EXPECT_THAT(texts(), ElementsAre("Boiler", "Kiln"));
    EXPECT_TRUE(host.msgs.shown.empty());
}

// An existing name asks: No brings the name dialog back with the name the user
// had typed, Yes overwrites; a section without a Name is no conflict.
TEST_F(ImportTest, AnExistingNameAsksNoReturnsToTheNameDialogAndYesOverwrites) {
    host.importNames = {ImportName{"Boiler", true}, ImportName{"Kiln2", true}};
    host.msgs.answers = {MessageAnswer::No};
    manager.importController();
    ASSERT_EQ(host.msgs.shown.size(), 1u);
    EXPECT_EQ(host.msgs.shown[0],
              (testing::ShownMessage{"Warning", "There is a controller with this name! Overwrite?",
                                     MessageIcon::Exclamation, MessageButtons::YesNo}));
    EXPECT_THAT(host.proposals, ElementsAre("Kiln", "Boiler"));
    EXPECT_EQ(IniFile(host.file).readString("Regulator Boiler", "Type", ""), "PID");
    EXPECT_EQ(IniFile(host.file).readString("Regulator Kiln2", "Name", ""), "Kiln2");

    host.importNames = {ImportName{"boiler", true}};
    host.msgs.answers = {MessageAnswer::Yes};
    manager.importController();
    IniFile file(host.file);
    EXPECT_EQ(file.readString("Regulator Boiler", "Type", ""), "PIDA");
    EXPECT_EQ(file.readString("Regulator Boiler", "PBand", ""), "12,5");
    EXPECT_EQ(file.readString("Regulator Boiler", "Name", ""), "boiler");
    EXPECT_EQ(file.sections().size(), 2u);

    IniFile(host.file).writeString("Regulator Kiln", "Type", "PID");
    host.importNames = {ImportName{"Kiln", true}};
    manager.importController();
    EXPECT_EQ(host.msgs.shown.size(), 2u) << "no question about Kiln";
    EXPECT_EQ(IniFile(host.file).readString("Regulator Kiln", "Type", ""), "PIDA");
}

// A cancelled name dialog, a file not starting with a controller section and a
// cancelled file dialog leave the controller file as it was.
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
    // Keys after a further section are not imported.
    WriteBytes(file, "[Regulator A]\r\nType=PID\r\n[Regulator B]\r\nType=PIDA\r\nExtra=1\r\n");
    host.importNames = {ImportName{"A", true}};
    manager.importController();
    EXPECT_THAT(IniFile(host.file).sectionValues("Regulator A"), ElementsAre("Type=PID", "HeaderInST=1", "Name=A"));
    EXPECT_FALSE(IniFile(host.file).sectionExists("Regulator B"));
}

TEST_F(ManagerTest, ExportWritesTheSectionHeaderAndItsKeysOrReportsAFailure) {
    writeControllers(
        "[Regulator Boiler]\nName=Boiler\nType=PID\n; note\nPBand= \"12,5\" \nHeaderInST=1\n"
        "[Regulator Oven]\nName=Oven\n");
    manager.refresh();
    exportFile = dir.path() / "out" / "Boiler.rgl";
    std::filesystem::create_directories(exportFile->parent_path());
    WriteBytes(*exportFile, "an older and much longer file that must be replaced completely\r\n");
    manager.exportSelected();
    EXPECT_THAT(exportProposals, ElementsAre("Boiler"));
    EXPECT_EQ(ReadBytes(*exportFile),
              "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nPBand=12,5\r\nHeaderInST=1\r\n");
    // Nothing but the export is left in the folder.
    EXPECT_EQ(testing::EntriesIn(exportFile->parent_path()), 1);
    EXPECT_TRUE(host.msgs.shown.empty());

    // A failed export is reported with the file's name.
    exportFile = dir.path() / "missing-folder" / "Boiler.rgl";
    manager.exportSelected();
    ASSERT_EQ(host.msgs.shown.size(), 1u);
    EXPECT_EQ(host.msgs.shown[0].caption, "Error");
    EXPECT_NE(host.msgs.shown[0].text.find("Boiler.rgl"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(*exportFile));
}

}  // namespace
}  // namespace velmora
