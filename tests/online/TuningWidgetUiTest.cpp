// The graph page's tuning dialog, offscreen: opened on the marks, the running parameters read from
// the PLC, typed ones previewed, "Use vals" writing a suggestion through the panel to the PLC.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include <cmath>
#include <tuple>

#include "ViewFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "online/TrendGraphWidget.h"
#include "online/TuningWidget.h"
#include "tuning/NumberText.h"
#include "tuning/TuningFixture.h"

namespace velmora::online::testing {
namespace {

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

TEST_F(TuningUi, UseValsProposesARowsSetpointModificationOnTheSetpointPage) {
    addPid(Pid("Boiler"), 300);
    TFormVisual1 view(host, "Boiler");
    ShowOnline(view);
    RecordAndMark(view);
    view.findChild<QPushButton*>("TuningButton1")->click();
    TuningWidget* tuning = Opened(view);
    ASSERT_TRUE(tuning->result().ok()) << tuning->message().toStdString();
    // The same modification as the running one: nothing to propose.
    tuning->selectRow(2);
    ASSERT_TRUE(tuning->useSelected());
    EXPECT_TRUE(host.proposedSetpoints.empty());
    // Another: the page opens with it; its answer decides what the panel says.
    ASSERT_TRUE(tuning->previewTyped("PBnd=50,Ti=20,Td=2,TiW=4"));
    for (const bool ok : {false, true}) {
        host.onOpen = [ok] { return ok; };
        tuning->selectRow(tuning->rowCount() - 1);
        ASSERT_TRUE(tuning->useSelected());
        ASSERT_EQ(host.proposedSetpoints.size(), ok ? 2u : 1u);
        EXPECT_EQ(host.proposedSetpoints.back(), (std::pair{false, 4}));
        EXPECT_EQ(tuning->message().contains("filter, TiW 4"), ok) << tuning->message().toStdString();
    }
    // Written, it is the running one now.
    ASSERT_TRUE(tuning->useSelected());
    EXPECT_EQ(host.proposedSetpoints.size(), 2u);
}

TEST_F(TuningUi, ThePidmaTunersResultIsARowBesideTheRunningParameters) {
    addPidma(Pidma("Dryer"), 500);
    IniFile(host.file).writeString("Regulator Dryer", "Type", "PIDA");
    IniFile(host.file).writeString("Regulator Dryer", "Name", "Dryer");
    // Simulated by the view: the model's dead time holds the view's exchange, and the dialog says so.
    IniFile(host.file).writeString("Regulator Dryer", "Simulation", "1");
    IniFile(host.file).writeString("Regulator Dryer", "SimT", "0,25");
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
    EXPECT_TRUE(tuning->message().contains("exchanges with the PLC every 0,25 s"))
        << tuning->message().toStdString();
    const tuning::TuningRow& row = tuning->result().rows[4];
    EXPECT_EQ(std::tuple(row.label, row.controller.pida.k, row.controller.pida.b),
              std::tuple("tuner", 1.25, 0.5));
    EXPECT_DOUBLE_EQ(tuning->result().rows[0].controller.pida.k, 2.5) << "the running row stays the old one";
    EXPECT_TRUE(std::isfinite(row.preview.setpoint.iae));
    ASSERT_TRUE(tuning->previewTyped("k=1,ti=10"));
    EXPECT_FALSE(tuning->previewTyped("k=1,zz=10"));
    EXPECT_FALSE(tuning->message().contains("exchanges with the PLC")) << "the refusal alone";
    ASSERT_TRUE(tuning->previewTyped("k=2,ti=10"));
    ASSERT_EQ(tuning->rowCount(), 6) << "typed rows go after the tuner's and replace each other";
    EXPECT_EQ(tuning->result().rows[4].label, "tuner");
    EXPECT_TRUE(tuning->message().contains("exchanges with the PLC every 0,25 s"))
        << "a typed row keeps the fit's notes: " << tuning->message().toStdString();
}

// One language at a time: the model, the core's refusals and notes and the typed rows' errors
// come in the module's language, numbers with the view's decimal separator.
TEST_F(TuningUi, SpeaksTheModulesLanguageWithItsDecimalSeparator) {
    struct Restore {
        ~Restore() { ModuleTexts().chooseLanguage(1); }
    } restore;
    const auto bump = Record(KnownPlant{2, 8, 0, 1, 0, 3}, {});
    tuning::LoopController pid;
    const struct {
        int language;
        double from, to;
        const char* typed;
        const char* says;  // in the model line, else in the message
    } cases[] = {
        {0, 0, 100, nullptr, "první řád s dopravním zpožděním: zesílení 2,0"},
        {4, 0, 100, nullptr, "первый порядок с запаздыванием: коэффициент усиления 2,0"},
        {0, 50, 50, nullptr, "Začátek úseku (50,00 s) není před jeho koncem (50,00 s)."},
        {0, 200, 300, nullptr, "Úsek 200,00 .. 300,00 s leží mimo záznam (0,00 .. 100,00 s)."},
        {4, 0, 9, nullptr, "u меняется на участке на 0,00 %; нужно не меньше 0,5 %."},
        {0, 0, 100, "k=1", "\"k\" není parametr druhu PID (PBnd, K+, Ti, Td, TiW)."},
        {4, 0, 100, "Ti=x", "Значение \"Ti\" не является числом не меньше 0."},
    };
    for (const auto& c : cases) {
        ModuleTexts().chooseLanguage(c.language);
        TuningWidget widget(bump, c.from, c.to, pid, nullptr, ',');
        if (c.typed) {
            EXPECT_FALSE(widget.previewTyped(c.typed));
        }
        const bool refused = !widget.result().ok() || c.typed;
        const QString shown = refused ? widget.message() : widget.findChild<QLabel*>("ModelLabel1")->text();
        EXPECT_TRUE(shown.contains(QString::fromUtf8(c.says))) << c.says << "\n" << shown.toStdString();
        // A refusal in red; the notes beside a model are no alarm.
        EXPECT_EQ(widget.findChild<QLabel*>("MessageLabel1")->styleSheet().contains("b00000"), refused);
    }
    ModuleTexts().chooseLanguage(4);
    const TuningWidget simulated(bump, 0.0, 100.0, pid, nullptr, ',', nullptr, 0.25);
    EXPECT_TRUE(simulated.message().contains(QString::fromUtf8(
        "каждые 0,25 с: запись видит y на один обмен позже, поэтому запаздывание модели на 0,25 с")))
        << simulated.message().toStdString();
    ModuleTexts().chooseLanguage(0);
    TuningWidget widget(bump, 0.0, 100.0, pid, nullptr, ',');
    EXPECT_EQ(widget.findChild<QTableWidget*>("RowsTable1")->item(2, 0)->text(),
              QString::fromUtf8("normální"));
    EXPECT_TRUE(widget.findChild<QTableWidget*>("RowsTable1")->item(2, 1)->text().contains(','));
    // The set-point step's spread over the models the window fits about as well, on its cells.
    const tuning::StepSpread& spread = widget.result().rows[2].preview.spread;
    for (const auto& [column, low, high, unit] :
         {std::tuple{1, spread.overshootLow, spread.overshootHigh, " %."},
          std::tuple{2, spread.settlingLow, spread.settlingHigh, " s."}}) {
        const QString tip = widget.findChild<QTableWidget*>("RowsTable1")->item(2, column)->toolTip();
        const auto number = [](double v) {
            return QString::fromStdString(tuning::FixedText(v, 1)).replace('.', ',');
        };
        const QString range = number(low) + " .. " + number(high) + unit;
        EXPECT_TRUE(tip.startsWith(QString::fromUtf8("Na modelech, kterým záznam odpovídá")) &&
                    tip.endsWith(range))
            << tip.toStdString() << " / " << range.toStdString();
    }
}

}  // namespace
}  // namespace velmora::online::testing
