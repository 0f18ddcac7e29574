// Installation and uninstallation in the IDE stand-in: the order of the event
// points, the help entry, what each failure leaves, and that uninstalling
// after any partial installation releases exactly what was obtained. What a
// whole installation makes in the host is PluginLoadTest's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "PluginFixture.h"
#include "base/Platform.h"
#include "base/Strings.h"

namespace velmora {
namespace {

using host::HostMenuItem;
using testing::PluginFixture;

class InstallTest : public PluginFixture {
protected:
    // The interfaces of the journal's "Advise NAME COOKIE" (or "Unadvise") lines.
    std::vector<std::string> points(const char* call) const {
        std::vector<std::string> names;
        for (const auto& line : journalFrom({call}))
            names.push_back(line.substr(std::strlen(call), line.rfind(' ') - std::strlen(call)));
        return names;
    }
    // One install per test: the plug-in object is installed once.
    void expectLanguageFromHost(bool answers) {
        ide->language = 0;
        if (!answers) ide->failures["QI IYantLanguage"] = E_NOINTERFACE;
        ASSERT_EQ(install(), S_OK);
        EXPECT_EQ(plugin->frame()->language(), answers ? 0 : 1);
        EXPECT_EQ(ModuleTexts().language(), answers ? 0 : 1);
        EXPECT_EQ(Text(3019) == "Error", !answers) << "the Czech table is loaded from the host's answer";
    }
};

TEST_F(InstallTest, EventPointsAreAdvisedAndUnadvisedInTheirOwnOrders) {
    ASSERT_EQ(install(), S_OK);
    EXPECT_EQ(points("Advise "),
              (std::vector<std::string>{"IYantProjectEvents", "IYantFilesEvents", "IYantDesktopEvents",
                                        "IYantCpmEvents", "IOrvaneCommStateEvent", "IPrjMngrTreeEvents",
                                        "IYantCompilerEvents"}));
    EXPECT_EQ(journalFrom({"Advise IPrjMngrTreeEvents"}).at(0),
              "Advise IPrjMngrTreeEvents " + std::to_string(plugin->treeCookie()))
        << "the tree events' cookie identifies the plug-in";
    ASSERT_EQ(ide->documents().size(), 1u);
    EXPECT_EQ(plugin->reportDocumentId(), ide->documents()[0].id);
    EXPECT_EQ(ide->documents()[0].view, plugin->report()->handle());
    EXPECT_EQ(plugin->frame()->imageIndex, ide->imageCount() - 1);
    EXPECT_EQ(plugin->frame()->SimTimer1().interval(), 100);
    EXPECT_TRUE(plugin->frame()->commLost());
    clearLogs();
    uninstall();
    EXPECT_EQ(points("Unadvise "),
              (std::vector<std::string>{"IYantProjectEvents", "IYantFilesEvents", "IYantDesktopEvents",
                                        "IYantCompilerEvents", "IOrvaneCommStateEvent", "IYantCpmEvents",
                                        "IPrjMngrTreeEvents"}));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"UninstallPlugin", "OrvaneIDE", "OrvaneIDE - Release", "ifMenu",
                                        "ifMenu - Release", "MainFormDestroy", "UninstallPlugin - end"}));
    EXPECT_EQ(ide->outstandingReferences(), 0);
    // A second uninstall finds nothing to release.
    clearLogs();
    uninstall();
    EXPECT_EQ(logLines(), (std::vector<std::string>{"UninstallPlugin", "OrvaneIDE", "OrvaneIDE - Release",
                                                    "UninstallPlugin - end"}));
    EXPECT_FALSE(ide->overReleased());
}

TEST_F(InstallTest, AnExistingPluginsHelpMenuIsReusedAndTheEntryOpensTheHelp) {
    com::ComPtr<IYantMenuItem> existing, other;
    ASSERT_EQ(ide->GetMenuItem(host::kHelpMenu, "miPluginsHelpIn_miHelp", existing.put()), S_OK);
    ASSERT_EQ(ide->GetMenuItem(host::kHelpMenu, "OtherHELP", other.put()), S_OK);
    ASSERT_EQ(existing->Insert(0, other.get()), S_OK);
    ASSERT_EQ(install(), S_OK);
    const auto& top = ide->menu(host::kHelpMenu).children;
    EXPECT_EQ(std::count_if(top.begin(), top.end(),
                            [](HostMenuItem* c) { return c->name == "miPluginsHelpIn_miHelp"; }),
              1);
    const auto& shared = static_cast<HostMenuItem*>(existing.get())->children;
    ASSERT_EQ(shared.size(), 2u);
    EXPECT_EQ(shared[0], other.get());
    HostMenuItem* entry = shared[1];
    EXPECT_EQ(entry->name, "VelmoraHELP");
    EXPECT_TRUE(entry->visible && entry->enabled);
    // A click opens the help file when there is one.
    const auto savedOem = Module().oemDirectory;
    Module().oemDirectory = project.path().string();
    const std::string book = "ENU_Velmora" + std::string(HelpFileExtension());
    testing::WriteBytes(project / "HELP" / book, "help");
    EXPECT_TRUE(entry->click());
    Module().oemDirectory = savedOem;
    ASSERT_FALSE(frontEnd->journal().empty());
    EXPECT_NE(frontEnd->journal().back().find(book), std::string::npos) << frontEnd->journal().back();
}

TEST_F(InstallTest, HelpMenuFailuresAreSwallowed) {
    ide->failures["GetMenuItem VelmoraHELP"] = E_FAIL;
    EXPECT_EQ(install(), S_OK);
    EXPECT_FALSE(plugin->frame()->helpEntry);
    EXPECT_EQ(ide->documents().size(), 1u) << "the steps after the help entry still ran";
}

TEST_F(InstallTest, LanguageComesFromTheHost) {
    expectLanguageFromHost(true);
}
TEST_F(InstallTest, LanguageStaysEnglishWhenTheHostDoesNotSay) {
    expectLanguageFromHost(false);
}

// Each step that can fail; these first ones before the plug-in gave the
// handed-over application reference back.
const std::vector<std::string> kEarlySteps = Split(
    "QI IYantProjectManager,QI IYantRegisterCentre,QI IYantMenu,QI IOrvaneCommLoop,RegisterCallback", ',');

class FailedInstall : public InstallTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(FailedInstall, ReturnsTheFailureAndUninstallReleasesExactlyWhatWasObtained) {
    const HRESULT failure = static_cast<HRESULT>(0x8004A123u);
    const std::string operation = GetParam();
    const bool afterHostRelease = std::count(std::begin(kEarlySteps), std::end(kEarlySteps), operation) == 0;
    ide->failures[operation] = failure;
    EXPECT_EQ(install(), failure);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "InstallPlugin - end"), 0);
    if (operation == "QI IYantProjectManager") {
        ASSERT_EQ(frontEnd->messages().size(), 1u);
        const auto& m = frontEnd->messages()[0];
        EXPECT_EQ(std::tuple(m.caption, m.text, m.icon),
                  std::tuple("Error", Text(3020) + " " + std::to_string(failure), MessageIcon::Stop));
    } else {
        EXPECT_TRUE(frontEnd->messages().empty()) << "only the project manager's failure shows a box";
    }
    clearLogs();
    uninstall();
    EXPECT_FALSE(ide->overReleased());
    // Released by the plug-in only once it got that far: the application object's reference.
    EXPECT_EQ(ide->outstandingReferences(), afterHostRelease ? 0 : 1);
    EXPECT_EQ(journalFrom({"Advise "}).size(), journalFrom({"Unadvise "}).size());
    EXPECT_EQ(ide->callbackCount(), 0u);
    EXPECT_EQ(plugin->connectionPointsHeld(), 0);
    EXPECT_EQ(plugin->frame(), nullptr);
    const auto after = logLines();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(std::pair(after.front(), after.back()),
              (std::pair<std::string, std::string>("UninstallPlugin", "UninstallPlugin - end")));
    for (const auto& line : after) EXPECT_EQ(line.find("Error"), std::string::npos) << line;
    if (!afterHostRelease) ide->application()->Release();
}

const std::vector<std::string> kLaterSteps = Split(
    "GetOwner,QI IOrvaneIDE,QI IOrvanePlcControl,QI IConnectionPointContainer,"
    "FindConnectionPoint IYantProjectEvents,FindConnectionPoint IYantCompilerEvents,"
    "FindConnectionPoint IPrjMngrTreeEvents,Advise IYantProjectEvents,Advise IYantCpmEvents,"
    "Advise IYantCompilerEvents,AddImage,RegisterAction,CreateToolBarControl,CreateMenuItem,"
    "AddProjectDocument",
    ',');

std::string StepName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(EachEarlyStep, FailedInstall, ::testing::ValuesIn(kEarlySteps), StepName);
INSTANTIATE_TEST_SUITE_P(EachStep, FailedInstall, ::testing::ValuesIn(kLaterSteps), StepName);

}  // namespace
}  // namespace velmora
