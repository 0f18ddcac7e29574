#include "host/PluginLoader.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "base/com/Guids.h"
#include "host/HostIde.h"
#include "plugin/Registration.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace velmora::host {

namespace {

bool unloaded = false;

void* OpenModule(const std::filesystem::path& path, std::string& error) {
#if defined(_WIN32)
    HMODULE h = LoadLibraryW(path.wstring().c_str());
    if (!h) error = "cannot load " + path.string();
    return reinterpret_cast<void*>(h);
#else
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) error = dlerror();
    return h;
#endif
}

void* Symbol(void* module, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
#else
    return dlsym(module, name);
#endif
}

void CloseModule(void* module) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

}  // namespace

std::string DescribeFailure(HRESULT hr) {
    const std::string code = com::ResultText(hr), why = com::TakeComErrorDescription();
    return why.empty() ? code : code + " (" + why + ")";
}

PluginModule::PluginModule(const std::filesystem::path& path) : path_(path) {
    std::string error;
    handle_ = OpenModule(path, error);
    if (!handle_) throw std::runtime_error(error);
    getClassObject_ =
        reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(Symbol(handle_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<HRESULT (*)()>(Symbol(handle_, "DllCanUnloadNow"));
    registerServer_ = reinterpret_cast<HRESULT (*)()>(Symbol(handle_, "DllRegisterServer"));
    unregisterServer_ = reinterpret_cast<HRESULT (*)()>(Symbol(handle_, "DllUnregisterServer"));
    if (!getClassObject_ || !canUnloadNow_) {
        CloseModule(handle_);
        throw std::runtime_error(path.string() + " is not an in-process server");
    }
}

PluginModule::~PluginModule() {
    unloaded = canUnloadNow_() == S_OK;
    if (unloaded) CloseModule(handle_);
}

bool PluginModule::lastUnloaded() {
    return unloaded;
}

HRESULT PluginModule::getClassObject(REFCLSID clsid, REFIID iid, void** object) const {
    return getClassObject_(clsid, iid, object);
}
HRESULT PluginModule::canUnloadNow() const {
    return canUnloadNow_();
}
HRESULT PluginModule::registerServer() const {
    return registerServer_ ? registerServer_() : E_NOTIMPL;
}
HRESULT PluginModule::unregisterServer() const {
    return unregisterServer_ ? unregisterServer_() : E_NOTIMPL;
}

PluginHost::~PluginHost() {
    unloadAll();
}

void PluginHost::loadAll(const Registry& registry, const std::function<void(const std::string&)>& report) {
    std::vector<PluginRegistration> found = FindPlugins(registry, com::kCatidOrvanePlugins);
    for (const auto& other : FindPlugins(registry, com::kCatidOrvaneProjectPlugins)) {
        if (std::none_of(found.begin(), found.end(), [&](const auto& f) { return f.clsid == other.clsid; }))
            found.push_back(other);
    }
    for (const PluginRegistration& entry : found) {
        const std::string name = entry.progId.empty() ? com::GuidToString(entry.clsid) : entry.progId;
        if (!entry.load) continue;
        LoadedPlugin plugin;
        plugin.clsid = entry.clsid;
        plugin.progId = entry.progId;
        plugin.description = entry.description;
        try {
            plugin.module = std::make_shared<PluginModule>(entry.modulePath);
        } catch (const std::exception& e) {
            report(name + ": " + e.what());
            continue;
        }
        com::ComPtr<IClassFactory> factory;
        HRESULT hr = plugin.module->getClassObject(entry.clsid, com::kIidClassFactory, factory.putVoid());
        if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IYantPlugin::iid, plugin.object.putVoid());
        factory.reset();
        if (FAILED(hr) || !plugin.object) {
            report(name + ": the class could not be created: " + DescribeFailure(hr));
            continue;
        }
        plugin.object->GetVersion(&plugin.version);
        // The application object goes to the plug-in with a reference of its own.
        ide_.application()->AddRef();
        hr = plugin.object->InstallPlugin(ide_.application());
        plugin.installed = SUCCEEDED(hr);
        if (!plugin.installed) {
            // What it set up before the failing step goes at once: it hears no events.
            report(name + ": installation failed: " + DescribeFailure(hr));
            uninstall(plugin);
        }
        plugins_.push_back(std::move(plugin));
    }
}

void PluginHost::uninstall(LoadedPlugin& plugin) {
    if (!plugin.object) return;
    plugin.object->UninstallPlugin();
    com::ComPtr<IUnknown> identity;
    plugin.object->QueryInterface(com::kIidUnknown, identity.putVoid());
    ide_.forgetPlugin(identity.get());
    identity.reset();
    plugin.object.reset();
}

void PluginHost::unloadAll() {
    while (!plugins_.empty()) {
        uninstall(plugins_.back());
        plugins_.pop_back();
    }
}

}  // namespace velmora::host
