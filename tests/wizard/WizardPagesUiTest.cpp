// The pages as the frame opens them: a refused variable, a page opened alone,
// its upload, help and captions, and the modal entry points.
#include <QKeyEvent>
#include <QPushButton>

#include "UiTestSupport.h"

namespace velmora::wizard {
namespace {

using testing::Child;
using testing::Type;

class WizardUi : public testing::ControllerFileTest {
protected:
    void SetUp() override {
        testing::UiApp();
        ControllerFileTest::SetUp();
        writeFile("[Regulator Other]\r\nName=Other\r\nType=PID\r\nPBnd=250\r\n");
        variables["Boiler_T"] = "INT %R200";
        variables["Valve"] = "BYTE %R210";
        context.wizardFinished = [this] { ++finished; };
        context.showHelp = [this](const std::string& topic) { topics.push_back(topic); };
    }
    int finished = 0;
    std::vector<std::string> topics;
};

TEST_F(WizardUi, RefusedNameKeepsThePageOpen) {
    context.wizardRunning = true;
    file->writeString(section(), "Name", "PID_1");
    auto page = CreateWizardPage(WizardPage::ControlledVariable, context, nullptr);
    page->show();
    Type(page.get(), "EditName1", "Nowhere");
    messages.answers = {MessageAnswer::No};
    page->Button1Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(file->valueExists(section(), "Y1Name"));
    // Yes goes on and writes the group.
    messages.answers = {MessageAnswer::Yes};
    page->Button1Click();
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(value("Y1Name"), "Nowhere");
    EXPECT_TRUE(context.wizardRunning);
}

class SinglePageUi : public WizardUi {
protected:
    void SetUp() override {
        WizardUi::SetUp();
        writeFile(
            "[Regulator PID_1]\r\nName=PID_1\r\nType=PID\r\nHeaderInST=1\r\nInputMode=3\r\nCascade=1\r\n"
            "Y1Name=Boiler_T\r\nUpName=Valve\r\nPBnd=500\r\nOffReg=12\r\n"
            "[Regulator Other]\r\nName=Other\r\nType=PID\r\n");
        context.controllerName = "PID_1", context.wizardRunning = false;
    }
    // Opens one page alone and closes it with OK or Cancel; true when accepted.
    bool ShowPageScripted(WizardPage p, bool ok) {
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        Child<QPushButton>(page.get(), ok ? "Button1" : "Button2")->click();
        return page->result() == QDialog::Accepted && !page->isVisible();
    }
};

TEST_F(SinglePageUi, OkRegeneratesCancelLeavesTheFileAsItWas) {
    const WizardPage pages[] = {
        WizardPage::ControlledVariable, WizardPage::ControllerMode, WizardPage::PidParameters,
        WizardPage::Setpoint,           WizardPage::Output,         WizardPage::Start};
    for (WizardPage p : pages) {
        const std::string before = fileText();
        ASSERT_FALSE(ShowPageScripted(p, false));
        EXPECT_EQ(fileText(), before) << PageFormName(p);
        EXPECT_TRUE(generated.empty());
        ASSERT_TRUE(ShowPageScripted(p, true)) << PageFormName(p);
        EXPECT_EQ(generated, std::vector<std::string>{"PID_1"}) << PageFormName(p);
        EXPECT_TRUE(file->sectionExists("Regulator Other"));
        generated.clear();
    }
    EXPECT_EQ(finished, 0);  // a start page opened alone ends no wizard
}

TEST_F(SinglePageUi, UploadWithoutAReachablePlcFailsF1ShowsTheHelpTopicAndCaptionsFollowTheLanguage) {
    for (WizardPage p : {WizardPage::ControlledVariable, WizardPage::PidParameters, WizardPage::Setpoint,
                         WizardPage::Output}) {
        messages.shown.clear();
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        Child<QPushButton>(page.get(), "Button3")->click();
        ASSERT_EQ(messages.shown.size(), 1u) << PageFormName(p);
        EXPECT_EQ(messages.shown[0].caption, Text(3019));
        EXPECT_EQ(messages.shown[0].text, Text(3465));
        page->reject();
    }
    for (WizardPage p : {WizardPage::ControlledVariable, WizardPage::PidParameters, WizardPage::Start}) {
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(page.get(), &f1);
        page->reject();
    }
    // Y1 of a ratio controller is Y1; the start page names the type.
    EXPECT_EQ(topics, (std::vector<std::string>{"Velmora_Y1", "Velmora_PReg2", "Velmora_Str_PID"}));
    context.signalIndex = 1;
    auto y2 = CreateWizardPage(WizardPage::ControlledVariable, context, nullptr);
    EXPECT_EQ(y2->helpTopic(), "Velmora_Y2p");
    EXPECT_EQ(y2->windowTitle().toStdString(), Text(3010));
    auto page = CreateWizardPage(WizardPage::Output, context, nullptr);
    EXPECT_EQ(page->windowTitle().toStdString(), Text(3160));
    ModuleTexts().chooseLanguage(0);
    const std::string czech = Text(3160);
    const std::string czechOk = Text(2005);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(page.get(), &change);
    ModuleTexts().chooseLanguage(1);
    EXPECT_EQ(page->windowTitle().toStdString(), czech);
    EXPECT_EQ(Child<QPushButton>(page.get(), "Button1")->text().toStdString(), czechOk);
    page->reject();
}

// The frame's entry points show the pages modally.
TEST_F(SinglePageUi, ModalEntryPointsRunThePages) {
    auto clickWhenShown = [](const char* button) {
        velmora::testing::AnswerNextModal([button](QWidget* modal) {
            if (auto* b = Child<QPushButton>(modal, button)) b->click();
        });
    };
    clickWhenShown("Button1");
    EXPECT_TRUE(ShowControllerPage(WizardPage::Setpoint, context, nullptr));
    EXPECT_EQ(generated, std::vector<std::string>{"PID_1"});
    clickWhenShown("Button2");
    EXPECT_FALSE(ShowControllerPage(WizardPage::Setpoint, context, nullptr));
    EXPECT_EQ(generated.size(), 1u);
    // A wizard whose first page is cancelled through the real modal loop.
    clickWhenShown("Button2");
    EXPECT_FALSE(RunControllerWizard(context, nullptr, newController("PIDA")));
    EXPECT_FALSE(file->sectionExists(section()));
    EXPECT_TRUE(file->sectionExists("Regulator Other"));
}

}  // namespace
}  // namespace velmora::wizard
