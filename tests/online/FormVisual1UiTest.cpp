// The online view's wiring, offscreen: the schema elements a section shows, the value boxes before
// and after data, an element's page and the reload after it, the closing pass in the callback;
// and the comm label painted: the parts' colours, the menu of the part under the pointer.
#include <QtWidgets>

#include "ViewFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "online/CommLabelWidget.h"

namespace velmora::online::testing {
namespace {

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
    host.onOpen = [&] { return writeSection("R", "PID", 2, false), true; };
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
    EXPECT_EQ(std::tuple(grid->item(0, 0)->text(), grid->item(0, 1)->text(), grid->isColumnHidden(2)),
              std::tuple("iInput1", "-", true));
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
    EXPECT_EQ(std::tuple(closer.accepted, view->exchange().closeRequested(), host.destroyed),
              std::tuple(false, true, 0));
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
        EXPECT_EQ(std::tuple(messages.shown.back().text, view->exchange().online()),
                  std::tuple(Text(3023), false));
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

}  // namespace
}  // namespace velmora::online::testing
