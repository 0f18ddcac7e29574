// Pictures of every page in English and Czech, for people to look at. They go
// to $VELMORA_SCREENSHOT_DIR, or to "wizard-screenshots" beside the test programs.
#include <QDir>
#include <QPixmap>

#include "UiTestSupport.h"
#include "base/IniFile.h"
#include "wizard/FormWizardPage.h"

namespace velmora::wizard {
namespace {

class Screenshots : public testing::ControllerFileTest {
protected:
    void SetUp() override {
        testing::Application();
        ControllerFileTest::SetUp();
        const char* env = std::getenv("VELMORA_SCREENSHOT_DIR");
        folder = env && *env ? QString(env) : QString(VELMORA_BIN_DIR) + "/../wizard-screenshots";
        QDir().mkpath(folder);
    }
    void TearDown() override {
        ModuleTexts().chooseLanguage(1);
        ControllerFileTest::TearDown();
    }
    QString folder;
};

TEST_F(Screenshots, EveryPageInEnglishAndCzech) {
    writeFile(
        "[Regulator PID_1]\r\nName=PID_1\r\nType=PID\r\nHeaderInST=1\r\nInputMode=3\r\nY1Name=Boiler_T\r\n"
        "Y1Unit=Hazel-KA\r\nY1CNVMode=421\r\nY1Measure=1\r\nY1Filtr=1\r\nY1Tau=4\r\nUAnalog=1\r\nUMeasure="
        "1\r\n"
        "UpName=Valve\r\nTiW=20\r\nWFiltr=0\r\nOffReg=100\r\n"
        "[Regulator PIDA_1]\r\nName=PIDA_1\r\nType=PIDA\r\nHeaderInST=1\r\nInput=In\r\nOutput=Out\r\n");
    context.plcTypeIndex = 10;
    struct Shot {
        WizardPage page;
        const char* controller;
        int signalIndex;
        const char* name;
    };
    const Shot shots[] = {
        {WizardPage::ControlledVariable, "PID_1", 0, "FormY1_Y1"},
        {WizardPage::ControlledVariable, "PID_1", 1, "FormY1_Y2"},
        {WizardPage::ControlledVariable, "PID_1", 2, "FormY1_Y3"},
        {WizardPage::ControllerMode, "PID_1", 0, "FormPReg1"},
        {WizardPage::PidParameters, "PID_1", 0, "FormPReg2"},
        {WizardPage::Setpoint, "PID_1", 0, "FormW1"},
        {WizardPage::Output, "PID_1", 0, "FormU1"},
        {WizardPage::Start, "PID_1", 0, "FormStr1"},
        {WizardPage::PidmaController, "PIDA_1", 0, "FormPIDMA1"},
        {WizardPage::PidmaAutotuner, "PIDA_1", 0, "FormPIDMA2"},
    };
    for (int language : {1, 0}) {
        ModuleTexts().chooseLanguage(language);
        for (const Shot& s : shots) {
            context.controllerName = s.controller;
            context.signalIndex = s.signalIndex;
            auto page = CreateWizardPage(s.page, context, nullptr);
            page->show();
            page->adjustSize();
            QString path = folder + "/" + s.name + (language == 0 ? "_csy" : "_enu") + ".png";
            EXPECT_TRUE(page->grab().save(path)) << path.toStdString();
            // Nothing may be cut: the page is at least as large as its layout wants.
            EXPECT_GE(page->width(), page->minimumSizeHint().width()) << s.name;
            EXPECT_GE(page->height(), page->minimumSizeHint().height()) << s.name;
            page->reject();
        }
    }
}

}  // namespace
}  // namespace velmora::wizard
