// The host's events on an installed plug-in: compilation, menu action,
// project events, the project tree and its document, language, and the
// communication loop with its pacing.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginFixture.h"
#include "base/IniFile.h"
#include "base/com/TaskString.h"
#include "plugin/HostServices.h"

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
TEST_F(FrameEvents, CompileStartGeneratesAndRegistersEveryNamedControllerAndShowsTheWarnings) {
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
    // The message loop runs between controllers while the release numbers are
    // still pending. A PLC series below 6 gives the mnemonic declarations; a host
    // that does not take the files leaves them written but unregistered.
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
    for (const auto& m : frontEnd->messages())
        EXPECT_EQ(std::tuple(m.caption, m.text), std::tuple("Warning", Text(3035)));
    // A press that ended communication: views only resume.
    view(1)->exchange().setOnline(true);
    view(1)->exchange().KomunikaceButton1_Click();
    EXPECT_FALSE(view(1)->exchange().online());
    EXPECT_FALSE(frame->commOnResume);
}

TEST_F(FrameEvents, MenuActionsOpenTheManagerPlcTypeIsKeptAndTheFileListGetsTheControllerFile) {
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
    EXPECT_EQ(std::tuple(manager.inserted, manager.visible, manager.area, manager.image),
              std::tuple(true, true, 2, frame->imageIndex));
    int shown = 0;
    ide->dock.shown = [&](void* handle) { shown += handle == frame->manager()->handle(); };
    plugin->OnMenuActionExecute(plugin->actionId());
    EXPECT_EQ(frontEndLines("manager created").size(), 1u);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(frame->plcTypeIndex, 0);
    EXPECT_EQ(std::pair(plugin->OnPlcType(12, 5, 6), frame->plcTypeIndex), std::pair(S_OK, 12));
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
    EXPECT_EQ(std::tuple(node.parent->caption, node.caption, node.data, node.image, node.selected),
              std::tuple("PlcDoc", "Controllers information", plugin->reportDocumentId(), -1, -1));
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

std::int32_t NoRequest(std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t*, std::uint8_t*,
                       std::int32_t, std::int32_t) {
    return 0;
}

TEST_F(FrameEvents, CommunicationFollowsStatusBits16And17ReachesTheViewsAndClosesTheOnesThatAsk) {
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
    // A view asking to close leaves both lists on the next pass.
    openViews({"A", "B", "C"});
    ASSERT_EQ(frame->onlineSession().views().size(), 3u);
    ide->setRequestFunction(&NoRequest);
    ide->commLoopPass((1u << 16) | (1u << 17));
    ide->commLoopPass((1u << 7) | (1u << 19) | (1u << 11));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::pair(view(i)->commState(), view(i)->fixed()),
                  std::pair(online::TCommState::csRUN, true));
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

}  // namespace
}  // namespace velmora
