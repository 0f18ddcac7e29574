// The new-controller dialog inside the plug-in's frame, against the IDE
// stand-in's host interfaces over a copy of the demo project.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "base/IniFile.h"
#include "plugin/NewControllerFrame.h"
#include "host/HostIde.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "base/Texts.h"

namespace velmora {
namespace {

class NewControllerWithHost : public ::testing::Test {
protected:
    NewControllerWithHost() {
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo",
                              dir.path() / "demo", std::filesystem::copy_options::recursive);
        ide = std::make_unique<host::HostIde>(dir.path() / "demo");
        link.projectManager = com::ComPtr<IYantProjectManager>::share(ide.get());
        link.registerCentre = com::Query<IYantRegisterCentre>(ide->application());
        link.ide = com::Query<IOrvaneIDE>(ide->application());
        frame = std::make_unique<TFormReg1>(nullptr, link, frontEnd);
    }
    ~NewControllerWithHost() override {
        frame.reset();
        link = HostLink();
    }

    test::TempDir dir;
    std::unique_ptr<host::HostIde> ide;
    HostLink link;
    HeadlessFrontEnd frontEnd;
    std::unique_ptr<TFormReg1> frame;
};

TEST_F(NewControllerWithHost, ReadsTheSeriesOfTheOpenPlcAndItsControllerFile) {
    FrameNewControllerHost host(*frame);
    ASSERT_TRUE(ide->openPlc("PLC2"));
    EXPECT_EQ(host.plcSeries(), 4);
    ASSERT_TRUE(ide->openPlc("PLC1"));
    EXPECT_EQ(host.plcSeries(), 6);
    EXPECT_EQ(host.controllerFile(), frame->controllerFilePath());
    EXPECT_EQ(host.controllerFile().filename(), "PLC1.rglx");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "demo" / "Velmora"));

    host.setCurrentController("Boiler");
    host.setWizardRunning(true);
    EXPECT_EQ(frame->currentController, "Boiler");
    EXPECT_TRUE(frame->wizardRunning);
}

TEST_F(NewControllerWithHost, OverwritingTakesTheOldFilesOutOfTheProjectAndClosesTheView) {
    ASSERT_TRUE(ide->openPlc("PLC1"));
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

    FrameNewControllerHost host(*frame);
    test::ScriptedMessages messages;
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
