// The online view's wiring, offscreen: which schema elements a controller's
// section shows, the value boxes before and after data, an element's page and
// the reload after it, the closing pass while the callback runs, and the
// communication label as painted; and the graph page's tuning dialog: opened
// by the page's button on the marks, the running parameters read from the
// PLC, typed parameters previewed, and "Use vals" writing
// a suggestion through the parameter panel to the PLC.
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>

#include <functional>

#include "ExchangeFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "online/CommLabelWidget.h"
#include "online/FormVisual1.h"
#include "online/TrendGraphWidget.h"
#include "online/TuningWidget.h"
#include "support/UiApp.h"
#include "tuning/TuningFixture.h"

namespace velmora::online::testing {
namespace {

// The online view's host as the tests play it: the session and the controller
// file of the exchange fixture, the schema targets it was asked to open.
struct Host : VisualHost {
    OnlineSession* s = nullptr;
    std::filesystem::path file;
    ScriptedMessages* shown = nullptr;
    std::vector<SchemaTarget> opened;
    std::function<bool()> onOpen;
    int destroyed = 0;
    OnlineSession& session() override { return *s; }
    std::filesystem::path controllerFile() override { return file; }
    MessageBoxes* messages() override { return shown; }
    char decimalSeparator() override { return ','; }
    bool openTarget(SchemaTarget target, const std::string&) override {
        opened.push_back(target);
        return onOpen ? onOpen() : false;
    }
    bool openVariablePage(VariablePage, const std::string&) override { return false; }
    void showHelp() override {}
    void communicationChanged() override {}
    void removeFromDesktop(QWidget*) override {}
    void viewDestroyed() override { ++destroyed; }
};

struct ViewFixture : velmora::testing::WithUiApp, ExchangeFixture, ::testing::Test {
    velmora::testing::TempDir dir;
    Host host;
    ViewFixture() {
        host.s = session.get();
        host.file = dir / "PLC1.rglx";
        host.shown = &messages;
    }
};

using velmora::testing::Click;

struct FormVisual1Ui : ViewFixture {
    void writeSection(const std::string& name, const std::string& type, int inputMode, bool cascade) {
        IniFile f(host.file);
        const std::string s = "Regulator " + name;
        f.writeString(s, "Name", name);
        f.writeString(s, "Type", type);
        f.writeInteger(s, "InputMode", inputMode);
        f.writeBool(s, "Cascade", cascade);
    }
    static bool Shown(TFormVisual1& view, const char* name) {
        QWidget* w = view.findChild<QWidget*>(name);
        return w && !w->isHidden();
    }
    static QString Box(TFormVisual1& view, const char* name) { return view.findChild<QLabel*>(name)->text(); }
};

TEST_F(FormVisual1Ui, ShowsTheElementsOfEachControllerLayout) {
    const struct {
        const char* type;
        int inputMode;
        bool cascade;
        std::vector<const char*> shown, hidden;
    } cases[] = {
        {"PID", 1, false, {"WFiltr1", "UPanel1", "RezimButton1"}, {"Sum2", "Product1"}},
        {"PID", 2, false, {"Sum2", "Y2Input1"}, {"Product1", "Y2Input2", "XPanelY2", "Y3Input1"}},
        {"PID", 3, false, {"Product1", "Y2Input2", "XPanelY2"}, {"Sum2", "Y2Input1"}},
        {"PID", 1, true, {"Y3Input1", "XPanelY3"}, {"Sum2", "Tuner1"}},
        {"PIDMA",
         1,
         false,
         {"WInput1", "Y1Input1", "PID1", "Tuner1", "Technologie1"},
         {"UPanel1", "WFiltr1", "Y3Input1", "RezimButton1", "XPanelY3"}},
    };
    for (const auto& c : cases) {
        writeSection("R", c.type, c.inputMode, c.cascade);
        TFormVisual1 view(host, "R");
        for (const char* name : c.shown)
            EXPECT_TRUE(Shown(view, name)) << c.type << c.inputMode << " " << name;
        for (const char* name : c.hidden)
            EXPECT_FALSE(Shown(view, name)) << c.type << c.inputMode << " " << name;
    }
}

TEST_F(FormVisual1Ui, ValueBoxesShowDashThenDataAndAMeasuringErrorOnRed) {
    const int base = addPid(Pid("Boiler"), 300);
    writeSection("Boiler", "PID", 1, false);
    TFormVisual1 view(host, "Boiler");
    for (const char* box : {"W1Edit1", "WFEdit1", "Y1Edit1", "WEdit1", "UEdit1"})
        EXPECT_EQ(Box(view, box), "-") << box;

    putInt(base + plc::PidOffset("Input1"), 1000);  // of 0..10000
    putInt(base + plc::PidOffset("MaxY"), 10000);
    view.KomunikaceButton1_Click();
    ASSERT_TRUE(view.exchange().online());
    QLabel* y1 = view.findChild<QLabel*>("Y1Edit1");
    for (const int det : {0, int(kDetEY[0]), 0}) {  // the error comes and goes: white again
        plc.area(3)[base + plc::PidOffset("Det")] = static_cast<std::uint8_t>(det);
        exchangeOnce(view.exchange());
        view.showValues();
        EXPECT_EQ(y1->text(), det ? QString::fromStdString(Text(3019)) : "10,00%");
        EXPECT_EQ(y1->palette().color(QPalette::Window), det ? QColor(0xe0, 0x20, 0x20) : QColor(Qt::white));
    }
}

TEST_F(FormVisual1Ui, SidePanelEditsFollowTheGainRulesAndUseValsWritesFromTheGraphPage) {
    const int base = addPid(Pid("Boiler"), 300);
    writeSection("Boiler", "PID", 1, false);
    TFormVisual1 view(host, "Boiler");
    view.KomunikaceButton1_Click();
    exchangeOnce(view.exchange());
    auto* band = view.findChild<QLineEdit*>("EditPBnd1");
    ASSERT_NE(band, nullptr);
    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QApplication::sendEvent(band, &in);
    band->setText("0");
    QApplication::sendEvent(band, &out);
    EXPECT_EQ(band->text(), "0,1") << "left: the band's rule ran";
    // Back from another window: the typed value stays and is what "Use vals" sends.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&view, &activate);
    EXPECT_EQ(band->text(), "0,1");
    auto* use = view.findChild<QPushButton*>("UseSettingsBtn1");
    ASSERT_TRUE(use->isEnabled());
    use->click();
    EXPECT_FALSE(use->isEnabled());
    exchangeOnce(view.exchange());
    EXPECT_NE(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("PBnd")), 1) << "schema page: not yet";
    view.GrafButton1Click();
    // One communication label on the graph page, the schema's own on the schema.
    const auto labels = [&] {
        std::vector<std::string> shown;
        auto* tools = view.findChild<QToolBar*>("ToolBar1");
        for (QAction* a : tools->actions())
            if (tools->widgetForAction(a) == view.findChild<QWidget*>("CommLabel1") && a->isVisible())
                shown.push_back("CommLabel1");
        if (view.findChild<QWidget*>("CommLabel2")->isVisibleTo(&view)) shown.push_back("CommLabel2");
        return shown;
    };
    EXPECT_EQ(labels(), std::vector<std::string>{"CommLabel2"});
    exchangeOnce(view.exchange());
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("PBnd")), 1);
    EXPECT_TRUE(view.findChild<QPushButton*>("AutoButton1")->isEnabled()) << "mode buttons live online";
    view.SchemaButton1Click();
    EXPECT_EQ(labels(), std::vector<std::string>{"CommLabel1"});
}

TEST_F(FormVisual1Ui, AnElementOpensItsPageTheViewReloadsAndTheStructurePageListsMembers) {
    writeSection("R", "PID", 1, false);
    TFormVisual1 view(host, "R");
    // The page changes the section the way the controller-mode page would.
    host.onOpen = [&] {
        writeSection("R", "PID", 2, false);
        return true;
    };
    Click(view.findChild<QWidget*>("RezimButton1"));
    Click(view.findChild<QWidget*>("PID1"));
    EXPECT_EQ(host.opened, (std::vector{SchemaTarget::ControllerMode, SchemaTarget::PidParameters}));
    EXPECT_TRUE(Shown(view, "Y2Input1"));
    Click(view.findChild<QWidget*>("XPanelU1"));
    EXPECT_EQ(view.page(), TFormVisual1::GraphPage);
    // The structure page lists the members, with hex on request.
    writeSection("R", "PID", 1, false);
    TFormVisual1 other(host, "R");
    other.SchemaButton2Click();
    auto* grid = other.findChild<QTableWidget*>("StringGrid2");
    ASSERT_GT(grid->rowCount(), 30);
    EXPECT_EQ(grid->item(0, 0)->text(), "iInput1");
    EXPECT_EQ(grid->item(0, 1)->text(), "-");
    EXPECT_TRUE(grid->isColumnHidden(2));
    Click(other.findChild<QWidget*>("tbHex1"));
    EXPECT_FALSE(grid->isColumnHidden(2));
}

TEST_F(FormVisual1Ui, ClosingInsideTheCallbackWaitsForTheClosingPass) {
    writeSection("R", "PID", 1, false);
    auto* view = new TFormVisual1(host, "R");
    // Another view's label update runs inside the callback: the user closes this one then.
    struct Closer : OnlineViewSink {
        QWidget* target = nullptr;
        bool accepted = true;
        void showCommState(TCommState, bool) override {
            if (target) accepted = target->close();
            target = nullptr;
        }
    } closer;
    OnlineExchange other(*session, "Other", &closer);
    closer.target = view;
    session->CommLoopCallback(request, kRunning);
    EXPECT_FALSE(closer.accepted);
    EXPECT_TRUE(view->exchange().closeRequested());
    EXPECT_EQ(host.destroyed, 0);
    session->CommLoopCallback(request, kRunning);  // the closing pass
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_TRUE(log.contains("WM_MY_CLOSE - R"));
}

TEST_F(FormVisual1Ui, AViewWhoseSectionVanishedSaysSoAndCloses) {
    session->environment().loadSettings = [this](const std::string& name) {
        return ReadExchangeSettings(IniFile(host.file), name);
    };
    // Found when the view reloads (after a page, on activation) and when it goes online.
    const std::function<void(TFormVisual1&)> triggers[] = {
        [](TFormVisual1& v) { EXPECT_FALSE(v.loadController()); },
        [](TFormVisual1& v) { v.KomunikaceButton1_Click(); },
    };
    for (std::size_t i = 0; i < std::size(triggers); ++i) {
        writeSection("R", "PID", 1, false);
        auto* view = new TFormVisual1(host, "R");
        IniFile(host.file).eraseSection("Regulator R");
        messages.shown.clear();
        triggers[i](*view);
        triggers[i](*view);  // told once only
        ASSERT_EQ(messages.shown.size(), 1u) << i;
        EXPECT_EQ(messages.shown.back().text, Text(3023));
        EXPECT_FALSE(view->exchange().online());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(host.destroyed, static_cast<int>(i + 1));
    }
}

QImage Render(TCommLabel& label) {
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    return image;
}

// The comm label painted: the parts' colours where they belong, and the menu
// of the part under the pointer.
TEST(CommLabelWidget, PaintsBothPartsAndAPressChoosesThePartMenu) {
    velmora::testing::UiApp();
    TCommLabel label;
    EXPECT_EQ(label.size(), QSize(105, 22));
    label.SetCommState(TCommState::csCommErr);
    label.SetDataState(TDataState::dsDataOK);
    QImage image = Render(label);
    EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(0, 255, 0)) << "data part";
    EXPECT_EQ(QColor(image.pixel(101, 3)), QColor(255, 0, 0)) << "comm part";
    EXPECT_EQ(image.pixel(1, 10), label.palette().color(QPalette::Dark).rgb()) << "sunken frame";
    EXPECT_EQ(image.pixel(104, 10), label.palette().color(QPalette::Light).rgb());

    QMenu own, comm, data;
    label.setPopupMenu(&own);
    label.Set_CommPopupMenu(&comm);
    label.Set_DataPopupMenu(&data);
    const auto press = [&](double x) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, 10), QPointF(x, 10), Qt::LeftButton,
                      Qt::LeftButton, {});
        QApplication::sendEvent(&label, &e);
        return label.popupMenu();
    };
    EXPECT_EQ(press(90), &comm);
    EXPECT_EQ(press(52), &data) << "52 < 105 / 2";
    label.Set_CanSTDLabel(true);
    EXPECT_EQ(press(10), &own);

    label.Set_CanSTDLabel(false);
    label.SetCommState(TCommState::csTrying);  // the whole strip, in a system colour
    image = Render(label);
    for (int x : {3, 101})
        EXPECT_EQ(QColor(image.pixel(x, 3)), label.palette().color(QPalette::ToolTipBase)) << x;
}

using tuning::testing::KnownPlant;
using tuning::testing::Record;

struct TuningUi : ViewFixture {
    TuningUi() {
        IniFile f(host.file);
        f.writeString("Regulator Boiler", "Name", "Boiler");
        f.writeString("Regulator Boiler", "Type", "PID");
        f.writeInteger("Regulator Boiler", "OutCycle", 20);
    }
    // The newest tuning dialog's panel.
    static TuningWidget* Opened(TFormVisual1& view) {
        const auto dialogs = view.findChildren<QWidget*>("TuningDialog1");
        return dialogs.isEmpty() ? nullptr : dialogs.back()->findChild<TuningWidget*>();
    }
    // The view on its graph page, online, with one exchange done.
    void ShowOnline(TFormVisual1& view) {
        view.resize(1000, 700);
        view.show();
        view.GrafButton1Click();
        view.KomunikaceButton1_Click();
        exchangeOnce(view.exchange());
    }
    // A bump of y = 2·u with a lag of 8 s and 3 s dead time in the view's recording, marked A-B.
    static void RecordAndMark(TFormVisual1& view) {
        for (const auto& s : Record(KnownPlant{2, 8, 0, 1, 0, 3}, {}))
            view.recorder().buffer().append(static_cast<float>(s.time),
                                            {float(s.w), float(s.w - s.y), float(s.u), float(s.y), 0, 0});
        auto* graph = view.findChild<TrendGraphWidget*>();
        graph->setShown({0, 100});
        view.findChild<QToolButton*>("ToolButtonMeasure1")->click();
        QWidget* plot = view.findChild<QWidget*>("GrafImage");
        const QRect area = TrendPlotRect(graph->settings(), plot->size());
        velmora::testing::Click(plot, QPointF(area.left() + 1, plot->height() / 2.0));
        velmora::testing::Click(plot, QPointF(area.right() - 1, plot->height() / 2.0));
        ASSERT_TRUE(graph->markA() && graph->markB());
    }
};

TEST_F(TuningUi, TheGraphPageOpensItOnTheMarksAndUseValsWritesTheChosenRow) {
    const int base = addPid(Pid("Boiler"), 300);
    putInt(base + plc::PidOffset("PBnd"), 432);
    TFormVisual1 view(host, "Boiler");
    ShowOnline(view);
    auto* open = view.findChild<QPushButton*>("TuningButton1");
    ASSERT_NE(open, nullptr);
    open->click();
    ASSERT_NE(Opened(view), nullptr);
    EXPECT_TRUE(Opened(view)->message().contains("A and B marks")) << Opened(view)->message().toStdString();
    EXPECT_FALSE(Opened(view)->findChild<QPushButton*>("UseValsButton1")->isEnabled());

    RecordAndMark(view);
    open->click();
    TuningWidget* tuning = Opened(view);
    ASSERT_TRUE(tuning->result().ok()) << tuning->message().toStdString();
    EXPECT_NEAR(tuning->result().fit.model.gain, 2, 0.05);
    ASSERT_EQ(tuning->rowCount(), 4);
    EXPECT_EQ(tuning->result().rows[0].controller.pid.pBnd, 432) << "the running row is the PLC's";
    const int normal = tuning->result().rows[2].controller.pid.pBnd;
    tuning->selectRow(2);
    ASSERT_TRUE(tuning->useSelected()) << tuning->message().toStdString();
    exchangeOnce(view.exchange());
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("PBnd")), normal);
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("Ti")),
              tuning->result().rows[2].controller.pid.ti);
}

TEST_F(TuningUi, ThePidmaTunersResultIsARowBesideTheRunningParameters) {
    addPidma(Pidma("Dryer"), 500);
    IniFile(host.file).writeString("Regulator Dryer", "Type", "PIDA");
    IniFile(host.file).writeString("Regulator Dryer", "Name", "Dryer");
    const std::pair<int, float> image[] = {{plc::PidaOffset("k"), 2.5f}, {plc::PidaOffset("ti"), 30},
                                           {plc::PidaOffset("td"), 0},   {plc::PidaOffset("nd"), 10},
                                           {plc::PidaOffset("b"), 1},    {plc::PidaOffset("c"), 0}};
    for (const auto& [at, value] : image) putReal(500 + at, value);
    TFormVisual1 view(host, "Dryer");
    ShowOnline(view);
    RecordAndMark(view);
    auto* open = view.findChild<QPushButton*>("TuningButton1");
    open->click();
    ASSERT_TRUE(Opened(view)->result().ok());
    EXPECT_EQ(Opened(view)->rowCount(), 4) << "no tuner result yet (pk 0)";

    const std::pair<int, float> tuned[] = {{plc::PidaOffset("pk"), 1.25f}, {plc::PidaOffset("pti"), 12},
                                           {plc::PidaOffset("ptd"), 1},    {plc::PidaOffset("pnd"), 10},
                                           {plc::PidaOffset("pb"), 0.5f},  {plc::PidaOffset("pc"), 0}};
    for (const auto& [at, value] : tuned) putReal(500 + at, value);
    view.exchange().markTunedRead(TunedReadReason::ParamsButton);  // as the tuner's end asks too
    exchangeOnce(view.exchange());
    open->click();
    TuningWidget* tuning = Opened(view);
    ASSERT_EQ(tuning->rowCount(), 5);
    const tuning::TuningRow& row = tuning->result().rows[4];
    EXPECT_EQ(row.label, "tuner");
    EXPECT_DOUBLE_EQ(row.controller.pida.k, 1.25);
    EXPECT_DOUBLE_EQ(row.controller.pida.b, 0.5);
    EXPECT_DOUBLE_EQ(tuning->result().rows[0].controller.pida.k, 2.5) << "the running row stays the old one";
    EXPECT_TRUE(std::isfinite(row.preview.setpoint.iae));
    ASSERT_TRUE(tuning->previewTyped("k=1,ti=10"));
    ASSERT_TRUE(tuning->previewTyped("k=2,ti=10"));
    ASSERT_EQ(tuning->rowCount(), 6) << "typed rows go after the tuner's and replace each other";
    EXPECT_EQ(tuning->result().rows[4].label, "tuner");
}

}  // namespace
}  // namespace velmora::online::testing
