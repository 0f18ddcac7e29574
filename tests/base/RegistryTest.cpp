// The registry stand-in and the component's registration in it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Registry.h"
#include "base/com/Guids.h"
#include "plugin/Registration.h"
#include "support/Support.h"

namespace velmora {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(Registry, KeysAndValuesIgnoreCaseAndSurviveASaveAndLoad) {
    TempDir dir;
    const auto file = dir / "sub" / "registry.ini";
    {
        Registry r(file);
        r.setValue("HKEY_CLASSES_ROOT\\A\\B", "", "default");
        r.setValue("HKEY_CLASSES_ROOT\\A\\B", "Name", "one");
        r.setValue("hkey_classes_root\\a\\b", "NAME", "two");
        r.createKey("HKEY_CLASSES_ROOT\\A\\C\\D");
        r.save();
    }
    Registry r(file);
    EXPECT_EQ(r.value("HKEY_CLASSES_ROOT\\a\\B"), "default");
    EXPECT_EQ(r.value("HKEY_CLASSES_ROOT\\A\\B", "@"), "default");
    EXPECT_EQ(r.value("HKEY_CLASSES_ROOT\\A\\B", "name"), "two");
    EXPECT_FALSE(r.value("HKEY_CLASSES_ROOT\\A\\B", "other"));
    EXPECT_TRUE(r.keyExists("HKEY_CLASSES_ROOT\\A"));
    EXPECT_TRUE(r.keyExists("HKEY_CLASSES_ROOT\\A\\C\\D\\"));
    EXPECT_FALSE(r.keyExists("HKEY_CLASSES_ROOT\\A\\C\\D\\E"));
    EXPECT_EQ(r.subkeys("HKEY_CLASSES_ROOT\\A"), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(ReadBytes(file),
              "[HKEY_CLASSES_ROOT\\A\\B]\n@=default\nName=two\n\n[HKEY_CLASSES_ROOT\\A\\C\\D]\n\n");
    EXPECT_TRUE(r.deleteTree("HKEY_CLASSES_ROOT\\a"));
    EXPECT_FALSE(r.keyExists("HKEY_CLASSES_ROOT\\A"));
    EXPECT_FALSE(r.deleteTree("HKEY_CLASSES_ROOT\\A"));
}

TEST(Registry, RejectsWhatItCouldNotStore) {
    TempDir dir;
    Registry r(dir / "r.ini");
    EXPECT_THROW(r.setValue("K", "n", "two\nlines"), RegistryError);
    EXPECT_THROW(r.setValue("K", "a=b", "v"), RegistryError);
    EXPECT_THROW(r.setValue("\\", "n", "v"), RegistryError);
    EXPECT_THROW(r.setValue("K", "[n", "v]"), RegistryError);
    EXPECT_THROW(r.setValue("K", ";n", "v"), RegistryError);
    for (const char* text : {"Name=value before any key\n", "[K]\nn=a\r\r\n", "[K]\n\rn=a\n"}) {
        WriteBytes(dir / "bad.ini", text);
        EXPECT_THROW(Registry(dir / "bad.ini"), RegistryError) << text;
    }
}

TEST(Registry, DefaultPathComesFromTheEnvironment) {
    const char* saved = std::getenv("VELMORA_REGISTRY");
    const std::string keep = saved ? saved : "";
    setenv("VELMORA_REGISTRY", "/tmp/velmora-reg.ini", 1);
    EXPECT_EQ(Registry::DefaultPath(), std::filesystem::path("/tmp/velmora-reg.ini"));
    unsetenv("VELMORA_REGISTRY");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const std::string keepXdg = xdg ? xdg : "";
    setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(Registry::DefaultPath(), std::filesystem::path("/data/home/velmora/registry.ini"));
    if (xdg)
        setenv("XDG_DATA_HOME", keepXdg.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    if (saved) setenv("VELMORA_REGISTRY", keep.c_str(), 1);
}

TEST(Registration, WritesTheClassItsServerProgIdAndCategoriesTheHostFinds) {
    TempDir dir;
    Registry r(dir / "r.ini");
    r.setValue("HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", "",
               "/x.so");
    RegisterServer(r, "/opt/velmora/libVelmora.so", "5.0.3.7");
    const std::string cls = "HKEY_CLASSES_ROOT\\CLSID\\{C051C3F6-3F17-4B59-8DBC-18731DEC0A25}";
    const std::string lib = "HKEY_CLASSES_ROOT\\TypeLib\\" + com::GuidToString(com::kLibidVelmora) + "\\1.0",
                      prog = "HKEY_CLASSES_ROOT\\Velmora.VelmoraCoClass";
    const std::tuple<std::string, const char*, const char*> values[] = {
        {cls + "\\InprocServer32", "", "/opt/velmora/libVelmora.so"},
        {cls + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {cls + "\\ProgID", "", "Velmora.VelmoraCoClass"},
        {prog, "Load", "1"},
        {prog, "Version", "5.0.3.7"},
        {prog, "Description", "Velmora for Orvane (Controllers Support Library)"},
        {lib, "", "Velmora for Orvane (Controller Support Library)"},
        {lib + "\\409\\win32", "", "/opt/velmora/libVelmora.so"}};
    for (const auto& [key, name, value] : values) EXPECT_EQ(r.value(key, name), value) << key << " " << name;
    EXPECT_EQ(ModuleFileVersion(), "5.0.3.7");
    for (const CATID& cat : {com::kCatidOrvanePlugins, com::kCatidOrvaneProjectPlugins}) {
        EXPECT_TRUE(r.keyExists(cls + "\\Implemented Categories\\" + com::GuidToString(cat)));
        const auto found = FindPlugins(r, cat);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].clsid, com::kClsidVelmoraCoClass);
        EXPECT_EQ(found[0].modulePath, "/opt/velmora/libVelmora.so");
        EXPECT_EQ(found[0].threadingModel, "Apartment");
        EXPECT_EQ(found[0].progId, "Velmora.VelmoraCoClass");
        EXPECT_TRUE(found[0].load);
        EXPECT_EQ(found[0].version, "5.0.3.7");
    }
    r.setValue(prog, "Load", "0");
    EXPECT_FALSE(FindPlugins(r, com::kCatidOrvanePlugins)[0].load);
    EXPECT_TRUE(FindPlugins(r, com::kIidUnknown).empty());
}

TEST(Registration, UnregisteringRemovesEverythingItWroteAndNothingElse) {
    TempDir dir;
    const auto file = dir / "r.ini";
    const std::string others =
        "[HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32]\n@=/other.so\n\n"
        "[HKEY_CLASSES_ROOT\\Other.Plugin]\nLoad=1\n\n";
    WriteBytes(file, others);
    const auto edit = [&](void (*change)(Registry&)) {
        Registry r(file);
        change(r);
        r.save();
    };
    edit(RegisterHostCategories);
    const std::string before = ReadBytes(file);
    edit([](Registry& r) { RegisterServer(r, "/opt/libVelmora.so", "5.0.3.7"); });
    EXPECT_NE(ReadBytes(file), before);
    edit(UnregisterServer);
    EXPECT_EQ(ReadBytes(file), before);
}

TEST(Guid, RegistryFormRoundTrips) {
    const GUID g = com::MakeGuid("C051C3F6-3F17-4B59-8DBC-18731DEC0A25");
    EXPECT_EQ(com::GuidToString(g), "{C051C3F6-3F17-4B59-8DBC-18731DEC0A25}");
    GUID back{};
    EXPECT_TRUE(com::ParseGuid("{c051c3f6-3f17-4b59-8dbc-18731dec0a25}", back));
    EXPECT_EQ(back, g);
    EXPECT_TRUE(com::ParseGuid("C051C3F6-3F17-4B59-8DBC-18731DEC0A25", back));
    EXPECT_FALSE(com::ParseGuid("{C051C3F6-3F17-4B59-8DBC-18731DEC0A2}", back));
    EXPECT_FALSE(com::ParseGuid("C051C3F6+3F17-4B59-8DBC-18731DEC0A25", back));
    EXPECT_FALSE(com::ParseGuid("G051C3F6-3F17-4B59-8DBC-18731DEC0A25", back));
}

}  // namespace
}  // namespace velmora
