// Renders every dialog and wizard page offscreen in English, Czech and Russian
// and saves PNGs into the folder given on the command line, for a look by eye.
//   QT_QPA_PLATFORM=offscreen velmora-screenshots OUT
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/IniFile.h"
#include "base/QtToolkit.h"
#include "base/Texts.h"
#include "controllers/FormInput1.h"
#include "controllers/FormNew1.h"
#include "controllers/FormOpenAs1.h"
#include "plugin/CompMsgForm.h"
#include "wizard/FormWizardPage.h"

namespace velmora {
namespace {

// Answers Ok to whatever the dialogs ask while they are only shown.
class SilentMessages : public MessageBoxes {
public:
    MessageAnswer show(const std::string&, const std::string&, MessageIcon, MessageButtons) override {
        return MessageAnswer::Ok;
    }
};

// A host with one PLC of the given series and no project file list.
class PictureHost : public NewControllerHost {
public:
    PictureHost(std::filesystem::path file, int series) : file_(std::move(file)), series_(series) {}
    std::optional<int> plcSeries() override { return series_; }
    std::filesystem::path controllerFile() override { return file_; }
    void setCurrentController(const std::string&) override {}
    void setWizardRunning(bool) override {}
    void closeOnlineView(const std::string&) override {}
    ProjectFileList* projectFiles() override { return nullptr; }

private:
    std::filesystem::path file_;
    int series_;
};

const char kControllers[] =
    "[Regulator PID_1]\r\nName=PID_1\r\nType=PID\r\nHeaderInST=1\r\nInputMode=3\r\nY1Name=Boiler_T\r\n"
    "Y1Unit=Hazel-KA\r\nY1CNVMode=421\r\nY1Measure=1\r\nY1Filtr=1\r\nY1Tau=4\r\nUAnalog=1\r\nUMeasure=1\r\n"
    "UpName=Valve\r\nTiW=20\r\nWFiltr=0\r\nOffReg=100\r\n"
    "[Regulator PIDA_1]\r\nName=PIDA_1\r\nType=PIDA\r\nHeaderInST=1\r\nInput=In\r\nOutput=Out\r\n";

int failures = 0;

void Shoot(QWidget& w, const QString& folder, const std::string& name) {
    w.show();
    w.adjustSize();
    QCoreApplication::processEvents();
    const QString path = folder + "/" + QString::fromStdString(name) + ".png";
    if (!w.grab().toImage().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.toStdString().c_str());
        ++failures;
    }
    w.hide();
}

void Dialogs(const std::filesystem::path& file, const QString& folder, const std::string& suffix) {
    SilentMessages messages;
    PictureHost wide(file, 6), narrow(file, 5);
    TFormNew1 newWide(wide, messages), newNarrow(narrow, messages);
    Shoot(newWide, folder, "FormNew1_series6" + suffix);
    Shoot(newNarrow, folder, "FormNew1_series5" + suffix);
    TFormOpenAs1 openAs(messages);
    openAs.setName("Boiler_2");
    Shoot(openAs, folder, "FormOpenAs1" + suffix);
    TFormInput1 input(messages);
    input.setWindowTitle("Setpoint");
    input.setText("55,00");
    Shoot(input, folder, "FormInput1" + suffix);
    TCompMsgFrm comp;
    comp.setProject("PLC1");
    comp.setFile("Boiler_hall_B.orv");
    Shoot(comp, folder, "CompMsgFrm" + suffix);
    auto box = BuildMessageBox(Text(2038), Text(3040), MessageIcon::Exclamation, MessageButtons::YesNo);
    Shoot(*box, folder, "MessageBox" + suffix);
}

void WizardPages(const std::filesystem::path& file, const QString& folder, const std::string& suffix) {
    using namespace wizard;
    IniFile ini(file);
    SilentMessages messages;
    WizardContext context;
    context.file = &ini;
    context.messages = &messages;
    context.decimalSeparator = ',';
    context.plcTypeIndex = 10;
    context.variableAddress = [](const std::string&) { return std::optional<std::string>(); };
    struct Shot {
        WizardPage page;
        const char* controller;
        int signalIndex;
        const char* name;
    };
    const Shot shots[] = {
        {WizardPage::ControlledVariable, "PID_1", 0, "FormY1_Y1"}, {WizardPage::ControlledVariable, "PID_1", 1, "FormY1_Y2"},
        {WizardPage::ControlledVariable, "PID_1", 2, "FormY1_Y3"}, {WizardPage::ControllerMode, "PID_1", 0, "FormPReg1"},
        {WizardPage::PidParameters, "PID_1", 0, "FormPReg2"},      {WizardPage::Setpoint, "PID_1", 0, "FormW1"},
        {WizardPage::Output, "PID_1", 0, "FormU1"},                {WizardPage::Start, "PID_1", 0, "FormStr1"},
        {WizardPage::PidmaController, "PIDA_1", 0, "FormPIDMA1"},  {WizardPage::PidmaAutotuner, "PIDA_1", 0, "FormPIDMA2"},
    };
    for (const Shot& s : shots) {
        context.controllerName = s.controller;
        context.signalIndex = s.signalIndex;
        auto page = CreateWizardPage(s.page, context, nullptr);
        Shoot(*page, folder, s.name + suffix);
        page->reject();
    }
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmora-screenshots OUTPUT-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    // The pages edit a scratch copy of the sample controllers, never a user's file.
    const auto scratch = std::filesystem::temp_directory_path() / "velmora-screenshots.rglx";
    std::ofstream(scratch, std::ios::binary | std::ios::trunc) << velmora::kControllers;
    for (const auto& [language, suffix] : {std::pair{1, "_enu"}, {0, "_csy"}, {4, "_rus"}}) {
        velmora::ModuleTexts().chooseLanguage(language);
        velmora::Dialogs(scratch, folder, suffix);
        velmora::WizardPages(scratch, folder, suffix);
    }
    std::filesystem::remove(scratch);
    return velmora::failures == 0 ? 0 : 1;
}
