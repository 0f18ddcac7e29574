// The plug-in's Qt front end: the toolkit it hands out and the compile-message
// window as the frame's compile pass drives it.
#include <gtest/gtest.h>

#include <QLabel>

#include "support/UiApp.h"
#include "plugin/CompMsgForm.h"
#include "plugin/QtFrontEnd.h"

namespace velmora {
namespace {

// Qt's toolkit, and the compile messages as the Qt window.
TEST(QtFrontEnd, IsMadeInsideAQtApplicationWithQtsToolkitAndWindows) {
    testing::UiApp();
    std::unique_ptr<FrontEnd> frontEnd = MakeQtFrontEnd();
    ASSERT_NE(frontEnd, nullptr);
    Toolkit& toolkit = frontEnd->toolkit();
    EXPECT_NE(dynamic_cast<QtMessageBoxes*>(toolkit.messages), nullptr);
    ASSERT_NE(toolkit.timers, nullptr);
    EXPECT_NE(dynamic_cast<QtTimer*>(toolkit.timers->create().get()), nullptr);
    EXPECT_TRUE(static_cast<bool>(toolkit.processEvents));
    HelpViewer help = frontEnd->helpViewer();
    EXPECT_TRUE(static_cast<bool>(help.open));
    EXPECT_EQ(help.messages, toolkit.messages) << "\"Topic not found\" comes as a Qt box";

    std::unique_ptr<CompileMessageForm> messages = frontEnd->forms().createCompileMessages();
    auto* qt = dynamic_cast<QtCompileMessages*>(messages.get());
    ASSERT_NE(qt, nullptr);

    // The compile pass: project and counter, then one file line per controller.
    messages->setProject("PLC1");
    messages->setCounter("0");
    messages->show();
    EXPECT_TRUE(qt->form().isVisible());
    messages->setFile("Boiler.orv");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lProjekt")->text(), "PLC1");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lComp")->text(), "Boiler.orv");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lWarning")->text(), "0");
    messages->hide();
    EXPECT_FALSE(qt->form().isVisible());
}

}  // namespace
}  // namespace velmora
