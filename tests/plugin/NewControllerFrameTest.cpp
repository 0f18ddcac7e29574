// The new-controller dialog inside the installed plug-in's frame, against the
// IDE stand-in's host interfaces.
#include <gtest/gtest.h>

#include <algorithm>

#include "PluginFixture.h"
#include "base/IniFile.h"
#include "plugin/NewControllerFrame.h"

namespace velmora {
namespace {

using NewControllerFrame = testing::InstalledPlugin;

// The old files stay on disk.
TEST_F(NewControllerFrame, ReadsThePlcAndOverwritingTakesTheOldFilesOutOfTheProjectAndClosesTheView) {
    FrameNewControllerHost host(*frame);
    ASSERT_TRUE(ide->openPlc("PLC2"));
    EXPECT_EQ(host.plcSeries(), 4);
    ASSERT_TRUE(ide->openPlc("PLC1"));
    EXPECT_EQ(host.plcSeries(), 6);
    EXPECT_EQ(host.controllerFile(), frame->controllerFilePath());
    EXPECT_EQ(host.controllerFile(), controllerFile());
    writeControllerFile(
        "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
        "[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\nHeaderInST=1\r\n");
    frame->generate("Boiler");
    frame->generate("Mixer");
    const auto listed = [&](const std::string& file) {
        return std::count(ide->project().files.begin(), ide->project().files.end(), file) > 0;
    };
    ASSERT_TRUE(listed("Velmora\\Boiler_def.ST"));
    ASSERT_TRUE(listed("Velmora\\Boiler.orv"));
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    testing::ScriptedMessages messages;
    messages.answers = {MessageAnswer::Yes};
    NewController dialog(host, messages);
    dialog.create();
    dialog.okClick("Boiler");
    ASSERT_TRUE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3040));
    EXPECT_FALSE(listed("Velmora\\Boiler_def.ST"));
    EXPECT_FALSE(listed("Velmora\\Boiler.orv"));
    EXPECT_TRUE(listed("Velmora\\Mixer.orv"));
    EXPECT_TRUE(std::filesystem::exists(project / "Velmora" / "Boiler.orv"));
    EXPECT_TRUE(frame->views().empty());
    EXPECT_EQ(IniFile(controllerFile()).keys("Regulator Boiler"),
              (std::vector<std::string>{"Name", "Type", "HeaderInST"}));
    EXPECT_EQ(frame->currentController, "Boiler");
    EXPECT_TRUE(frame->wizardRunning);
}

}  // namespace
}  // namespace velmora
