#pragma once
// The component's registration in the registry stand-in, and the host's view
// of it: plug-ins found by their component categories.
#include <string>
#include <vector>

#include "base/Registry.h"
#include "base/com/Com.h"

namespace velmora {

// What DllRegisterServer writes: the class with its in-process server and
// threading model, its ProgID with the host's "Load", "Version" and
// "Description" values, the two host categories, the type library and the
// interface.
void RegisterServer(Registry& registry, const std::string& modulePath, const std::string& version);
// What DllUnregisterServer removes: everything RegisterServer wrote.
void UnregisterServer(Registry& registry);

// The version resource's "FileVersion": the project version.
std::string ModuleFileVersion();

// A host's categories, as its installation registers them.
void RegisterHostCategories(Registry& registry);

struct PluginRegistration {
    CLSID clsid{};
    std::string progId;
    std::string modulePath;      // InprocServer32
    std::string threadingModel;  // InprocServer32's ThreadingModel
    bool load = false;           // the ProgID's "Load" is "1"
    std::string version, description;
};

// Every class implementing the category, in registry order.
std::vector<PluginRegistration> FindPlugins(const Registry& registry, const CATID& category);

}  // namespace velmora
