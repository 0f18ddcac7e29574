#pragma once
// How the host finds and runs its plug-ins: by component category in the
// registry, through the module's DllGetClassObject and class factory; asked
// for its version, installed with the host's application object, and at the
// end uninstalled, released and unloaded when the module allows it.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"

namespace velmora::host {

class HostIde;

// A plug-in module opened in this process.
class PluginModule {
public:
    // Opens the module; throws std::runtime_error when it cannot be loaded or
    // lacks the in-process server's entry points.
    explicit PluginModule(const std::filesystem::path& path);
    ~PluginModule();  // unloads only when the module says it can be
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) const;
    HRESULT canUnloadNow() const;
    HRESULT registerServer() const;
    HRESULT unregisterServer() const;
    const std::filesystem::path& path() const { return path_; }
    // Whether the module was unloaded by the destructor (set then).
    static bool lastUnloaded();

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    HRESULT (*getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT (*canUnloadNow_)() = nullptr;
    HRESULT (*registerServer_)() = nullptr;
    HRESULT (*unregisterServer_)() = nullptr;
};

struct LoadedPlugin {
    CLSID clsid{};
    std::string progId, description;
    DWORD version = 0;
    std::shared_ptr<PluginModule> module;
    com::ComPtr<IYantPlugin> object;
    bool installed = false;
};

// The plug-ins of one host session.
class PluginHost {
public:
    explicit PluginHost(HostIde& ide) : ide_(ide) {}
    ~PluginHost();  // unloads whatever is still loaded

    // Loads and installs every plug-in registered in the host's categories with
    // "Load" = "1". Problems are reported through `report` and skip that plug-in.
    void loadAll(const Registry& registry, const std::function<void(const std::string&)>& report);
    // Uninstalls, releases and unloads every plug-in, last loaded first.
    void unloadAll();
    // Every plug-in found; one whose installation failed is already uninstalled (no object).
    const std::vector<LoadedPlugin>& plugins() const { return plugins_; }

private:
    void uninstall(LoadedPlugin& plugin);
    HostIde& ide_;
    std::vector<LoadedPlugin> plugins_;
};

// "0x80004005" with the thread's error description when there is one.
std::string DescribeFailure(HRESULT hr);

}  // namespace velmora::host
