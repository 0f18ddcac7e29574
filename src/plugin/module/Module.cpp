// The exported entry points of the plug-in module (libVelmora.so / Velmora.dll).
#include <cstdio>
#include <string>

#include "base/Log.h"
#include "base/Registry.h"
#include "base/Texts.h"
#include "plugin/ClassFactory.h"
#include "plugin/HeadlessFrontEnd.h"
#include "plugin/Registration.h"

// The Qt front end joins the module once the forms provide it.
#if __has_include("plugin/QtFrontEnd.h")
#include "plugin/QtFrontEnd.h"
#define VELMORA_QT_FRONT_END 1
#endif

#if defined(_WIN32)
#include <windows.h>
#define VELMORA_EXPORT extern "C" __declspec(dllexport)
#else
#include <dlfcn.h>
#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VELMORA_EXPORT HRESULT VELMORA_COM_CALL DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
VELMORA_EXPORT HRESULT VELMORA_COM_CALL DllCanUnloadNow();
VELMORA_EXPORT HRESULT VELMORA_COM_CALL DllRegisterServer();
VELMORA_EXPORT HRESULT VELMORA_COM_CALL DllUnregisterServer();

namespace {

// Load time: the host's command line decides the log switches and the OEM
// directory, and the English text table is loaded, before any object exists.
struct ModuleLoad {
    ModuleLoad() {
        velmora::Module();
        velmora::ModuleTexts();
    }
} moduleLoad;

std::string ModulePath() {
#if defined(_WIN32)
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&DllGetClassObject), &module);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) && info.dli_fname) return info.dli_fname;
    return {};
#endif
}

// The front end of each new object: Qt's inside a host with a Qt application,
// else one without windows whose message boxes go to the standard error stream.
std::unique_ptr<velmora::FrontEnd> MakeFrontEnd() {
#ifdef VELMORA_QT_FRONT_END
    if (auto qt = velmora::MakeQtFrontEnd()) return qt;
#endif
    auto frontEnd = std::make_unique<velmora::HeadlessFrontEnd>();
    frontEnd->onMessage = [](const velmora::HeadlessFrontEnd::Message& m) {
        std::fprintf(stderr, "Velmora: %s: %s\n", m.caption.c_str(), m.text.c_str());
    };
    return frontEnd;
}

}  // namespace

HRESULT VELMORA_COM_CALL DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    return velmora::GetClassObject(clsid, iid, object, &MakeFrontEnd);
}

HRESULT VELMORA_COM_CALL DllCanUnloadNow() {
    return velmora::CanUnloadNow();
}

HRESULT VELMORA_COM_CALL DllRegisterServer() {
    try {
        const std::string path = ModulePath();
        if (path.empty()) return SELFREG_E_CLASS;
        velmora::Registry registry(velmora::Registry::DefaultPath());
        velmora::RegisterServer(registry, path, velmora::ModuleFileVersion());
        registry.save();
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT VELMORA_COM_CALL DllUnregisterServer() {
    try {
        velmora::Registry registry(velmora::Registry::DefaultPath());
        velmora::UnregisterServer(registry);
        registry.save();
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}
