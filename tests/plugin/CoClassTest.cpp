// The component: class factory, unload rule, the object's interfaces and
// their slot numbering, and the exception guard around every handler.
#include <gtest/gtest.h>

#include "PluginFixture.h"
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

TEST_F(CoClassTest, AnswersEveryHostInterfaceWithOneIdentityAndFailsEventsBeforeInstallation) {
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
    EXPECT_EQ(std::pair(support->InterfaceSupportsErrorInfo(IYantCompilerEvents::iid),
                        support->InterfaceSupportsErrorInfo(IYantMenu::iid)),
              std::pair(S_OK, S_FALSE));
    // The compile option is an empty task string.
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

TEST_F(CoClassTest, SlotsFollowTheHostsNumbering) {
    auto plug = com::Query<IYantPlugin>(static_cast<IYantPlugin*>(plugin));
    DWORD version = 0;
    EXPECT_EQ(std::pair(CallSlot(plug.get(), 5, &version), version), std::pair(S_OK, DWORD(0x05000307u)));
    auto comm = com::Query<IOrvaneCommStateEvent>(plug.get());
    char* name = nullptr;
    std::int32_t value = 0;
    ASSERT_EQ(CallSlot(comm.get(), 3, &name, &value), S_OK);
    EXPECT_EQ(std::tuple(com::TakeTaskString(name), value), std::tuple("Velmora", -1));
    // The host's side, through the stand-in's objects.
    const auto text = [](void* itf, int slot, auto... args) {
        char* out = nullptr;
        EXPECT_EQ(CallSlot(itf, slot, args..., &out), S_OK) << slot;
        return com::TakeTaskString(out);
    };
    auto pm = com::Query<IYantProjectManager>(ide->application());
    EXPECT_EQ(
        (std::vector{text(pm.get(), 10), text(pm.get(), 17), text(pm.get(), 26)}),
        (std::vector<std::string>{ide->projectDirectory(), "PLC1", ide->projectDirectory() + "Plant.opgr"}));
    auto rc = com::Query<IYantRegisterCentre>(ide->application());
    EXPECT_EQ(text(com::Query<IYantVariables>(rc.get()).get(), 8, "Boiler_T"), "INT %R200");
    auto editor = com::Query<IYantTextEditor>(rc.get());
    char* font = nullptr;
    std::int32_t size = 0;
    ASSERT_EQ(CallSlot(editor.get(), 13, &font, &size), S_OK);
    EXPECT_EQ(std::tuple(com::TakeTaskString(font), size), std::tuple(ide->editorFont, ide->editorFontSize));
    std::int32_t series = 0;
    EXPECT_EQ(std::pair(CallSlot(com::Query<IYantCpm>(pm.get()).get(), 4, &series), series),
              std::pair(S_OK, 6));
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
    char *description = nullptr, *source = nullptr;
    info->GetGUID(&iid);
    info->GetDescription(&description);
    info->GetSource(&source);
    info->Release();
    EXPECT_EQ(iid, IYantMenuEvents::iid);
    EXPECT_EQ(std::tuple(com::TakeTaskString(description), com::TakeTaskString(source)),
              std::tuple("form inserted threw", com::GuidToString(com::kClsidVelmoraCoClass)));
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

}  // namespace
}  // namespace velmora
