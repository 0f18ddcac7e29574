#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "UiTestSupport.h"
#include "base/IniFile.h"
#include "wizard/FormWizardPage.h"

namespace velmora::wizard {
namespace {

using testing::Find;
using testing::FormScriptRunner;
using testing::Leave;
using testing::Type;

class WizardUi : public testing::ControllerFileTest {
protected:
    void SetUp() override {
        testing::Application();
        ControllerFileTest::SetUp();
        writeFile("[Regulator Other]\r\nName=Other\r\nType=PID\r\nPBnd=250\r\n");
        variables["Boiler_T"] = "INT %R200";
        variables["Valve"] = "BYTE %R210";
        context.wizardFinished = [this] { ++finished; };
        context.showHelp = [this](const std::string& topic) { topics.push_back(topic); };
    }
    std::function<bool()> newController(const std::string& type) {
        return [this, type] {
            context.controllerName = "PID_1";
            context.wizardRunning = true;
            file->writeString(section(), "Name", "PID_1");
            file->writeString(section(), "Type", type);
            file->writeBool(section(), "HeaderInST", false);
            return true;
        };
    }
    // Fills what the pages need to be accepted; the mode page takes the given structure.
    FormScriptRunner::Script fill(int inputMode, bool cascade) {
        return [inputMode, cascade](WizardPage page, WizardPageForm& form) {
            switch (page) {
                case WizardPage::ControlledVariable:
                    Type(&form, "EditName1", "Boiler_T");
                    break;
                case WizardPage::ControllerMode:
                    Find<QRadioButton>(&form, QString("RadioButton%1").arg(inputMode).toUtf8().constData())
                        ->setChecked(true);
                    Find<QCheckBox>(&form, "CheckBox1")->setChecked(cascade);
                    break;
                case WizardPage::Output:
                    Type(&form, "EditUp1", "Valve");
                    break;
                case WizardPage::PidmaController:
                    Type(&form, "EditName1", "Boiler_T");
                    Type(&form, "EditName2", "Valve");
                    break;
                default:
                    break;
            }
        };
    }
    FormScriptRunner runner;
    int finished = 0;
    std::vector<std::string> topics;
};

TEST_F(WizardUi, PageOrderFollowsTheModeAndTheKind) {
    struct Case {
        int inputMode;
        bool cascade;
        std::vector<std::string> pages;
        std::vector<std::uint32_t> signalCaptions;
    };
    const Case cases[] = {
        {1, false, {"FormY1", "FormPReg1", "FormPReg2", "FormW1", "FormU1", "FormStr1"}, {3008}},
        {2,
         false,
         {"FormY1", "FormPReg1", "FormY1", "FormPReg2", "FormW1", "FormU1", "FormStr1"},
         {3008, 3009}},
        {3,
         false,
         {"FormY1", "FormPReg1", "FormY1", "FormPReg2", "FormW1", "FormU1", "FormStr1"},
         {3008, 3010}},
        {1,
         true,
         {"FormY1", "FormPReg1", "FormY1", "FormPReg2", "FormW1", "FormU1", "FormStr1"},
         {3008, 3011}},
        {2,
         true,
         {"FormY1", "FormPReg1", "FormY1", "FormY1", "FormPReg2", "FormW1", "FormU1", "FormStr1"},
         {3008, 3009, 3011}},
    };
    for (const Case& c : cases) {
        runner = {};
        generated.clear();
        runner.script = fill(c.inputMode, c.cascade);
        EXPECT_TRUE(RunWizard(context, runner, newController("PID"))) << c.inputMode << c.cascade;
        EXPECT_EQ(runner.shown, c.pages);
        std::vector<std::string> captions;
        for (std::size_t k = 0; k < runner.shown.size(); ++k)
            if (runner.shown[k] == "FormY1") captions.push_back(runner.titles[k]);
        std::vector<std::string> expected;
        for (std::uint32_t id : c.signalCaptions) expected.push_back(Text(id));
        EXPECT_EQ(captions, expected);
        EXPECT_EQ(generated, std::vector<std::string>{"PID_1"});  // only the start page generates
        EXPECT_FALSE(context.wizardRunning);
        EXPECT_EQ(value("InputMode"), std::to_string(c.inputMode));
    }
    EXPECT_EQ(finished, 5);
}

TEST_F(WizardUi, PidmaControllerHasItsOwnThreePages) {
    runner.script = fill(1, false);
    EXPECT_TRUE(RunWizard(context, runner, newController("PIDA")));
    EXPECT_EQ(runner.shown, (std::vector<std::string>{"FormPIDMA1", "FormPIDMA2", "FormStr1"}));
    EXPECT_EQ(value("Input"), "Boiler_T");
    EXPECT_EQ(value("irtype"), "7");
    EXPECT_EQ(value("ittype"), "7");
    EXPECT_EQ(value("AM"), "1");
    EXPECT_EQ(value("sp"), "0");
    EXPECT_EQ(value("hv"), "0");
}

TEST_F(WizardUi, CancelOnAnyPageDiscardsTheNewControllerAndNothingElse) {
    const std::vector<std::string> other = file->sectionValues("Regulator Other");
    for (int cancelAt = 1; cancelAt <= 8; ++cancelAt) {
        runner = {};
        generated.clear();
        int page = 0;
        auto filler = fill(2, true);
        runner.script = [&](WizardPage p, WizardPageForm& form) {
            if (++page == cancelAt)
                Find<QPushButton>(&form, "Button2")->click();
            else
                filler(p, form);
        };
        EXPECT_FALSE(RunWizard(context, runner, newController("PID"))) << cancelAt;
        EXPECT_EQ(static_cast<int>(runner.shown.size()), cancelAt);
        EXPECT_EQ(file->sections(), std::vector<std::string>{"Regulator Other"}) << cancelAt;
        EXPECT_EQ(file->sectionValues("Regulator Other"), other);
        EXPECT_FALSE(context.wizardRunning);
        EXPECT_TRUE(generated.empty());
    }
    EXPECT_EQ(finished, 0);
}

TEST_F(WizardUi, RefusedNameKeepsThePageOpenAndAsksTheExactQuestion) {
    context.wizardRunning = true;
    file->writeString(section(), "Name", "PID_1");
    auto page = CreateWizardPage(WizardPage::ControlledVariable, context, nullptr);
    page->show();
    Type(page.get(), "EditName1", "Nowhere");
    messages.answers = {MessageAnswer::No};
    page->Button1Click();
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].caption, "Warning");
    EXPECT_EQ(messages.asked[0].text, "Variable 'Nowhere' is not defined. Continue?");
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
        context.controllerName = "PID_1";
        context.wizardRunning = false;
    }
    // Opens one page alone and closes it with OK or Cancel; true when accepted.
    bool ShowPageScripted(WizardPage p, bool ok) {
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        Find<QPushButton>(page.get(), ok ? "Button1" : "Button2")->click();
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

TEST_F(SinglePageUi, ExistingValuesAreShownAndPlacementFollowsTheDialect) {
    auto page = CreateWizardPage(WizardPage::PidParameters, context, nullptr);
    page->show();
    EXPECT_EQ(Find<QLineEdit>(page.get(), "EditPBnd1")->text(), "50,0");
    EXPECT_EQ(Find<QLineEdit>(page.get(), "EditG1")->text(), "2,00");
    EXPECT_TRUE(Find<QCheckBox>(page.get(), "chk1")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(page.get(), "chk1")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(page.get(), "edtoff1")->text(), "12");
    EXPECT_FALSE(Find<QCheckBox>(page.get(), "CheckBoxStruct1")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(page.get(), "Button3")->isVisible());
    page->reject();

    file->writeInteger(section(), "HeaderInST", 0);
    page = CreateWizardPage(WizardPage::PidParameters, context, nullptr);
    page->show();
    EXPECT_FALSE(Find<QCheckBox>(page.get(), "chk1")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(page.get(), "CheckBoxStruct1")->isEnabled());
    page->Button1Click();
    EXPECT_EQ(value("OffReg"), "12");  // hidden placement is left as it was
    EXPECT_EQ(value("PBnd"), "500");
}

TEST_F(SinglePageUi, UploadWithoutAReachablePlcReportsTheFailedRead) {
    for (WizardPage p : {WizardPage::ControlledVariable, WizardPage::PidParameters, WizardPage::Setpoint,
                         WizardPage::Output}) {
        messages.asked.clear();
        auto page = CreateWizardPage(p, context, nullptr);
        page->show();
        Find<QPushButton>(page.get(), "Button3")->click();
        ASSERT_EQ(messages.asked.size(), 1u) << PageFormName(p);
        EXPECT_EQ(messages.asked[0].caption, Text(3019));
        EXPECT_EQ(messages.asked[0].text, Text(3465));
        page->reject();
    }
}

TEST_F(SinglePageUi, F1ShowsThePagesHelpTopic) {
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
}

TEST_F(SinglePageUi, CaptionsFollowALanguageChange) {
    auto page = CreateWizardPage(WizardPage::Output, context, nullptr);
    EXPECT_EQ(page->windowTitle().toStdString(), Text(3160));
    ModuleTexts().chooseLanguage(0);
    const std::string czech = Text(3160);
    const std::string czechOk = Text(2005);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(page.get(), &change);
    ModuleTexts().chooseLanguage(1);
    EXPECT_EQ(page->windowTitle().toStdString(), czech);
    EXPECT_NE(czech, Text(3160));
    EXPECT_EQ(Find<QPushButton>(page.get(), "Button1")->text().toStdString(), czechOk);
    page->reject();
}

}  // namespace
}  // namespace velmora::wizard

namespace velmora::wizard {
namespace {

// The frame's entry points show the pages modally.
TEST_F(SinglePageUi, ModalEntryPointsRunThePages) {
    auto clickWhenShown = [](const char* button) {
        QTimer::singleShot(0, [button] {
            if (QWidget* modal = QApplication::activeModalWidget())
                if (auto* b = modal->findChild<QPushButton*>(button)) b->click();
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
