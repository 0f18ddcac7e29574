// The desktop: the manager's layout in the host's storage, the online views'
// layout in the controller file's "Desktop" section, and opening views.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginFixture.h"
#include "base/IniFile.h"

namespace velmora {
namespace {

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
    EXPECT_EQ(std::tuple(view(0)->bounds(), view(0)->selectedTab(), view(0)->graphShown()),
              std::tuple(FormBounds{10, 20, 300, 200}, 0, false));
    EXPECT_EQ(std::pair(view(1)->bounds(), view(1)->graphShown()),
              std::pair(FormBounds{-5, 0, 640, 480}, true));
    const auto& a = form(view(0)->handle());
    const auto& b = form(view(1)->handle());
    EXPECT_TRUE(a.inserted && a.visible && b.inserted && b.visible);
    EXPECT_EQ((std::vector{a.area, b.area}), (std::vector{1, 3}));
    EXPECT_EQ((std::vector{a.firstFlag, a.secondFlag, b.firstFlag, b.secondFlag}),
              (std::vector{true, false, false, true}));
    EXPECT_EQ(frame->currentController, "Mixer");
    ASSERT_NE(frame->manager(), nullptr);
    EXPECT_EQ(std::pair(form(frame->manager()->handle()).inserted, form(frame->manager()->handle()).visible),
              std::pair(true, false));
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
    EXPECT_EQ(std::vector(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{"LoadDesktop - Error: 'x' is not a valid integer value",
                                        "LoadDesktop - Error: '99999999999' is not a valid integer value",
                                        "InsertDockableForm - FormVisual1", "LoadDesktop - end"}));
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

TEST_F(DesktopTest, ViewsOpenOncePerNamedControllerAndUninstallDestroysThem) {
    writeControllerFile(kTwoControllers);
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    EXPECT_EQ(
        std::tuple(form(view(0)->handle()).area, form(view(0)->handle()).secondFlag, view(0)->selectedTab()),
        std::tuple(1, false, 0));
    int shown = 0;
    ide->dock.shown = [&](void* handle) { shown += handle == view(0)->handle(); };
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    EXPECT_EQ(frame->views().size(), 1u);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(frame->currentController, "Boiler");
    writeControllerFile("[Regulator Empty]\r\nName=\r\n");
    frame->currentController = "Before";
    EXPECT_FALSE(frame->openOnlineView("Empty"));
    EXPECT_FALSE(frame->openOnlineView("Missing"));
    EXPECT_EQ(frame->views().size(), 1u);
    EXPECT_EQ(frame->currentController, "Before");
    ASSERT_EQ(frontEnd->messages().size(), 2u);
    const auto& m = frontEnd->messages()[0];
    EXPECT_EQ(std::tuple(m.caption, m.text, m.icon),
              std::tuple("Error", "Unable to open with graphic interface!", MessageIcon::Exclamation));
    writeControllerFile(kTwoControllers);
    ASSERT_TRUE(frame->openOnlineView("Mixer"));
    uninstall();
    EXPECT_EQ(frontEndLines("view destroyed: "),
              (std::vector<std::string>{"view destroyed: Boiler", "view destroyed: Mixer"}));
}

}  // namespace
}  // namespace velmora
