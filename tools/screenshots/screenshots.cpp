// Renders every dialog and wizard page offscreen in English, Czech and Russian,
// and the online view's schema in its five layouts with data from a small
// stand-in PLC in English and Czech, and saves PNGs into the folder given on
// the command line, for a look by eye.
//   QT_QPA_PLATFORM=offscreen velmora-screenshots OUT
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/QtToolkit.h"
#include "base/Texts.h"
#include "controllers/FormInput1.h"
#include "controllers/FormNew1.h"
#include "controllers/FormOpenAs1.h"
#include "online/FormVisual1.h"
#include "online/OnlineSession.h"
#include "online/TuningWidget.h"
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
    for (const Shot& s : shots) {
        context.controllerName = s.controller;
        context.signalIndex = s.signalIndex;
        auto page = CreateWizardPage(s.page, context, nullptr);
        Shoot(*page, folder, s.name + suffix);
        page->reject();
    }
}

// ---- The online view ----

// PLC memory of the pictures: one register area, read as asked, writes taken silently.
std::uint8_t g_memory[0x10000];

std::int32_t PictureRequest(std::int32_t command, std::int32_t length, const std::uint8_t* request,
                            std::int32_t* responseLength, std::uint8_t* response, std::int32_t,
                            std::int32_t) {
    std::int32_t out = 0;
    if (command == kPlcRead)
        for (std::int32_t at = 0; at + 4 <= length; at += 4) {
            const int offset = request[at + 1] | (request[at + 2] << 8);
            std::memcpy(response + out, g_memory + offset, request[at + 3]);
            out += request[at + 3];
        }
    *responseLength = command == kPlcRead ? out : 1;
    return 0;
}

void PutInt(int at, int value) {
    plc::PutInt16(g_memory + at, static_cast<std::int16_t>(value));
}
void PutReal(int at, float value) {
    plc::PutReal(g_memory + at, value);
}

constexpr int kStructure = 1000;  // T_PID or _TPIDA_; the PID inputs 2 and 3 just ahead
constexpr int kVariables = 4000;

class PictureTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ManualTimer>(); }
};

// Each reading a tenth of a second later, so every sample counts as new data.
class PictureClock : public Clock {
public:
    LocalTime now() const override {
        ms_ += 100;
        return {2026,
                12,
                6,
                10,
                static_cast<int>(ms_ / 60000 % 60),
                static_cast<int>(ms_ / 1000 % 60),
                static_cast<int>(ms_ % 1000)};
    }

private:
    mutable long long ms_ = 0;
};

class PicturePlc : public online::PlcControl {
public:
    int plcState() const override { return 1; }
};

struct ViewShot {
    const char* name;  // file name and controller name
    const char* section;
};

const ViewShot kViewShots[] = {
    {"PID_single", "Type=PID\r\nInputMode=1\r\nCascade=0\r\n"},
    {"PID_double", "Type=PID\r\nInputMode=2\r\nCascade=0\r\nY2Name=Level\r\n"},
    {"PID_ratio", "Type=PID\r\nInputMode=3\r\nCascade=0\r\nY2Name=Level\r\n"},
    {"PID_cascade", "Type=PID\r\nInputMode=1\r\nCascade=1\r\nY3Name=Position\r\n"},
    {"PIDMA", "Type=PIDA\r\nInput=Temperature\r\nOutput=Heater\r\n"},
};

class PictureViews : public online::VisualHost {
public:
    explicit PictureViews(std::filesystem::path file) : file_(std::move(file)) {
        online::OnlineEnvironment env;
        env.plc = &plc_;
        env.clock = &clock_;
        env.lookup = [this](const std::string& symbol) { return address(symbol); };
        env.loadSettings = [this](const std::string& name) {
            return online::ReadExchangeSettings(IniFile(file_), name);
        };
        session_ = std::make_unique<online::OnlineSession>(std::move(env), timers_);
    }

    // The view online with one sample received, on its schema page.
    std::unique_ptr<online::TFormVisual1> open(const std::string& name) {
        name_ = name;
        settings_ = online::ReadExchangeSettings(IniFile(file_), name);
        auto view = std::make_unique<online::TFormVisual1>(*this, name);
        view->setAttribute(Qt::WA_DeleteOnClose, false);
        view->resize(980, 610);
        view->KomunikaceButton1_Click();
        constexpr std::uint32_t kRunning = (1u << 7) | (1u << 16) | (1u << 17) | (1u << 19);
        for (int pass = 0; pass < 2; ++pass) {
            view->exchange().commTick();
            session_->CommLoopCallback(&PictureRequest, kRunning);
        }
        view->exchange().commTick();
        return view;
    }

    online::OnlineSession& session() override { return *session_; }
    std::filesystem::path controllerFile() override { return file_; }
    MessageBoxes* messages() override { return &messages_; }
    char decimalSeparator() override { return ','; }
    bool openTarget(online::SchemaTarget, const std::string&) override { return false; }
    bool openVariablePage(online::VariablePage, const std::string&) override { return false; }
    bool openSetpointPage(const std::string&, bool, int) override { return false; }
    void showHelp() override {}
    void communicationChanged() override {}
    void removeFromDesktop(QWidget*) override {}
    void viewDestroyed() override {}

private:
    // Structure members where the layout puts them; the variables behind it.
    std::optional<std::string> address(const std::string& symbol) const {
        const std::string prefix = name_ + "_";
        if (symbol.rfind(prefix, 0) != 0)
            return "INT %R" + std::to_string(kVariables + 4 * (symbol.size() % 8));
        const std::string member = symbol.substr(prefix.size());
        const bool pidma = settings_.kind == ControllerKind::Pidma;
        const std::pair<const char*, int> pidMembers[] = {
            {"Det", plc::PidOffset("Det")},         {"PBnd", plc::PidOffset("PBnd")},
            {"RelCool", plc::PidOffset("RelCool")}, {"Ti", plc::PidOffset("Ti")},
            {"Td", plc::PidOffset("Td")},           {"EGap", plc::PidOffset("EGap")},
            {"DGap", plc::PidOffset("DGap")},       {"IGap", plc::PidOffset("IGap")},
            {"Tiw", plc::PidOffset("tiW")},         {"Gw", plc::PidOffset("gW")},
            {"Output", plc::PidOffset("Output")},   {"Control", plc::PidOffset("Control")}};
        const std::pair<const char*, int> pidmaMembers[] = {{"dv", plc::PidaOffset("dv")},
                                                            {"sp", plc::PidaOffset("sp")},
                                                            {"hv", plc::PidaOffset("hv")},
                                                            {"MAN", plc::PidaOffset("MAN")},
                                                            {"TUNE", plc::PidaOffset("TUNE")},
                                                            {"TBRK", plc::PidaOffset("TBRK")},
                                                            {"TAFF", plc::PidaOffset("TAFF")},
                                                            {"TE", plc::PidaOffset("TE")},
                                                            {"k", plc::PidaOffset("k")},
                                                            {"pk", plc::PidaOffset("pk")},
                                                            {"CHANGED", plc::PidaOffset("CHANGED")}};
        if (member == "Input2") return "INT %R" + std::to_string(kStructure - 2);
        if (member == "Input3")
            return "INT %R" + std::to_string(kStructure - (settings_.hasInput2() ? 4 : 2));
        for (const auto& [m, offset] : pidma ? std::span<const std::pair<const char*, int>>(pidmaMembers)
                                             : std::span<const std::pair<const char*, int>>(pidMembers))
            if (member == m)
                return std::string(pidma ? "REAL" : "INT") + " %R" + std::to_string(kStructure + offset);
        return std::nullopt;
    }

    std::filesystem::path file_;
    PictureTimers timers_;
    PicturePlc plc_;
    PictureClock clock_;
    SilentMessages messages_;
    std::unique_ptr<online::OnlineSession> session_;
    std::string name_;
    online::ExchangeSettings settings_;
};

// Plausible process values: PID in raw units of 0..10000, PIDMA in percent.
void FillPicturePlc(bool pidma) {
    std::memset(g_memory, 0, sizeof g_memory);
    if (pidma) {
        const int s = kStructure;
        PutReal(s + plc::PidaOffset("sp"), 55.0f);
        PutReal(s + plc::PidaOffset("pv"), 52.4f);
        PutReal(s + plc::PidaOffset("mv"), 41.3f);
        PutReal(s + plc::PidaOffset("de"), 2.6f);
        return;
    }
    PutInt(kStructure - 4, 2480);  // Input3
    PutInt(kStructure - 2, 4310);  // Input2
    const std::pair<int, int> members[] = {{plc::PidOffset("MaxY"), 10000}, {plc::PidOffset("Input1"), 4520},
                                           {plc::PidOffset("gW"), 5000},    {plc::PidOffset("ConW"), 5000},
                                           {plc::PidOffset("Dev"), 480},    {plc::PidOffset("Output"), 3750}};
    for (const auto& [offset, value] : members) PutInt(kStructure + offset, value);
}

void OnlineViews(const QString& folder, const std::string& suffix) {
    const auto file = std::filesystem::temp_directory_path() / "velmora-screenshots-views.rglx";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (const ViewShot& v : kViewShots)
            out << "[Regulator " << v.name << "]\r\nName=" << v.name << "\r\n"
                << v.section << "Y1Name=Temperature\r\nUpName=Valve\r\nMinY=0\r\nMaxY=10000\r\nUAnalog=1\r\n";
    }
    PictureViews views(file);
    for (const ViewShot& v : kViewShots) {
        FillPicturePlc(std::strcmp(v.name, "PIDMA") == 0);
        auto view = views.open(v.name);
        view->Localize();
        view->show();
        QCoreApplication::processEvents();
        const QString path = folder + "/online-view-" + QString(v.name).toLower().replace('_', '-') +
                             QString::fromStdString(suffix) + ".png";
        if (!view->grab().toImage().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", path.toStdString().c_str());
            ++failures;
        }
    }
    std::filesystem::remove(file);
}

// The recording's model and tuning on a bump of a second-order plant with dead
// time (gain 1, 20 s and 5 s, 2 s) seen through ±1 % of noise, a PIDMA
// controller with a tuner's result and a typed row: every column and button
// the dialog has, over a recording as a sensor gives it.
void TuningDialog(const QString& folder, const std::string& suffix) {
    std::vector<tuning::RecordedSample> recording;
    double x1 = 0, x2 = 0;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1, 1);
    for (int i = 0; i <= 2000; ++i) {
        const double t = i * 0.1, u = t >= 20 ? 55 : 45;
        const double delayed = t >= 22 ? 10 : 0;
        x1 += (delayed - x1) * 0.1 / 20;
        x2 += (x1 - x2) * 0.1 / 5;
        recording.push_back({t, 45, u, 45 + x2 + noise(random)});
    }
    tuning::LoopController running;
    running.kind = ControllerKind::Pidma;
    running.pida.k = 2.5, running.pida.ti = 30, running.pida.td = 0, running.pida.ts = 0.5;
    online::TuningWidget widget(recording, 10.0, 200.0, running, nullptr, ',');
    tuning::LoopController tuned = running;
    tuned.pida.k = 2.2, tuned.pida.ti = 21, tuned.pida.td = 4, tuned.pida.b = 0.7;
    widget.addTunerRow(tuned);
    widget.previewTyped("k=1.5,ti=25,td=3");
    widget.selectRow(2);
    widget.resize(1100, 720);
    Shoot(widget, folder, "TuningWidget" + suffix);

    // A PID controller that ramps its set point, on a pulse into an integrating
    // process (20 s and a lag of 5 s): the slow row takes the filter and says why.
    recording.clear();
    double y = 0, lag = 0;
    for (int i = 0; i <= 3000; ++i) {
        const double t = i * 0.1, u = t >= 20 && t < 60 ? 10 : 0;
        lag += (u - lag) * 0.1 / 5;
        y += lag * 0.1 / 20;
        recording.push_back({t, 30, u, 30 + y});
    }
    running.kind = ControllerKind::Pid;
    running.pid.pBnd = 1000, running.pid.ti = 300, running.pid.outCycle = 200;
    running.pid.minU = -10000, running.pid.ramp = true, running.pid.tiW = 500;
    online::TuningWidget ramped(recording, 10.0, 300.0, running, nullptr, ',');
    ramped.selectRow(1);
    ramped.resize(1100, 720);
    Shoot(ramped, folder, "TuningWidgetRamp" + suffix);
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
        velmora::TuningDialog(folder, suffix);
        if (language != 4) velmora::OnlineViews(folder, language == 1 ? "-en" : "-cs");
    }
    std::filesystem::remove(scratch);
    return velmora::failures == 0 ? 0 : 1;
}
