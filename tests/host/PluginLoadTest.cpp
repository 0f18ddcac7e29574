// The real plug-in module in the IDE stand-in, from registration to unloading.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <tuple>

#include "HostTestSupport.h"
#include "base/com/Guids.h"
#include "controllers/ProjectDescription.h"
#include "host/HostIde.h"
#include "host/PluginLoader.h"
#include "plugin/Registration.h"

namespace velmora {
namespace {

using host::HostIde;
using host::HostMenuItem;
using host::PluginHost;
using host::PluginModule;

class PluginLoadTest : public testing::ScratchProject {
protected:
    void registerModule() {
        PluginModule module(VELMORA_PLUGIN_MODULE);
        ASSERT_EQ(module.registerServer(), S_OK);
    }
};

TEST_F(PluginLoadTest, TheModuleRegistersAndUnregistersItself) {
    registerModule();
    Registry r(registry);
    const auto found = FindPlugins(r, com::kCatidOrvanePlugins);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::filesystem::path(found[0].modulePath), std::filesystem::path(VELMORA_PLUGIN_MODULE));
    EXPECT_EQ(std::tie(found[0].threadingModel, found[0].version, found[0].load),
              std::make_tuple("Apartment", "5.0.3.7", true));
    EXPECT_EQ(PluginModule(VELMORA_PLUGIN_MODULE).unregisterServer(), S_OK);
    EXPECT_TRUE(PluginModule::lastUnloaded()) << "no object was made, so the module may go";
    EXPECT_TRUE(FindPlugins(Registry(registry), com::kCatidOrvanePlugins).empty());
}

TEST_F(PluginLoadTest, ALoadedPluginInstallsIntoTheHostAndLeavesNothingBehind) {
    registerModule();
    {
        HostIde ide(project);
        PluginHost plugins(ide);
        std::vector<std::string> problems;
        plugins.loadAll(Registry(registry), [&](const std::string& p) { problems.push_back(p); });
        EXPECT_TRUE(problems.empty()) << problems.front();
        ASSERT_EQ(plugins.plugins().size(), 1u);
        const auto& plugin = plugins.plugins()[0];
        EXPECT_EQ(std::tie(plugin.installed, plugin.version, plugin.progId),
                  std::make_tuple(true, 0x05000307u, "Velmora.VelmoraCoClass"));
        // What installation made in the host.
        ASSERT_EQ(ide.actions().size(), 1u);
        const std::int32_t action = ide.actions()[0].id;
        EXPECT_EQ(ide.actions()[0].caption, "Velmora");
        ASSERT_EQ(ide.toolBar(host::kPluginBar).size(), 1u);
        HostMenuItem* tool = ide.toolBar(host::kPluginBar)[0];
        HostMenuItem* entry = ide.menu(host::kToolsMenu).children.at(0);
        EXPECT_FALSE(tool->enabled || entry->enabled);
        EXPECT_EQ(ide.callbackCount(), 1u);
        ASSERT_EQ(ide.documents().size(), 1u);
        EXPECT_EQ(ide.documents()[0].title, "Controller Report");
        HostMenuItem& help = ide.menu(host::kHelpMenu);
        ASSERT_GE(help.children.size(), 3u);
        EXPECT_EQ(help.children[2]->name, "miPluginsHelpIn_miHelp");
        ASSERT_EQ(help.children[2]->children.size(), 1u);
        EXPECT_EQ(help.children[2]->children[0]->caption, "Velmora");
        // Events.
        ide.loadProject();
        ASSERT_TRUE(ide.openPlc("PLC1"));
        EXPECT_TRUE(tool->enabled && entry->enabled);
        ide.fillTree();
        EXPECT_EQ(ide.treeNodes().back().caption, "Controllers information");
        EXPECT_EQ(ide.treeNodes().back().parent->caption, "PlcDoc");
        EXPECT_TRUE(ide.executeAction(action));
        EXPECT_TRUE(std::any_of(ide.forms().begin(), ide.forms().end(), [](const auto& f) {
            return f.second.inserted && f.second.area == 2;
        })) << "the controller manager is docked";
        EXPECT_TRUE(ide.openDocument(ide.documents()[0].id));
        EXPECT_TRUE(ide.compile());
        EXPECT_EQ(ide.registeredFiles(), testing::kDemoPlc1Files);
        ide.closePlc();
        EXPECT_FALSE(tool->enabled || entry->enabled);
        plugins.unloadAll();
        EXPECT_EQ(ide.callbackCount(), 0u);
        EXPECT_EQ(ide.outstandingReferences(), 0) << "every host pointer was released";
        EXPECT_TRUE(help.children[2]->children.empty());
    }
    EXPECT_TRUE(PluginModule::lastUnloaded());
}

TEST_F(PluginLoadTest, PluginsThatAreNotToBeLoadedOrCannotBeAreSkipped) {
    registerModule();
    Registry r(registry);
    r.setValue(std::string("HKEY_CLASSES_ROOT\\") + com::kProgId, "Load", "0");
    r.save();
    testing::RegisterMissingPlugin(registry, dir / "missing.so");
    HostIde ide(project);
    PluginHost plugins(ide);
    std::vector<std::string> problems;
    plugins.loadAll(Registry(registry), [&](const std::string& p) { problems.push_back(p); });
    EXPECT_TRUE(plugins.plugins().empty());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("Missing.Plugin: ", 0), 0u) << problems[0];
}

TEST_F(PluginLoadTest, AControllerThatCannotBeWrittenLeavesTheCompileEventSuccessful) {
    registerModule();
    HostIde ide(project);
    std::vector<std::string> trace;
    ide.trace = [&](const std::string& line) { trace.push_back(line); };
    // A second session in the same process: the module is loaded afresh.
    {
        PluginHost first(ide);
        first.loadAll(Registry(registry), [](const std::string&) {});
    }
    PluginHost plugins(ide);
    plugins.loadAll(Registry(registry), [](const std::string&) {});
    ASSERT_EQ(plugins.plugins().size(), 1u);
    ASSERT_TRUE(plugins.plugins()[0].installed);
    // The file-list event adds the controller files.
    const std::string d = ide.projectDirectory();
    EXPECT_EQ(ide.collectFileList(dir / "archive.lst"),
              "main.orv\n" + d + "Velmora\\PLC1.rglx\n" + d + "Velmora\\PLC2.rglx\n");
    // A generated file that cannot be written: the others are generated and
    // the event still succeeds, so the host compiles.
    ASSERT_TRUE(ide.openPlc("PLC1"));
    std::filesystem::create_directories(project / "Velmora" / "Boiler_def.ST" / "in the way");
    ide.compile();
    EXPECT_TRUE(testing::LinesStartingWith(trace, {"event failed"}).empty())
        << ::testing::PrintToString(trace);
    const auto& files = ide.registeredFiles();
    EXPECT_NE(std::find(files.begin(), files.end(), "Velmora\\Mixer.orv"), files.end());
    EXPECT_EQ(std::find(files.begin(), files.end(), "Velmora\\Boiler_def.ST"), files.end());
}

}  // namespace
}  // namespace velmora
