// The new-controller dialog inside the plug-in's frame, against the IDE
// stand-in's host interfaces over a copy of the demo project.
#include <gtest/gtest.h>

#include "DemoFrame.h"
#include "Fakes.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "plugin/HeadlessFrontEnd.h"
#include "plugin/NewControllerFrame.h"

namespace velmora {
namespace {

struct Headless {
    HeadlessFrontEnd frontEnd;
};

class NewControllerWithHost : public ::testing::Test, Headless, protected testing::DemoFrame {
protected:
    NewControllerWithHost() : DemoFrame(frontEnd) {}
};

// The dialog's host reads the open PLC's series and its controller file; an
// overwritten controller's old files leave the project, and its view closes.
TEST_F(NewControllerWithHost, ReadsThePlcAndOverwritingTakesTheOldFilesOutOfTheProjectAndClosesTheView) {
    FrameNewControllerHost host(*frame);
    ASSERT_TRUE(ide->openPlc("PLC2"));
    EXPECT_EQ(host.plcSeries(), 4);
    ASSERT_TRUE(ide->openPlc("PLC1"));
    EXPECT_EQ(host.plcSeries(), 6);
    EXPECT_EQ(host.controllerFile(), frame->controllerFilePath());
    EXPECT_EQ(host.controllerFile().filename(), "PLC1.rglx");
    // Generating registers a controller's files with the project.
    frame->generate("Boiler");
    frame->generate("Mixer");
    const auto listed = [&](const std::string& file) {
        return std::count(ide->project().files.begin(), ide->project().files.end(), file) > 0;
    };
    ASSERT_TRUE(listed("Velmora\\Boiler_def.ST"));
    ASSERT_TRUE(listed("Velmora\\Boiler.orv"));
    ASSERT_TRUE(frame->openOnlineView("Boiler"));
    ASSERT_EQ(frame->views().size(), 1u);

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
    EXPECT_TRUE(listed("Velmora\\Mixer.orv")) << "other controllers keep their files";
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "demo" / "Velmora" / "Boiler.orv"))
        << "files stay on disk";
    EXPECT_TRUE(frame->views().empty());
    IniFile file(frame->controllerFilePath());
    EXPECT_EQ(file.keys("Regulator Boiler"), (std::vector<std::string>{"Name", "Type", "HeaderInST"}));
    EXPECT_EQ(frame->currentController, "Boiler");
    EXPECT_TRUE(frame->wizardRunning);
}

}  // namespace
}  // namespace velmora
