// The component: class factory, unload rule, the object's interfaces and
// their slot numbering, and the exception guard around every handler; the
// installation in the IDE stand-in: the order of the event points, the help
// entry, what each failure leaves, and that uninstalling after any partial
// installation releases exactly what was obtained (what a whole installation
// makes in the host is PluginLoadTest's).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "PluginFixture.h"
#include "base/Platform.h"
#include "base/com/Guids.h"
#include "base/com/TaskString.h"
#include "plugin/ClassFactory.h"
#include "plugin/ServerCounts.h"

namespace velmora {
namespace {

using testing::PluginFixture;

FrontEndProvider Headless() {
    return [] { return std::unique_ptr<FrontEnd>(std::make_unique<HeadlessFrontEnd>()); };
}

// Calls slot n of an interface through its raw vtable, as a caller that knows
// only the slot numbers would.
template <class... Args>
HRESULT CallSlot(void* itf, int slot, Args... args) {
    using Fn = HRESULT (*)(void*, Args...);
    void** vtable = *static_cast<void***>(itf);
    return reinterpret_cast<Fn>(vtable[slot])(itf, args...);
}

TEST(ClassFactory, MakesTheCoClassAndNothingElse) {
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(com::kCatidOrvanePlugins, com::kIidClassFactory, &p, Headless()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);

    com::ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(com::kClsidVelmoraCoClass, com::kIidClassFactory, factory.putVoid(), Headless()),
              S_OK);
    ASSERT_TRUE(factory);

    com::ComPtr<IYantPlugin> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IYantPlugin::iid, outer.putVoid()), S_OK);
    void* aggregated = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IYantPlugin::iid, &aggregated), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(aggregated, nullptr);

    // An interface the object does not have: no object is left behind.
    const long before = ServerCounts::objects();
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IYantMenu::iid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ServerCounts::objects(), before);
}

TEST(ClassFactory, ModuleUnloadsOnlyWithoutObjectsOrLocks) {
    ASSERT_EQ(CanUnloadNow(), S_OK);
    com::ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(com::kClsidVelmoraCoClass, com::kIidClassFactory, factory.putVoid(), Headless()),
              S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a held factory keeps the module";

    factory->LockServer(TRUE);
    IClassFactory* raw = factory.get();
    raw->AddRef();
    factory.reset();
    raw->Release();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a lock keeps the module";

    ASSERT_EQ(GetClassObject(com::kClsidVelmoraCoClass, com::kIidClassFactory, factory.putVoid(), Headless()),
              S_OK);
    factory->LockServer(FALSE);
    com::ComPtr<IYantPlugin> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IYantPlugin::iid, object.putVoid()), S_OK);
    factory.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a live object keeps the module";
    object.reset();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

class CoClassTest : public PluginFixture {};

TEST_F(CoClassTest, AnswersEveryHostInterfaceWithOneIdentity) {
    const IID* iids[] = {&IYantPlugin::iid,           &IYantProjectEvents::iid,
                         &IYantDialogs::iid,          &IYantFilesEvents::iid,
                         &IYantWindows::iid,          &IYantCpm::iid,
                         &IYantCompileServices::iid,  &IYantCompilerEvents::iid,
                         &IYantDesktopEvents::iid,    &IYantCpmEvents::iid,
                         &IYantMenuEvents::iid,       &IVardexVariables::iid,
                         &IOrvaneCommStateEvent::iid, &IPrjMngrTreeEvents::iid,
                         &IOrvanePlcControl::iid,     &IOrvaneIDE::iid};
    com::ComPtr<IUnknown> identity;
    ASSERT_EQ(plugin->QueryInterface(com::kIidUnknown, identity.putVoid()), S_OK);
    for (const IID* iid : iids) {
        com::ComPtr<IUnknown> itf;
        ASSERT_EQ(plugin->QueryInterface(*iid, itf.putVoid()), S_OK) << com::GuidToString(*iid);
        com::ComPtr<IUnknown> back;
        ASSERT_EQ(itf->QueryInterface(com::kIidUnknown, back.putVoid()), S_OK);
        EXPECT_EQ(back.get(), identity.get());
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(plugin->QueryInterface(IYantMenu::iid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    auto support = com::Query<ISupportErrorInfo>(static_cast<IYantPlugin*>(plugin));
    ASSERT_TRUE(support);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IYantCompilerEvents::iid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IYantMenu::iid), S_FALSE);
}

TEST_F(CoClassTest, SlotsFollowTheHostsNumbering) {
    auto plug = com::Query<IYantPlugin>(static_cast<IYantPlugin*>(plugin));
    DWORD version = 0;
    EXPECT_EQ(CallSlot(plug.get(), 5, &version), S_OK);
    EXPECT_EQ(version, 0x05000307u);

    auto comm = com::Query<IOrvaneCommStateEvent>(plug.get());
    char* name = nullptr;
    std::int32_t value = 0;
    EXPECT_EQ(CallSlot(comm.get(), 3, &name, &value), S_OK);
    EXPECT_EQ(com::TakeTaskString(name), "Velmora");
    EXPECT_EQ(value, -1);

    // The host's side, through the stand-in's objects.
    const auto text = [](void* itf, int slot, auto... args) {
        char* out = nullptr;
        EXPECT_EQ(CallSlot(itf, slot, args..., &out), S_OK) << slot;
        return com::TakeTaskString(out);
    };
    auto pm = com::Query<IYantProjectManager>(ide->application());
    EXPECT_EQ(text(pm.get(), 10), ide->projectDirectory());
    EXPECT_EQ(text(pm.get(), 17), "PLC1");
    EXPECT_EQ(text(pm.get(), 26), ide->projectDirectory() + "Plant.opgr");
    auto rc = com::Query<IYantRegisterCentre>(ide->application());
    EXPECT_EQ(text(com::Query<IYantVariables>(rc.get()).get(), 8, "Boiler_T"), "INT %R200");
    auto editor = com::Query<IYantTextEditor>(rc.get());
    char* font = nullptr;
    std::int32_t size = 0;
    EXPECT_EQ(CallSlot(editor.get(), 13, &font, &size), S_OK);
    EXPECT_EQ(com::TakeTaskString(font), ide->editorFont);
    EXPECT_EQ(size, ide->editorFontSize);
    std::int32_t series = 0;
    EXPECT_EQ(CallSlot(com::Query<IYantCpm>(pm.get()).get(), 4, &series), S_OK);
    EXPECT_EQ(series, 6);
}

// The compile option is an empty task string.
TEST_F(CoClassTest, EventsBeforeInstallationAreErrorsAndUnusedOperationsSucceed) {
    auto services = com::Query<IYantCompileServices>(static_cast<IYantPlugin*>(plugin));
    char* options = nullptr;
    EXPECT_EQ(services->GetCompileOptions(&options), S_OK);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(com::TakeTaskString(options), "");

    EXPECT_EQ(com::Query<IOrvaneIDE>(static_cast<IYantPlugin*>(plugin))->ShowDockableForm(nullptr), S_OK);
    EXPECT_TRUE(logLines().empty());

    VARIANT_BOOL go = VARIANT_TRUE;
    EXPECT_EQ(plugin->OnStartCompiling(&go), E_FAIL);
    EXPECT_EQ(com::TakeComErrorDescription(), "The plug-in is not installed");
    EXPECT_EQ(plugin->OnEndCompiling(0), E_FAIL);
    EXPECT_EQ(plugin->OnMenuActionExecute(0), S_OK) << "no action of its own yet";
}

TEST_F(CoClassTest, AnExceptionInAHandlerBecomesAComErrorOrIsLoggedWhereTheHostWantsSuccess) {
    ASSERT_EQ(install(), S_OK);
    std::string throwOn;
    ide->trace = [&](const std::string& line) {
        if (!throwOn.empty() && line.rfind(throwOn, 0) == 0) throw std::runtime_error(line + " threw");
    };
    // A controller that fails to generate is logged; the host compiles anyway.
    throwOn = "file ";
    writeControllerFile("[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\n");
    VARIANT_BOOL go = VARIANT_TRUE;
    clearLogs();
    EXPECT_EQ(plugin->OnStartCompiling(&go), S_OK);
    EXPECT_EQ(testing::LinesStartingWith(logLines(), {"OnStartCompiling"}),
              std::vector<std::string>{"OnStartCompiling - Error: The controller Boiler was not generated: "
                                       "file Velmora\\Boiler_def.orv (kind 1) threw"});
    ASSERT_EQ(frontEnd->messages().size(), 1u) << "said once";
    EXPECT_EQ(frontEnd->messages()[0].icon, MessageIcon::Stop);

    // Elsewhere the exception becomes the thread's error object.
    throwOn = "form inserted";
    EXPECT_EQ(plugin->OnMenuActionExecute(plugin->actionId()), E_FAIL);

    IErrorInfo* info = nullptr;
    ASSERT_EQ(::GetErrorInfo(0, &info), S_OK);
    GUID iid{};
    info->GetGUID(&iid);
    char* description = nullptr;
    info->GetDescription(&description);
    char* source = nullptr;
    info->GetSource(&source);
    info->Release();
    EXPECT_EQ(iid, IYantMenuEvents::iid);
    EXPECT_EQ(com::TakeTaskString(description), "form inserted threw");
    EXPECT_EQ(com::TakeTaskString(source), com::GuidToString(com::kClsidVelmoraCoClass));

    // LoadDesktop and uninstall log their exceptions and succeed.
    throwOn = "form layout";
    clearLogs();
    EXPECT_EQ(plugin->LoadDesktop(nullptr), S_OK);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "LoadDesktop", "LoadDesktop - Error: form layout FormRegMngr1 not saved threw",
                              "LoadDesktop - end"}))
        << "the menu action made the manager already";
    throwOn = "Unadvise";
    clearLogs();
    uninstall();
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[5].rfind("UninstallPlugin - Error: Unadvise IYantProjectEvents ", 0), 0u) << lines[5];
    EXPECT_EQ(lines[6], "UninstallPlugin - end");
    throwOn.clear();
    uninstall();
}

using host::HostMenuItem;

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

// Each step that can fail.
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
    const std::string operation = GetParam().operation;
    ide->failures[operation] = failure;
    EXPECT_EQ(install(), failure);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "InstallPlugin - end"), 0);
    if (operation == "QI IYantProjectManager") {
        ASSERT_EQ(frontEnd->messages().size(), 1u);
        const auto& m = frontEnd->messages()[0];
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.text, Text(3020) + " " + std::to_string(failure));
        EXPECT_EQ(m.icon, MessageIcon::Stop);
    } else {
        EXPECT_TRUE(frontEnd->messages().empty()) << "only the project manager's failure shows a box";
    }

    clearLogs();
    uninstall();
    EXPECT_FALSE(ide->overReleased());
    // Released by the plug-in only once it got that far: the application object's reference.
    EXPECT_EQ(ide->outstandingReferences(), GetParam().afterHostRelease ? 0 : 1);
    EXPECT_EQ(journalFrom({"Advise "}).size(), journalFrom({"Unadvise "}).size());
    EXPECT_EQ(ide->callbackCount(), 0u);
    EXPECT_EQ(plugin->connectionPointsHeld(), 0);
    EXPECT_EQ(plugin->frame(), nullptr);
    const auto after = logLines();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front(), "UninstallPlugin");
    EXPECT_EQ(after.back(), "UninstallPlugin - end");
    for (const auto& line : after) EXPECT_EQ(line.find("Error"), std::string::npos) << line;
    if (!GetParam().afterHostRelease) ide->application()->Release();
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, FailedInstall,
    ::testing::Values(FailingStep{"QI IYantProjectManager", false},
                      FailingStep{"QI IYantRegisterCentre", false}, FailingStep{"QI IYantMenu", false},
                      FailingStep{"QI IOrvaneCommLoop", false}, FailingStep{"RegisterCallback", false},
                      FailingStep{"GetOwner", true}, FailingStep{"QI IOrvaneIDE", true},
                      FailingStep{"QI IOrvanePlcControl", true},
                      FailingStep{"QI IConnectionPointContainer", true},
                      FailingStep{"FindConnectionPoint IYantProjectEvents", true},
                      FailingStep{"FindConnectionPoint IYantCompilerEvents", true},
                      FailingStep{"FindConnectionPoint IPrjMngrTreeEvents", true},
                      FailingStep{"Advise IYantProjectEvents", true},
                      FailingStep{"Advise IYantCpmEvents", true},
                      FailingStep{"Advise IYantCompilerEvents", true}, FailingStep{"AddImage", true},
                      FailingStep{"RegisterAction", true}, FailingStep{"CreateToolBarControl", true},
                      FailingStep{"CreateMenuItem", true}, FailingStep{"AddProjectDocument", true}),
    [](const ::testing::TestParamInfo<FailingStep>& info) {
        std::string name = info.param.operation;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

}  // namespace
}  // namespace velmora
