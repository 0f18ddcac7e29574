#include "plugin/Registration.h"

#include <filesystem>

#include "base/com/Guids.h"

namespace velmora {

namespace {

using com::GuidToString;

const std::string kRoot = "HKEY_CLASSES_ROOT";

std::string ClassKey(const CLSID& clsid) {
    return kRoot + "\\CLSID\\" + GuidToString(clsid);
}
std::string ProgIdKey() {
    return kRoot + "\\" + com::kProgId;
}
std::string TypeLibKey() {
    return kRoot + "\\TypeLib\\" + GuidToString(com::kLibidVelmora);
}
std::string InterfaceKey() {
    return kRoot + "\\Interface\\" + GuidToString(com::kIidVelmoraCoClass);
}
std::string CategoryKey(const CATID& catid) {
    return kRoot + "\\Component Categories\\" + GuidToString(catid);
}

// The dispatch proxy of dual interfaces.
constexpr GUID kPSOAInterface = com::MakeGuid("00020424-0000-0000-C000-000000000046");

}  // namespace

std::string ModuleFileVersion() {
    return VELMORA_VERSION;
}

void RegisterServer(Registry& registry, const std::string& modulePath, const std::string& version) {
    const std::string cls = ClassKey(com::kClsidVelmoraCoClass);
    const std::string clsid = GuidToString(com::kClsidVelmoraCoClass);
    const std::string libid = GuidToString(com::kLibidVelmora);

    registry.setValue(cls, "", com::kCoClassName);
    registry.setValue(cls + "\\ProgID", "", com::kProgId);
    registry.setValue(cls + "\\InprocServer32", "", modulePath);
    registry.setValue(cls + "\\InprocServer32", "ThreadingModel", "Apartment");
    registry.setValue(cls + "\\TypeLib", "", libid);
    registry.setValue(cls + "\\Version", "", "1.0");
    registry.createKey(cls + "\\Implemented Categories\\" + GuidToString(com::kCatidOrvanePlugins));
    registry.createKey(cls + "\\Implemented Categories\\" + GuidToString(com::kCatidOrvaneProjectPlugins));

    registry.setValue(ProgIdKey(), "", com::kCoClassName);
    registry.setValue(ProgIdKey() + "\\Clsid", "", clsid);
    registry.setValue(ProgIdKey(), "Load", "1");
    registry.setValue(ProgIdKey(), "Version", version);
    registry.setValue(ProgIdKey(), "Description", com::kPluginDescription);

    // The type library lives in the module itself.
    const auto folder = std::filesystem::path(modulePath).parent_path().string();
    registry.setValue(TypeLibKey() + "\\1.0", "", com::kLibraryHelpString);
    registry.setValue(TypeLibKey() + "\\1.0\\409\\win32", "", modulePath);
    registry.setValue(TypeLibKey() + "\\1.0\\FLAGS", "", "0");
    registry.setValue(TypeLibKey() + "\\1.0\\HELPDIR", "", folder);

    registry.setValue(InterfaceKey(), "", "IVelmoraCoClass");
    registry.setValue(InterfaceKey() + "\\ProxyStubClsid32", "", GuidToString(kPSOAInterface));
    registry.setValue(InterfaceKey() + "\\TypeLib", "", libid);
    registry.setValue(InterfaceKey() + "\\TypeLib", "Version", "1.0");
}

void UnregisterServer(Registry& registry) {
    registry.deleteTree(ClassKey(com::kClsidVelmoraCoClass));
    registry.deleteTree(ProgIdKey());
    registry.deleteTree(TypeLibKey());
    registry.deleteTree(InterfaceKey());
}

void RegisterHostCategories(Registry& registry) {
    registry.setValue(CategoryKey(com::kCatidOrvanePlugins), "409", "Orvane plug-ins");
    registry.setValue(CategoryKey(com::kCatidOrvaneProjectPlugins), "409", "Orvane project plug-ins");
}

std::vector<PluginRegistration> FindPlugins(const Registry& registry, const CATID& category) {
    std::vector<PluginRegistration> found;
    const std::string classes = kRoot + "\\CLSID";
    const std::string catid = GuidToString(category);
    for (const std::string& name : registry.subkeys(classes)) {
        const std::string key = classes + "\\" + name;
        if (!registry.keyExists(key + "\\Implemented Categories\\" + catid)) continue;
        PluginRegistration p;
        if (!com::ParseGuid(name, p.clsid)) continue;
        p.modulePath = registry.value(key + "\\InprocServer32").value_or("");
        p.threadingModel = registry.value(key + "\\InprocServer32", "ThreadingModel").value_or("");
        p.progId = registry.value(key + "\\ProgID").value_or("");
        if (!p.progId.empty()) {
            const std::string progKey = kRoot + "\\" + p.progId;
            p.load = registry.value(progKey, "Load").value_or("") == "1";
            p.version = registry.value(progKey, "Version").value_or("");
            p.description = registry.value(progKey, "Description").value_or("");
        }
        found.push_back(std::move(p));
    }
    return found;
}

}  // namespace velmora
