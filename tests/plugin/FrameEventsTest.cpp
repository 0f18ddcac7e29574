// The host's events on an installed plug-in: compilation, menu action,
// project events, the project tree and its document, language, and the
// communication loop with its pacing; the desktop (the manager's layout in the
// host's storage, the online views' layout in the controller file's "Desktop"
// section), opening views, and the new-controller dialog inside the frame.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginFixture.h"
#include "base/IniFile.h"
#include "base/com/TaskString.h"
#include "online/OnlineExchange.h"
#include "plugin/HostServices.h"
#include "plugin/NewControllerFrame.h"
#include "plugin/ViewSimulationLink.h"
#include "support/Online.h"

namespace velmora {
namespace {

class FrameEvents : public testing::InstalledPlugin {
protected:
    void SetUp() override {
        InstalledPlugin::SetUp();
        frame->setGenerator(
            [this](TFormReg1&, IniFile&, std::string_view name) { generated.emplace_back(name); });
    }
    bool journalHas(const std::string& line) const { return !frontEndLines(line).empty(); }
    void openViews(std::initializer_list<const char*> names) {
        std::string text;
        for (const char* n : names) text += std::string("[Regulator ") + n + "]\r\nName=" + n + "\r\n";
        writeControllerFile(text);
        for (const char* n : names) ASSERT_TRUE(frame->openOnlineView(n));
    }

    std::vector<std::string> generated;
};

// The project folder is made anyway.
TEST_F(FrameEvents, CompileStartWithoutAControllerFileGeneratesNothingAndLeavesTheFlag) {
    for (VARIANT_BOOL flag : {VARIANT_TRUE, VARIANT_FALSE}) {
        VARIANT_BOOL go = flag;
        EXPECT_EQ(plugin->OnStartCompiling(&go), S_OK);
        EXPECT_EQ(go, flag);
    }
    EXPECT_TRUE(generated.empty());
    EXPECT_EQ(frame->generatedCount, 0);
    EXPECT_TRUE(plugin->resumeAfterCompile());
    EXPECT_FALSE(journalHas("compile messages: created"));
    EXPECT_TRUE(std::filesystem::is_directory(project / "Velmora"));
}

// The message loop runs between controllers while the release numbers are
// still pending. A PLC series below 6 gives the mnemonic declarations; a host
// that does not take the files leaves them written but unregistered.
TEST_F(FrameEvents, CompileStartGeneratesAndRegistersEveryNamedControllerAndShowsTheWarnings) {
    const std::string boiler = "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n";
    writeControllerFile(
        boiler +
        "[Regulator Ghost]\r\nName=\r\n[Desktop]\r\nVelmora - Boiler=1,0,0,1,2,3,4,0\r\n"
        "[Regulator Old]\r\nName=Renamed\r\n[Regulator Mixer]\r\nType=PIDA\r\nName=Mixer\r\n");
    frame->generatedCount = 9;
    std::vector<bool> releaseOnDisk;
    frontEnd->toolkit().processEvents = [&] {
        releaseOnDisk.push_back(testing::ReadBytes(controllerFile()).find("ReleaseNumber") !=
                                std::string::npos);
    };
    clearLogs();
    journal.clear();
    VARIANT_BOOL go = VARIANT_TRUE;
    EXPECT_EQ(plugin->OnStartCompiling(&go), S_OK);
    EXPECT_EQ(go, VARIANT_TRUE);
    EXPECT_TRUE(generated.empty()) << "the pass, not the single-controller generator";
    EXPECT_EQ(ide->registeredFiles().size(), 4u) << "two files for each generated controller";
    EXPECT_TRUE(frame->generated);
    EXPECT_EQ(frame->generatedCount, 3);
    EXPECT_EQ(releaseOnDisk, std::vector<bool>(6, false));
    EXPECT_EQ(frontEnd->compileFileLines(),
              (std::vector<std::string>{"Boiler.orv", "Renamed.orv", "Mixer.orv"}));
    EXPECT_EQ(
        frontEndLines("compile messages: "),
        (std::vector<std::string>{"compile messages: created", "compile messages: project PLC1",
                                  "compile messages: counter 0", "compile messages: shown",
                                  "compile messages: file Boiler.orv", "compile messages: file Renamed.orv",
                                  "compile messages: counter 1", "compile messages: file Mixer.orv",
                                  "compile messages: hidden", "compile messages: destroyed"}));
    EXPECT_EQ(frontEndLines("report "), (std::vector<std::string>{"report hidden", "report shown"}));
    EXPECT_EQ(journalFrom({"file Velmora\\Boiler", "file attribute Velmora\\Boiler",
                           "editor reloads Velmora\\Boiler"}),
              (std::vector<std::string>{
                  "file Velmora\\Boiler_def.ST (kind 1)", "file attribute Velmora\\Boiler_def.ST 2=0",
                  "editor reloads Velmora\\Boiler_def.ST", "file Velmora\\Boiler.orv (kind 1)",
                  "file attribute Velmora\\Boiler.orv 2=0", "editor reloads Velmora\\Boiler.orv"}));
    EXPECT_EQ(
        testing::LinesStartingWith(logLines(), {"GenerateAll", "GenerateController", "OnStartCompiling"}),
        (std::vector<std::string>{"GenerateController Boiler", "GenerateController Boiler - end",
                                  "GenerateController Renamed", "GenerateController Renamed - end",
                                  "GenerateController Mixer", "GenerateController Mixer - end"}));
    const IniFile after(controllerFile());
    EXPECT_EQ(after.readInteger("Regulator Boiler", "ReleaseNumber", 0), 1);
    EXPECT_EQ(after.readInteger("Regulator Mixer", "ReleaseNumber", 0), 1);

    ide->openPlc("PLC2");
    writeControllerFile(boiler);
    ide->failures["QI IYantProject"] = E_NOINTERFACE;
    journal.clear();
    EXPECT_EQ(plugin->OnStartCompiling(&go), S_OK);
    EXPECT_TRUE(std::filesystem::exists(project / "Velmora" / "Boiler_def.orv"));
    EXPECT_TRUE(journalFrom({"file "}).empty());
}

TEST_F(FrameEvents, CompileEndResumesTheViewsOnceAfterACompileStart) {
    openViews({"A", "B"});  // the stand-in has no PLC: a view switched again says so
    VARIANT_BOOL go = VARIANT_TRUE;
    plugin->OnStartCompiling(&go);
    frame->generated = true;
    clearLogs();
    EXPECT_EQ(plugin->OnEndCompiling(0), S_OK);
    EXPECT_FALSE(frame->generated);
    EXPECT_FALSE(plugin->resumeAfterCompile());
    EXPECT_TRUE(frontEnd->messages().empty()) << "views that were not communicating only resume";
    EXPECT_EQ(logLines(), (std::vector<std::string>{"OnEndCompiling", "OnEndCompiling - end"}));

    // A press of a communication button that asked for communication (here
    // refused: no PLC) makes every view switch again after the next compilation,
    // after the generated flag is cleared (else they would ask for a compilation).
    view(0)->exchange().KomunikaceButton1_Click();
    EXPECT_TRUE(frame->commOnResume);
    ASSERT_EQ(frontEnd->messages().size(), 1u);
    plugin->OnEndCompiling(0);
    EXPECT_EQ(frontEnd->messages().size(), 1u) << "without a compile start nothing resumes";
    plugin->OnStartCompiling(&go);
    frame->generated = true;
    plugin->OnEndCompiling(0);
    ASSERT_EQ(frontEnd->messages().size(), 3u);
    for (const auto& m : frontEnd->messages()) {
        EXPECT_EQ(m.caption, "Warning");
        EXPECT_EQ(m.text, Text(3035));
    }

    // A press that ended communication: views only resume.
    view(1)->exchange().setOnline(true);
    view(1)->exchange().KomunikaceButton1_Click();
    EXPECT_FALSE(view(1)->exchange().online());
    EXPECT_FALSE(frame->commOnResume);
}

TEST_F(FrameEvents, TheOwnMenuActionOpensOneDockedManagerAForeignOneOnlyLogs) {
    clearLogs();
    EXPECT_EQ(plugin->OnMenuActionExecute(plugin->actionId() + 1), S_OK);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"OnMenuActionExecute", "OnMenuActionExecute - end"}));
    EXPECT_EQ(frame->manager(), nullptr);
    EXPECT_FALSE(journalHas("manager created"));

    clearLogs();
    EXPECT_EQ(plugin->OnMenuActionExecute(plugin->actionId()), S_OK);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"OnMenuActionExecute", "OnMenuActionExecute - moje akce",
                                                    "InsertDockableForm", "OnMenuActionExecute - end"}));
    ASSERT_NE(frame->manager(), nullptr);
    const auto& manager = form(frame->manager()->handle());
    EXPECT_TRUE(manager.inserted && manager.visible);
    EXPECT_EQ(manager.area, 2);
    EXPECT_EQ(manager.image, frame->imageIndex);

    int shown = 0;
    ide->dock.shown = [&](void* handle) { shown += handle == frame->manager()->handle(); };
    plugin->OnMenuActionExecute(plugin->actionId());
    EXPECT_EQ(frontEndLines("manager created").size(), 1u);
    EXPECT_EQ(shown, 1);
}

TEST_F(FrameEvents, PlcTypeIsKeptAndTheFileListGetsTheControllerFileLine) {
    EXPECT_EQ(frame->plcTypeIndex, 0);
    EXPECT_EQ(plugin->OnPlcType(12, 5, 6), S_OK);
    EXPECT_EQ(frame->plcTypeIndex, 12);

    const auto list = project / "files.lst";
    testing::WriteBytes(list, "main.orv\n");
    const std::string file = list.string();
    YantFileListRecord record{0x102, "PLC2", file.c_str()};
    std::int32_t result = 7;
    EXPECT_EQ(plugin->OnProjectFileList(0x100, 0x12, &record, &result), S_OK);
    EXPECT_EQ(result, 0);
    record.name = "";
    plugin->OnProjectFileList(0x108, 0x12, &record, &result);
    EXPECT_EQ(testing::ReadBytes(list), "main.orv\n" + ide->projectDirectory() + "Velmora\\PLC2.rglx\n" +
                                            ide->projectDirectory() + "Velmora\\PLC1.rglx\n");

    // Any other event, sub-code or kind writes nothing but still answers 0.
    const std::string before = testing::ReadBytes(list);
    for (auto [event, sub, kind] :
         {std::tuple{0x101, 0x12, 0x102}, {0x100, 0x13, 0x102}, {0x108, 0x12, 0x101}}) {
        record.kind = kind;
        result = 7;
        EXPECT_EQ(plugin->OnProjectFileList(event, sub, &record, &result), S_OK);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(testing::ReadBytes(list), before);

    // A file that cannot be opened is skipped.
    const std::string missing = (project / "no" / "such.lst").string();
    YantFileListRecord bad{0x102, "X", missing.c_str()};
    EXPECT_EQ(plugin->OnProjectFileList(0x100, 0x12, &bad, &result), S_OK);
    EXPECT_EQ(result, 0);
}

// The report shows the host's project data in the editor's font.
TEST_F(FrameEvents, TheReportNodeAndDocumentAnswerOnlyTheirOwnCookie) {
    const std::size_t nodes = ide->treeNodes().size();
    plugin->OnFillTree(0, 0);
    plugin->OnFillTree(plugin->treeCookie() + 1, 0);
    EXPECT_EQ(ide->treeNodes().size(), nodes);
    plugin->OnFillTree(plugin->treeCookie(), 0);
    ASSERT_EQ(ide->treeNodes().size(), nodes + 1);
    const auto& node = ide->treeNodes().back();
    EXPECT_EQ(node.parent->caption, "PlcDoc");
    EXPECT_EQ(node.caption, "Controllers information");
    EXPECT_EQ(node.data, plugin->reportDocumentId());
    EXPECT_EQ((std::vector{node.image, node.selected}), (std::vector{-1, -1}));

    writeControllerFile("[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\n");
    plugin->OnDocumentOpen(plugin->treeCookie() + 1);
    EXPECT_FALSE(plugin->reportShown());
    EXPECT_EQ(plugin->OnDocumentOpen(plugin->treeCookie()), S_OK);
    EXPECT_TRUE(plugin->reportShown());
    EXPECT_EQ(frontEndLines("report "),
              (std::vector<std::string>{"report font: Courier New 10", "report shown", "report built"}));
    const auto& lines = dynamic_cast<HeadlessReport&>(*plugin->report()).lines();
    for (const std::string& line : {Text(3441) + " Plant", Text(3442) + " PLC1", Text(3444) + " Hall B",
                                    Text(3445) + " J. Novak", Text(3443) + " Boiler"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    plugin->OnDocumentClose(plugin->treeCookie() + 1);
    EXPECT_TRUE(plugin->reportShown());
    plugin->OnDocumentClose(plugin->treeCookie());
    EXPECT_FALSE(plugin->reportShown());
    YantHandle view = nullptr;
    EXPECT_EQ(plugin->GetDocumentView(&view), S_OK);
    EXPECT_EQ(view, plugin->report()->handle());
}

TEST_F(FrameEvents, LanguageChangeChoosesTheTableAndRelocalizes) {
    openViews({"A"});
    clearLogs();
    plugin->OnLanguageChange(0x405, 0);
    EXPECT_EQ(frame->language(), 0);
    EXPECT_EQ(ModuleTexts().language(), 0);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"Localize - FormRegMngr", "Localize - pForm", "MyWindowList->Count1",
                                        "Localize - pForm0", "Dynamic_cast - pForm0", "Localized - pForm0"}));
    EXPECT_TRUE(journalHas("view localized: A"));
    plugin->OnLanguageChange(0x407, 0);
    EXPECT_EQ(frame->language(), 4);
    plugin->OnLanguageChange(0x409, 0);
    EXPECT_EQ(frame->language(), 1);
    EXPECT_EQ(Text(3019), "Error");
}

TEST_F(FrameEvents, CommunicationComesBackWithStatusBits16And17AndGoesWithSoftOrHardOff) {
    ASSERT_EQ(ide->callbackCount(), 1u);
    ide->commLoopPass(1u << 16);
    EXPECT_TRUE(frame->commLost());
    EXPECT_FALSE(frame->SimTimer1().enabled());
    ide->commLoopPass((1u << 16) | (1u << 17));
    EXPECT_FALSE(frame->commLost());
    EXPECT_TRUE(frame->SimTimer1().enabled());
    EXPECT_EQ(plugin->OnSoftOff(VARIANT_FALSE), S_OK);
    EXPECT_TRUE(frame->commLost());
    EXPECT_EQ(frame->onlineSession().commState(), online::TCommState::csNoComm);
    EXPECT_FALSE(frame->SimTimer1().enabled());
    EXPECT_EQ(plugin->OnHardOff(VARIANT_FALSE), S_OK);
    EXPECT_EQ(frame->onlineSession().commState(), online::TCommState::csCommErr);
    EXPECT_EQ(commLogLines(), (std::vector<std::string>{"Communication on!", "No Communication! (Soft Off)",
                                                        "No Communication! (Hard Off)"}));
}

std::int32_t NoRequest(std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t*, std::uint8_t*,
                       std::int32_t, std::int32_t) {
    return 0;
}

// A view asking to close leaves both lists on the next pass.
TEST_F(FrameEvents, TheCallbackReachesTheViewsAndClosesTheOnesThatAsk) {
    openViews({"A", "B", "C"});
    ASSERT_EQ(frame->onlineSession().views().size(), 3u);
    ide->setRequestFunction(&NoRequest);
    ide->commLoopPass((1u << 16) | (1u << 17));
    ide->commLoopPass((1u << 7) | (1u << 19) | (1u << 11));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(view(i)->commState(), online::TCommState::csRUN);
        EXPECT_TRUE(view(i)->fixed());
    }
    plugin->OnHardOff(VARIANT_FALSE);
    EXPECT_EQ(view(1)->commState(), online::TCommState::csCommErr);

    view(0)->exchange().requestClose();
    view(2)->exchange().requestClose();
    clearLogs();
    ide->setRequestFunction(nullptr);
    ide->commLoopPass(0);
    ASSERT_EQ(frame->views().size(), 1u);
    EXPECT_EQ(view(0)->controllerName(), "B");
    EXPECT_EQ(frame->onlineSession().views().size(), 1u);
    EXPECT_EQ(frontEndLines("view close posted: "),
              (std::vector<std::string>{"view close posted: A", "view close posted: C"}));
    EXPECT_EQ(commLogLines(), (std::vector<std::string>{"WM_MY_CLOSE - A", "WM_MY_CLOSE - C"}));
}

// CommTimer1 follows SimT for every open view; a simulating view's step marks its writes.
TEST(ViewSimulationLink, SampleTimeSetsCommTimerForEveryViewAndMarksTheWrites) {
    online::testing::SessionFixture f;
    testing::TempDir dir;
    testing::WriteBytes(dir / "PLC1.rglx",
                        "[Regulator A]\nName=A\nType=PID\nSimulation=1\nSimT=2\nTau1=10\n"
                        "[Regulator B]\nName=B\nType=PID\n");
    online::testing::RecordingView sinkA, sinkB;
    online::OnlineExchange a(*f.session, "A", &sinkA), b(*f.session, "B", &sinkB);
    ViewSimulationLink linkA(*f.session, a), linkB(*f.session, b);
    EXPECT_FALSE(linkB.reload(dir / "PLC1.rglx", "B", 0));
    EXPECT_EQ(f.commTimer().interval(), 125);
    EXPECT_TRUE(linkA.reload(dir / "PLC1.rglx", "A", 0));
    EXPECT_EQ(f.commTimer().interval(), 250);
    EXPECT_EQ(sinkB.sampleTimeChanges, 1) << "every open view hears of the new interval";
    linkA.step();
    EXPECT_TRUE(a.pending().simulatedInputs);
    linkB.step();
    EXPECT_FALSE(b.pending().simulatedInputs) << "simulation off: nothing to write";
}

class DesktopTest : public testing::InstalledPlugin {
protected:
    IUnknown* storage() { return static_cast<IYantOptionsStorageStreams*>(ide.get()); }
    std::vector<std::string> desktop() const { return IniFile(controllerFile()).sectionValues("Desktop"); }
};

const char* kTwoControllers = "[Regulator Boiler]\r\nName=Boiler\r\n[Regulator Mixer]\r\nName=Mixer\r\n";

// An old entry goes; the manager leaves the IDE, its layout staying in the
// host's storage, and comes back inserted but hidden.
TEST_F(DesktopTest, SavingWritesOneKeyPerViewAndLoadingReopensThemWhereTheyWere) {
    writeControllerFile(std::string(kTwoControllers) + "[Desktop]\r\nVelmora - Old=0,0,0,0,0,0,0,0\r\n");
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    ASSERT_TRUE(frame->openOnlineView("Mixer"));
    frame->showManager();
    view(0)->setBounds({10, 20, 300, 200});
    view(1)->setBounds({-5, 0, 640, 480});
    view(1)->setGraphShown(true);
    ide->SetFirstDockFlag(view(0)->handle(), VARIANT_TRUE);
    ide->SetSecondDockFlag(view(1)->handle(), VARIANT_TRUE);
    ide->PutIntoDockArea(view(1)->handle(), 3);
    void* manager = frame->manager()->handle();
    clearLogs();
    EXPECT_EQ(plugin->SaveDesktop(storage()), S_OK);
    EXPECT_EQ(desktop(), (std::vector<std::string>{"Velmora - Boiler=1,1,0,10,20,300,200,0",
                                                   "Velmora - Mixer=3,0,1,-5,0,640,480,1"}));
    EXPECT_TRUE(frame->views().empty());
    EXPECT_EQ(frame->manager(), nullptr);
    EXPECT_EQ(ide->forms().count(manager), 0u);
    EXPECT_EQ(ide->desktop().count("FormRegMngr1"), 1u);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"SaveDesktop", "RemoveDockableForm - FormRegMngr1",
                                                    "SaveDesktop - end"}));
    EXPECT_EQ(frontEndLines("view closed: "),
              (std::vector<std::string>{"view closed: Boiler", "view closed: Mixer"}));

    clearLogs();
    EXPECT_EQ(plugin->LoadDesktop(storage()), S_OK);
    ASSERT_EQ(frame->views().size(), 2u);
    EXPECT_EQ(view(0)->bounds(), (FormBounds{10, 20, 300, 200}));
    EXPECT_EQ(view(0)->selectedTab(), 0);
    EXPECT_FALSE(view(0)->graphShown());
    EXPECT_EQ(view(1)->bounds(), (FormBounds{-5, 0, 640, 480}));
    EXPECT_TRUE(view(1)->graphShown());
    const auto& a = form(view(0)->handle());
    const auto& b = form(view(1)->handle());
    EXPECT_TRUE(a.inserted && a.visible && b.inserted && b.visible);
    EXPECT_EQ((std::vector{a.area, b.area}), (std::vector{1, 3}));
    EXPECT_EQ((std::vector{a.firstFlag, a.secondFlag, b.firstFlag, b.secondFlag}),
              (std::vector{true, false, false, true}));
    EXPECT_EQ(frame->currentController, "Mixer");
    ASSERT_NE(frame->manager(), nullptr);
    EXPECT_TRUE(form(frame->manager()->handle()).inserted);
    EXPECT_FALSE(form(frame->manager()->handle()).visible);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"LoadDesktop", "InsertDockableForm - FormRegMngr1",
                                        "InsertDockableForm - FormVisual1",
                                        "InsertDockableForm - FormVisual1", "LoadDesktop - end"}));
}

TEST_F(DesktopTest, MalformedEntriesAreSkippedOrLogged) {
    writeControllerFile(
        "[Desktop]\r\nVelmora - Short=1,0,0,0,0,100,100\r\nVelmora - Long=1,0,0,0,0,100,100,0,0\r\n"
        "Velmora - Hall - West=2,0,0,0,0,100,100,0\r\n");
    plugin->LoadDesktop(storage());
    ASSERT_EQ(frame->views().size(), 1u);
    EXPECT_EQ(view(0)->controllerName(), "Hall - West") << "a name holding a dash is cut at the first dash";

    plugin->SaveDesktop(storage());
    writeControllerFile(
        "[Desktop]\r\nVelmora - Bad=1,0,x,0,0,100,100,0\r\nVelmora - Huge=1,0,0,0,0,99999999999,100,0\r\n"
        "Velmora - Next=1,0,0,0,0,100,100,0\r\n");
    clearLogs();
    EXPECT_EQ(plugin->LoadDesktop(storage()), S_OK);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "LoadDesktop - Error: 'x' is not a valid integer value");
    EXPECT_EQ(lines[3], "LoadDesktop - Error: '99999999999' is not a valid integer value");
    EXPECT_EQ(lines[4], "InsertDockableForm - FormVisual1");
    EXPECT_EQ(lines[5], "LoadDesktop - end");
    ASSERT_EQ(frame->views().size(), 1u) << "a damaged entry costs its own view only";
    EXPECT_EQ(view(0)->controllerName(), "Next");
}

TEST_F(DesktopTest, WithoutAControllerFileOrAPlcNothingIsRestoredOrWritten) {
    plugin->LoadDesktop(storage());
    EXPECT_TRUE(frame->views().empty());
    EXPECT_NE(frame->manager(), nullptr);
    plugin->SaveDesktop(storage());
    EXPECT_FALSE(std::filesystem::exists(controllerFile()));

    // Saving with no PLC open closes the views and writes nothing.
    writeControllerFile(kTwoControllers);
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    const auto file = controllerFile();
    const std::string before = testing::ReadBytes(file);
    ide->closePlc();
    EXPECT_EQ(plugin->SaveDesktop(storage()), S_OK);
    EXPECT_TRUE(frame->views().empty());
    EXPECT_EQ(testing::ReadBytes(file), before);
}

TEST_F(DesktopTest, TheManagersStateIsLoadedAfterItsLayoutFromTheStorageStreams) {
    ide->SaveFormLayout(nullptr, "FormRegMngr1", nullptr);
    const auto loads = [&] {
        journal.clear();
        plugin->LoadDesktop(storage());
        return journalFrom({"form layout", "form state"});
    };
    EXPECT_EQ(loads(), (std::vector<std::string>{"form layout FormRegMngr1 loaded", "form state loaded"}));
    ide->failures = {{"QI IYantOptionsStorageStreams", E_NOINTERFACE}};
    EXPECT_EQ(loads(), std::vector<std::string>{"form layout FormRegMngr1 loaded"});
    ide->failures = {{"LoadFormLayout", E_FAIL}};
    EXPECT_TRUE(loads().empty()) << "a failed layout load skips the state";
}

TEST_F(DesktopTest, OpeningAShownControllerBringsItsViewToTheFrontAndUninstallDestroysThem) {
    writeControllerFile(kTwoControllers);
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    EXPECT_EQ(form(view(0)->handle()).area, 1);
    EXPECT_FALSE(form(view(0)->handle()).secondFlag);
    EXPECT_EQ(view(0)->selectedTab(), 0);
    int shown = 0;
    ide->dock.shown = [&](void* handle) { shown += handle == view(0)->handle(); };
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    EXPECT_EQ(frame->views().size(), 1u);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(frame->currentController, "Boiler");

    // Uninstalling destroys the remaining views.
    ASSERT_TRUE(frame->openOnlineView("Mixer"));
    uninstall();
    EXPECT_EQ(frontEndLines("view destroyed: "),
              (std::vector<std::string>{"view destroyed: Boiler", "view destroyed: Mixer"}));
}

TEST_F(DesktopTest, AControllerWithoutANameCannotBeOpened) {
    writeControllerFile("[Regulator Empty]\r\nName=\r\n");
    frame->currentController = "Before";
    EXPECT_FALSE(frame->openOnlineView("Empty"));
    EXPECT_FALSE(frame->openOnlineView("Missing"));
    EXPECT_TRUE(frame->views().empty());
    EXPECT_EQ(frame->currentController, "Before");
    ASSERT_EQ(frontEnd->messages().size(), 2u);
    EXPECT_EQ(frontEnd->messages()[0].caption, "Error");
    EXPECT_EQ(frontEnd->messages()[0].text, "Unable to open with graphic interface!");
    EXPECT_EQ(frontEnd->messages()[0].icon, MessageIcon::Exclamation);
}

using NewControllerFrame = testing::InstalledPlugin;

// The old files stay on disk.
TEST_F(NewControllerFrame, ReadsThePlcAndOverwritingTakesTheOldFilesOutOfTheProjectAndClosesTheView) {
    FrameNewControllerHost host(*frame);
    ASSERT_TRUE(ide->openPlc("PLC2"));
    EXPECT_EQ(host.plcSeries(), 4);
    ASSERT_TRUE(ide->openPlc("PLC1"));
    EXPECT_EQ(host.plcSeries(), 6);
    EXPECT_EQ(host.controllerFile(), frame->controllerFilePath());
    EXPECT_EQ(host.controllerFile(), controllerFile());
    writeControllerFile(
        "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
        "[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\nHeaderInST=1\r\n");
    frame->generate("Boiler");
    frame->generate("Mixer");
    const auto listed = [&](const std::string& file) {
        return std::count(ide->project().files.begin(), ide->project().files.end(), file) > 0;
    };
    ASSERT_TRUE(listed("Velmora\\Boiler_def.ST"));
    ASSERT_TRUE(listed("Velmora\\Boiler.orv"));
    ASSERT_TRUE(frame->openOnlineView("Boiler"));

    testing::ScriptedMessages messages;
    messages.answers = {MessageAnswer::Yes};
    NewController dialog(host, messages);
    dialog.create();
    dialog.okClick("Boiler");
    ASSERT_TRUE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3040));
    EXPECT_FALSE(listed("Velmora\\Boiler_def.ST"));
    EXPECT_FALSE(listed("Velmora\\Boiler.orv"));
    EXPECT_TRUE(listed("Velmora\\Mixer.orv"));
    EXPECT_TRUE(std::filesystem::exists(project / "Velmora" / "Boiler.orv"));
    EXPECT_TRUE(frame->views().empty());
    EXPECT_EQ(IniFile(controllerFile()).keys("Regulator Boiler"),
              (std::vector<std::string>{"Name", "Type", "HeaderInST"}));
    EXPECT_EQ(frame->currentController, "Boiler");
    EXPECT_TRUE(frame->wizardRunning);
}

}  // namespace
}  // namespace velmora
