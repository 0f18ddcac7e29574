// Installation and uninstallation against the scripted host: the order of the
// steps, what each failure leaves, and that uninstalling after any partial
// installation releases exactly what was obtained.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginFixture.h"
#include "base/Platform.h"
#include "base/com/Guids.h"

namespace velmora {
namespace {

using testing::FakeMenuItem;
using testing::PluginFixture;

class InstallTest : public PluginFixture {
protected:
    FakeMenuItem* child(FakeMenuItem& parent, const std::string& name) const {
        for (FakeMenuItem* c : parent.children)
            if (c->itemName == name) return c;
        return nullptr;
    }
    // One install per test: the host keeps its advised sinks until it goes away.
    void expectLanguageFromHost(bool answers) {
        host.language = 0;
        host.answerLanguage = answers;
        ASSERT_EQ(install(), S_OK);
        EXPECT_EQ(plugin->frame()->language(), answers ? 0 : 1);
        EXPECT_EQ(ModuleTexts().language(), answers ? 0 : 1);
        EXPECT_EQ(Text(3019) == "Error", !answers) << "the Czech table is loaded from the host's answer";
    }
};

TEST_F(InstallTest, StepsRunInOrderAndLeaveTheEntriesDisabled) {
    ASSERT_EQ(install(), S_OK);
    EXPECT_EQ(host.journalFrom({"RegisterCallback", "Find ", "Advise ", "AddImage", "RegisterAction",
                     "CreateToolBarControl", "CreateMenuItem", "AddProjectDocument"}),
              (std::vector<std::string>{"RegisterCallback", "Find IYantProjectEvents",
                                        "Find IYantFilesEvents", "Find IYantDesktopEvents",
                                        "Find IYantCompilerEvents", "Find IYantCpmEvents",
                                        "Find IOrvaneCommStateEvent", "Find IPrjMngrTreeEvents",
                                        "Advise IYantProjectEvents 1", "Advise IYantFilesEvents 2",
                                        "Advise IYantDesktopEvents 3", "Advise IYantCpmEvents 4",
                                        "Advise IOrvaneCommStateEvent 5", "Advise IPrjMngrTreeEvents 6",
                                        "Advise IYantCompilerEvents 7", "AddImage BMP",
                                        "RegisterAction Velmora Velmora 0 7 sink false",
                                        "CreateToolBarControl 100 3 false", "CreateMenuItem 100 8 0 false",
                                        "AddProjectDocument Controller Report 6"}));
    EXPECT_EQ(plugin->actionId(), 100);
    EXPECT_EQ(plugin->treeCookie(), 6u) << "the tree events' cookie identifies the plug-in";
    EXPECT_EQ(plugin->reportDocumentId(), 500);
    ASSERT_NE(plugin->frame(), nullptr);
    EXPECT_EQ(plugin->frame()->imageIndex, 7);
    EXPECT_FALSE(host.toolBarControl->enabled);
    EXPECT_FALSE(host.actionMenuItem->enabled);
    ASSERT_EQ(host.documents.size(), 1u);
    EXPECT_EQ(host.documents[0].view, plugin->report()->handle());
    EXPECT_NE(host.callback, nullptr);

    // The frame's timers as created.
    EXPECT_EQ(plugin->frame()->SimTimer1().interval(), 100);
    EXPECT_FALSE(plugin->frame()->SimTimer1().enabled());
    EXPECT_EQ(plugin->frame()->CommTimer1().interval(), 125);
    EXPECT_TRUE(plugin->frame()->CommTimer1().enabled());
    EXPECT_TRUE(plugin->frame()->commLost());
}

TEST_F(InstallTest, HelpEntryMovesIntoTheSharedPluginsHelpMenu) {
    ASSERT_EQ(install(), S_OK);
    FakeMenuItem& help = host.menuRoot(9);
    ASSERT_GE(help.children.size(), 3u);
    FakeMenuItem* shared = help.children[2];
    EXPECT_EQ(shared->itemName, "miPluginsHelpIn_miHelp");
    EXPECT_EQ(shared->caption, "Tools");
    EXPECT_EQ(child(help, "VelmoraHELP"), nullptr) << "the entry left the help menu's top level";
    ASSERT_EQ(shared->children.size(), 1u);
    FakeMenuItem* entry = shared->children[0];
    EXPECT_EQ(entry->itemName, "VelmoraHELP");
    EXPECT_EQ(entry->caption, "Velmora");
    EXPECT_TRUE(entry->visible && entry->enabled);
    ASSERT_TRUE(entry->handler);

    // A click opens the help file when there is one.
    const auto savedOem = Module().oemDirectory;
    Module().oemDirectory = project.path().string();
    std::filesystem::create_directories(project / "HELP");
    const std::string book = "ENU_Velmora" + std::string(HelpFileExtension());
    testing::WriteBytes(project / "HELP" / book, "help");
    EXPECT_EQ(entry->handler->OnClick(), S_OK);
    Module().oemDirectory = savedOem;
    EXPECT_NE(std::find_if(frontEnd->journal().begin(), frontEnd->journal().end(),
                           [&](const std::string& l) {
                               return l.rfind("help: ", 0) == 0 && l.find(book) != l.npos;
                           }),
              frontEnd->journal().end());

    // Uninstalling takes the entry out of the menu; the shared menu stays.
    uninstall();
    EXPECT_TRUE(shared->children.empty());
    EXPECT_EQ(help.children[2], shared);
    EXPECT_FALSE(entry->handler);
}

TEST_F(InstallTest, AnExistingPluginsHelpMenuIsReused) {
    FakeMenuItem& help = host.menuRoot(9);
    FakeMenuItem* existing = host.makeItem("miPluginsHelpIn_miHelp");
    existing->parent = &help;
    help.children.push_back(existing);
    FakeMenuItem* other = host.makeItem("OtherHELP");
    other->parent = existing;
    existing->children.push_back(other);

    ASSERT_EQ(install(), S_OK);
    EXPECT_EQ(std::count_if(help.children.begin(), help.children.end(),
                            [](FakeMenuItem* c) { return c->itemName == "miPluginsHelpIn_miHelp"; }),
              1);
    ASSERT_EQ(existing->children.size(), 2u);
    EXPECT_EQ(existing->children[0], other);
    EXPECT_EQ(existing->children[1]->itemName, "VelmoraHELP");
}

TEST_F(InstallTest, HelpMenuFailuresAreSwallowed) {
    host.failures["GetMenuItem VelmoraHELP"] = E_FAIL;
    EXPECT_EQ(install(), S_OK);
    EXPECT_FALSE(plugin->frame()->helpEntry);
    EXPECT_EQ(host.documents.size(), 1u) << "the steps after the help entry still ran";
}

TEST_F(InstallTest, LanguageComesFromTheHost) { expectLanguageFromHost(true); }
TEST_F(InstallTest, LanguageStaysEnglishWhenTheHostDoesNotSay) { expectLanguageFromHost(false); }

TEST_F(InstallTest, AMissingProjectManagerIsReportedInAMessageBox) {
    host.failures["QI IYantProjectManager"] = E_NOINTERFACE;
    EXPECT_EQ(install(), E_NOINTERFACE);
    ASSERT_EQ(frontEnd->messages().size(), 1u);
    const auto& m = frontEnd->messages()[0];
    EXPECT_EQ(m.caption, "Error");
    EXPECT_EQ(m.text, Text(3020) + " -2147467262");
    EXPECT_EQ(m.icon, MessageIcon::Stop);
}

// Each step that can fail, with the result it returns.
struct FailingStep {
    const char* operation;
    bool afterHostRelease;  // the handed-over application reference was already given back
};

void PrintTo(const FailingStep& step, std::ostream* os) {
    *os << step.operation;
}

class FailedInstall : public InstallTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(FailedInstall, ReturnsTheFailureAndUninstallReleasesExactlyWhatWasObtained) {
    const HRESULT failure = static_cast<HRESULT>(0x8004A123u);
    host.failures[GetParam().operation] = failure;
    EXPECT_EQ(install(), failure);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "InstallPlugin - end"), 0);
    if (std::string(GetParam().operation) != "QI IYantProjectManager") {
        EXPECT_TRUE(frontEnd->messages().empty()) << "only the project manager's failure shows a box";
    }

    clearLogs();
    uninstall();
    EXPECT_TRUE(host.overReleased.empty()) << host.overReleased.front();
    for (const auto& [object, refs] : host.outstandingReferences()) EXPECT_EQ(refs, 0) << object;
    for (const IID* iid : {&IYantProjectEvents::iid, &IYantFilesEvents::iid, &IYantDesktopEvents::iid,
                           &IYantCompilerEvents::iid, &IYantCpmEvents::iid, &IOrvaneCommStateEvent::iid,
                           &IPrjMngrTreeEvents::iid})
        EXPECT_TRUE(host.point(*iid).sinks.empty()) << host.point(*iid).pointName;
    EXPECT_EQ(host.callback, nullptr);
    EXPECT_EQ(plugin->connectionPointsHeld(), 0);
    EXPECT_EQ(plugin->frame(), nullptr);
    const auto after = logLines();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front(), "UninstallPlugin");
    EXPECT_EQ(after.back(), "UninstallPlugin - end");
    for (const auto& line : after) EXPECT_EQ(line.find("Error"), std::string::npos) << line;

    // The application object: released by the plug-in only once it got that far.
    host.application()->Release();
    EXPECT_EQ(host.applicationReferences(), GetParam().afterHostRelease ? -1 : 0);
    host.overReleased.clear();
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailedInstall,
    ::testing::Values(
        FailingStep{"QI IYantProjectManager", false}, FailingStep{"QI IYantRegisterCentre", false},
        FailingStep{"QI IYantMenu", false}, FailingStep{"QI IOrvaneCommLoop", false},
        FailingStep{"RegisterCallback", false}, FailingStep{"GetOwner", true},
        FailingStep{"QI IOrvaneIDE", true}, FailingStep{"QI IOrvanePlcControl", true},
        FailingStep{"QI IConnectionPointContainer", true}, FailingStep{"Find IYantProjectEvents", true},
        FailingStep{"Find IYantCompilerEvents", true}, FailingStep{"Find IPrjMngrTreeEvents", true},
        FailingStep{"Advise IYantProjectEvents", true}, FailingStep{"Advise IYantCpmEvents", true},
        FailingStep{"Advise IYantCompilerEvents", true}, FailingStep{"AddImage", true},
        FailingStep{"RegisterAction", true}, FailingStep{"CreateToolBarControl", true},
        FailingStep{"CreateMenuItem", true}, FailingStep{"AddProjectDocument", true}),
    [](const ::testing::TestParamInfo<FailingStep>& info) {
        std::string name = info.param.operation;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(InstallTest, UninstallUnadvisesInItsOwnOrderAndReleasesEverything) {
    ASSERT_EQ(install(), S_OK);
    clearLogs();
    host.journal.clear();
    uninstall();
    EXPECT_EQ(host.journalFrom({"UnregisterCallback", "Unadvise "}),
              (std::vector<std::string>{"UnregisterCallback", "Unadvise IYantProjectEvents 1",
                                        "Unadvise IYantFilesEvents 2", "Unadvise IYantDesktopEvents 3",
                                        "Unadvise IYantCompilerEvents 7", "Unadvise IOrvaneCommStateEvent 5",
                                        "Unadvise IYantCpmEvents 4", "Unadvise IPrjMngrTreeEvents 6"}));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"UninstallPlugin", "OrvaneIDE", "OrvaneIDE - Release", "ifMenu",
                                        "ifMenu - Release", "MainFormDestroy", "UninstallPlugin - end"}));
    for (const auto& [object, refs] : host.outstandingReferences()) EXPECT_EQ(refs, 0) << object;
    EXPECT_TRUE(host.overReleased.empty());

    // A second uninstall finds nothing to release.
    clearLogs();
    uninstall();
    EXPECT_EQ(logLines(), (std::vector<std::string>{"UninstallPlugin", "OrvaneIDE", "OrvaneIDE - Release",
                                                    "UninstallPlugin - end"}));
    EXPECT_TRUE(host.overReleased.empty());
}

}  // namespace
}  // namespace velmora
