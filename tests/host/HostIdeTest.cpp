// The IDE stand-in's interfaces over a project folder.
#include <gtest/gtest.h>

#include <tuple>

#include "HostTestSupport.h"
#include "base/com/TaskString.h"
#include "controllers/ProjectDescription.h"
#include "host/HostIde.h"

namespace velmora {
namespace {

using host::HostIde;
using host::HostMenuItem;

class HostIdeTest : public testing::ScratchProject {};

std::string Take(char* text) {
    return com::TakeTaskString(text);
}

TEST_F(HostIdeTest, ReportsTheProjectAndTheOpenPlc) {
    HostIde ide(project);
    char* text = nullptr;
    ide.GetProjectDirectory(&text);
    const std::string dir = Take(text);
    EXPECT_EQ(dir, std::filesystem::absolute(project).string() + "/");
    ide.GetCurrentPlcName(&text);
    EXPECT_EQ(Take(text), "");
    std::int32_t series = 0;
    EXPECT_TRUE(FAILED(ide.GetPlcSeries(&series))) << "no PLC open, no series";
    EXPECT_FALSE(ide.openPlc("PLC9"));
    EXPECT_TRUE(ide.openPlc("plc2"));
    ide.GetCurrentPlcName(&text);
    EXPECT_EQ(Take(text), "PLC2");
    std::int32_t type = 0;
    EXPECT_EQ(std::make_tuple(ide.GetPlcType(&type), ide.GetPlcSeries(&series)), std::make_tuple(S_OK, S_OK));
    EXPECT_EQ(std::tie(type, series), std::make_tuple(2, 4));
    ide.GetProjectGroupFile(&text);
    EXPECT_EQ(Take(text), dir + "Plant.opgr");
    ide.GetProjectInfo(kProjectProgrammer, &text);
    EXPECT_EQ(Take(text), "J. Novak");
    ide.closePlc();
    EXPECT_EQ(ide.currentPlc(), "");
    EXPECT_THROW(HostIde(project / "empty"), std::runtime_error)
        << "a folder without a description is no project";
}

TEST_F(HostIdeTest, AnswersVariablesOfTheOpenPlc) {
    HostIde ide(project);
    ide.openPlc("PLC1");
    char* text = nullptr;
    ASSERT_EQ(ide.TranslateSymbol("boiler_t", &text), S_OK);
    EXPECT_EQ(Take(text), "INT %R200");
    EXPECT_EQ(ide.TranslateSymbol("Chiller_Valve", &text), S_FALSE) << "a variable of the other PLC";
    EXPECT_EQ(text, nullptr);
    ide.extraSymbols = [](std::string_view name) -> std::optional<std::string> {
        return name == "Boiler_struct"  ? "%R300"
               : name == "Boiler_typed" ? "T_PID %R300"
                                        : std::optional<std::string>();
    };
    EXPECT_EQ(ide.TranslateSymbol("Boiler_struct", &text), S_OK);
    EXPECT_EQ(Take(text), "%R300");
    EXPECT_EQ(ide.TranslateSymbol("Boiler_typed", &text), S_FALSE) << "a text the operand parser cannot read";
}

TEST_F(HostIdeTest, RegisteredFilesJoinTheProjectsFileList) {
    HostIde ide(project);
    const std::string dir = ide.projectDirectory();
    std::int32_t handle = 0;
    for (const char* name : {"Velmora\\Boiler.orv", "Velmora/BOILER.orv"}) {  // the same file in another case
        EXPECT_EQ(ide.AddFile((dir + name).c_str(), 1, "", &handle), S_OK);
        EXPECT_EQ(handle, 2) << name;
    }
    EXPECT_EQ(ide.SetFileAttribute(handle, 2, VARIANT_FALSE), S_OK);
    EXPECT_EQ(ide.AddFile("/elsewhere/x.orv", 1, "", &handle), E_INVALIDARG);
    char* text = nullptr;
    ide.GetFileList(&text);
    EXPECT_EQ(Take(text), "main.orv\nVelmora\\Boiler.orv\n");
    EXPECT_EQ(LoadProjectDescription(project).value_or(ProjectDescription{}).files,
              (std::vector<std::string>{"main.orv", "Velmora\\Boiler.orv"}));
    EXPECT_EQ(ide.registeredFiles(), std::vector<std::string>{"Velmora\\Boiler.orv"});
    EXPECT_EQ(ide.RemoveFile(0), S_OK);
    EXPECT_EQ(LoadProjectDescription(project)->files, std::vector<std::string>{"Velmora\\Boiler.orv"});
    EXPECT_EQ(ide.RemoveFile(5), E_INVALIDARG);
    // A list that cannot be saved fails the call, and the compilation after it, naming the file.
    std::string notes;
    ide.trace = [&](const std::string& line) { notes += line + "\n"; };
    std::filesystem::remove(project / "demo.oprj");
    std::filesystem::create_directory(project / "demo.oprj");
    EXPECT_EQ(ide.AddFile((dir + "Velmora/Kiln.orv").c_str(), 1, "", &handle), E_FAIL);
    EXPECT_FALSE(ide.compile());
    EXPECT_NE(notes.find("error: the project's file list was not saved: Cannot read the file " +
                         (std::filesystem::absolute(project) / "demo.oprj (Is a directory)").string()),
              std::string::npos)
        << notes;
}

TEST_F(HostIdeTest, MenuItemsAreFoundOrMadeAndMovedAndTreeNodesNeedAKnownParent) {
    HostIde ide(project);
    com::ComPtr<IYantMenuItem> a, again;
    ide.GetMenuItem(host::kHelpMenu, "PluginHELP", a.put());
    ide.GetMenuItem(host::kHelpMenu, "pluginhelp", again.put());
    EXPECT_EQ(a.get(), again.get());
    HostMenuItem& help = ide.menu(host::kHelpMenu);
    EXPECT_EQ(help.children.size(), 5u);
    com::ComPtr<IYantMenuItem> sub;
    ide.GetMenuItem(host::kHelpMenu, "Sub", sub.put());
    EXPECT_EQ(sub->Insert(0, a.get()), S_OK);
    EXPECT_EQ(help.children.size(), 5u);
    EXPECT_EQ(static_cast<HostMenuItem*>(sub.get())->children.front(), a.get());
    EXPECT_EQ(a->Insert(0, sub.get()), E_INVALIDARG) << "an item cannot go under itself";
    EXPECT_EQ(sub->Remove(a.get()), S_OK);
    EXPECT_EQ(sub->Remove(a.get()), E_INVALIDARG);
    a.reset(), again.reset(), sub.reset();
    EXPECT_EQ(ide.outstandingReferences(), 0);
    // The tree: the plug-in adds its node under "PlcDoc" (see PluginLoadTest); nothing else.
    YantTreeNode node = nullptr, child = nullptr;
    int foreign = 0;
    EXPECT_EQ(ide.AddChild(&foreign, "x", 0, 0, 0, &child), E_INVALIDARG);
    ide.FindTreeNode("NoSuchNode", &node);
    EXPECT_EQ(node, nullptr);
}

}  // namespace
}  // namespace velmora
