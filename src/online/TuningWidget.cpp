#include "online/TuningWidget.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Texts.h"
#include "online/ParameterPanel.h"
#include "online/TuningSource.h"
#include "tuning/NumberText.h"

namespace velmora::online {

using namespace tuning;

namespace {

QString Own(std::string_view english) {
    return QString::fromStdString(OwnText(english));
}

QString Num(double v, int decimals, char separator) {
    if (!std::isfinite(v)) return std::isnan(v) ? QStringLiteral("-") : QStringLiteral("inf");
    return QString::number(v, 'f', decimals).replace('.', QChar(separator));
}

// "second order with dead time: gain 1.02 %/%, T1 20.7 s, T2 4.8 s, dead time 1.0 s, integrator no,
// NRMSE 0.25 % (136.8 .. 256.8 s)" in the dialog's language and decimal separator.
QString ModelSummary(const ModelFit& fit, double from, double to, char sep) {
    const ProcessModel& m = fit.model;
    QString s = Own(m.name()) + ": " + Own("gain") + " " + Num(m.gain, 4, sep) +
                (m.integrating ? " %/(%·s)" : " %/%");
    const QString seconds = " " + Own("s");
    for (const ModelTerm& t : TimeTerms(m))
        s += ", " + (t.seconds ? QString(t.name) + " " + Num(t.value, 2, sep) + seconds
                               : Own(t.name) + " " + Num(t.value, 3, sep));
    return s + ", " + Own("dead time") + " " + Num(m.deadTime, 2, sep) + seconds + ", " +
           Own(m.integrating ? "integrator yes" : "integrator no") + ", NRMSE " +
           Num(100 * fit.nrmse, 2, sep) + " % (" + Num(from, 1, sep) + " .. " + Num(to, 1, sep) + seconds +
           ")";
}

// Rows of the table and their curves' colours: current, slow, normal, fast, then tuner and typed.
QColor RowColour(int row) {
    static const QColor colours[] = {Qt::darkGray,      QColor(0, 128, 0),   QColor(0, 0, 200),
                                     QColor(200, 0, 0), QColor(160, 0, 160), QColor(200, 120, 0)};
    return colours[std::clamp(row, 0, 5)];
}

// The set-point, its overshoot, settling, IAE; the load's peak, settling, IAE; Ms, GM, PM.
constexpr int kFigureColumns = 9;
constexpr int kColumns = 2 + kFigureColumns;

}  // namespace

// Curves over a shared time axis, scaled to what they hold.
class TuningPlot : public QWidget {
public:
    struct Curve {
        std::vector<double> x, y;
        QColor colour;
        qreal width = 1;
        QString name;
    };
    explicit TuningPlot(QWidget* parent) : QWidget(parent) { setMinimumSize(320, 160); }
    void setCurves(std::vector<Curve> curves) {
        curves_ = std::move(curves);
        update();
    }
    const std::vector<Curve>& curves() const { return curves_; }
    char separator = '.';

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<Curve> curves_;
};

void TuningPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const Curve& c : curves_)
        for (std::size_t i = 0; i < std::min(c.x.size(), c.y.size()); ++i)
            if (std::isfinite(c.x[i]) && std::isfinite(c.y[i]))
                x0 = std::min(x0, c.x[i]), x1 = std::max(x1, c.x[i]), y0 = std::min(y0, c.y[i]),
                y1 = std::max(y1, c.y[i]);
    const QRectF area = QRectF(rect()).adjusted(48, 8, -8, -22);
    p.setPen(Qt::black);
    p.drawRect(area);
    if (!(x1 > x0)) return;
    if (!(y1 > y0)) y0 -= 1, y1 += 1;
    const double margin = 0.05 * (y1 - y0);
    y0 -= margin, y1 += margin;
    const QString seconds = " " + Own("s");
    p.drawText(QRectF(0, area.top(), 44, 14), Qt::AlignRight, Num(y1, 1, separator));
    p.drawText(QRectF(0, area.bottom() - 14, 44, 14), Qt::AlignRight, Num(y0, 1, separator));
    p.drawText(QRectF(area.left(), area.bottom() + 2, 80, 16), Qt::AlignLeft,
               Num(x0, 1, separator) + seconds);
    p.drawText(QRectF(area.right() - 80, area.bottom() + 2, 80, 16), Qt::AlignRight,
               Num(x1, 1, separator) + seconds);
    p.setRenderHint(QPainter::Antialiasing);
    qreal legend = area.left() + 6;
    for (const Curve& c : curves_) {
        QPainterPath path;
        for (std::size_t i = 0; i < std::min(c.x.size(), c.y.size()); ++i) {
            const QPointF at(area.left() + (c.x[i] - x0) / (x1 - x0) * area.width(),
                             area.bottom() - (c.y[i] - y0) / (y1 - y0) * area.height());
            i == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        p.setPen(QPen(c.colour, c.width));
        p.drawPath(path);
        if (!c.name.isEmpty()) {
            // Each name as wide as it is, whatever the language.
            const qreal width = p.fontMetrics().horizontalAdvance(c.name);
            p.drawText(QRectF(legend, area.top() + 2, width + 2, 14), Qt::AlignLeft, c.name);
            legend += width + 12;
        }
    }
}

TuningWidget::TuningWidget(std::vector<RecordedSample> recording, std::optional<double> from,
                           std::optional<double> to, const LoopController& current, ParameterPanel* panel,
                           char decimalSeparator, QWidget* parent, double viewExchange)
    : QWidget(parent),
      recording_(std::move(recording)),
      current_(current),
      panel_(panel),
      separator_(decimalSeparator) {
    setObjectName("TuningWidget1");
    request_.viewExchange = viewExchange;
    build();
    if (!from || !to) {
        result_.error =
            OwnText("Set the A and B marks around a change of u first (the A-B tool of the graph).");
    } else {
        request_.from = std::min(*from, *to), request_.to = std::max(*from, *to);
        result_ = RunTuning(recording_, current_, request_);
    }
    showResult();
}

TuningWidget::~TuningWidget() = default;

void TuningWidget::build() {
    auto* column = new QVBoxLayout(this);
    model_ = new QLabel(this);
    model_->setObjectName("ModelLabel1");
    model_->setWordWrap(true);
    message_ = new QLabel(this);
    message_->setObjectName("MessageLabel1");
    message_->setWordWrap(true);
    auto* plots = new QHBoxLayout;
    fitPlot_ = new TuningPlot(this);
    fitPlot_->setObjectName("FitPlot1");
    stepPlot_ = new TuningPlot(this);
    stepPlot_->setObjectName("StepPlot1");
    fitPlot_->separator = stepPlot_->separator = separator_;
    plots->addWidget(fitPlot_);
    plots->addWidget(stepPlot_);
    table_ = new QTableWidget(0, kColumns, this);
    table_->setObjectName("RowsTable1");
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // The figures first: beside the tuner's question, which lists the parameters, they stay in sight.
    table_->setHorizontalHeaderLabels({"", Own("Overshoot %"), Own("Settling s"), Own("IAE %·s"),
                                       Own("Load peak %"), Own("Load settling s"), Own("Load IAE %·s"), "Ms",
                                       "GM", Own("PM °"), Own("Parameters")});
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { showCurves(); });
    auto* typedRow = new QHBoxLayout;
    typed_ = new QLineEdit(this);
    typed_->setObjectName("TypedEdit1");
    typed_->setPlaceholderText(current_.kind == ControllerKind::Pid ? "PBnd=50,Ti=20,Td=2"
                                                                    : "k=2,ti=10,td=1,b=0.5");
    previewButton_ = new QPushButton(Own("Preview"), this);
    previewButton_->setObjectName("PreviewButton1");
    useButton_ = new QPushButton(Own("Use vals"), this);
    useButton_->setObjectName("UseValsButton1");
    connect(previewButton_, &QPushButton::clicked, this,
            [this] { previewTyped(typed_->text().toStdString()); });
    connect(typed_, &QLineEdit::returnPressed, previewButton_, &QPushButton::click);
    connect(useButton_, &QPushButton::clicked, this, [this] { useSelected(); });
    typedRow->addWidget(new QLabel(Own("Your parameters:"), this));
    typedRow->addWidget(typed_, 1);
    typedRow->addWidget(previewButton_);
    typedRow->addWidget(useButton_);
    for (QWidget* w : std::initializer_list<QWidget*>{model_, message_}) column->addWidget(w);
    column->addLayout(plots, 1);
    column->addWidget(table_);
    column->addLayout(typedRow);
}

// The fit's and the design's notes, then each row's (a suggestion's own and its preview's, typed and
// tuner rows too) under the row's name, as the table names it.
std::string TuningWidget::notes() const {
    std::string notes;
    for (const std::string& n : result_.fit.notes) notes += n + "\n";
    for (const std::string& n : result_.design.notes) notes += n + "\n";
    std::string message = OwnMessage(notes, separator_);
    for (const TuningRow& row : result_.rows) {
        std::vector<std::string> own = row.preview.notes;
        for (const Suggestion& s : result_.design.suggestions)
            if (row.label == SpeedName(s.speed)) own.insert(own.begin(), s.notes.begin(), s.notes.end());
        for (const std::string& n : own)
            message += OwnText(row.label) + ": " + OwnMessage(n, separator_) + "\n";
    }
    return message;
}

void TuningWidget::say(const std::string& text, bool refusal) {
    message_->setStyleSheet(refusal ? "color: #b00000" : "");
    message_->setText(QString::fromStdString(text));
}

QString TuningWidget::message() const {
    return message_->text();
}

void TuningWidget::showResult() {
    const bool fitted = result_.ok();
    previewButton_->setEnabled(fitted);
    typed_->setEnabled(fitted);
    useButton_->setEnabled(fitted && panel_);
    if (!fitted) {
        model_->setText(Own("No model"));
        say(OwnMessage(result_.error, separator_), true);
        return;
    }
    const ModelFit& fit = result_.fit;
    model_->setText(ModelSummary(fit, result_.window.from, result_.window.to, separator_));
    say(notes());
    fitPlot_->setCurves({{fit.time, fit.measured, Qt::darkGray, 1, Own("y recorded")},
                         {fit.time, fit.fitted, Qt::blue, 2, Own("model")}});
    fixedRows_ = result_.rows.size();
    showRows();
    selectRow(2);  // normal
}

void TuningWidget::showRows() {
    table_->setRowCount(rowCount());
    for (int r = 0; r < rowCount(); ++r) {
        const TuningRow& row = result_.rows[static_cast<std::size_t>(r)];
        const Preview& p = row.preview;
        const double figures[kFigureColumns] = {
            p.setpoint.overshoot, p.setpoint.settling,  p.setpoint.iae,
            p.load.peak,          p.load.settling,      p.load.iae,
            p.margins.ms,         p.margins.gainMargin, p.margins.phaseMargin};
        const int decimals[kFigureColumns] = {1, 1, 1, 2, 1, 1, 2, 2, 1};
        auto* label = new QTableWidgetItem(Own(row.label));
        label->setForeground(RowColour(r));
        table_->setItem(r, 0, label);
        for (int c = 0; c < kFigureColumns; ++c)
            table_->setItem(r, 1 + c, new QTableWidgetItem(Num(figures[c], decimals[c], separator_)));
        // The set-point step's spread over the models the recording fits about as well.
        const StepSpread& spread = p.spread;
        const auto tip = [&](int column, double low, double high, const char* tail) {
            if (std::isfinite(low))
                table_->item(r, column)->setToolTip(QString::fromStdString(
                    OwnMessage("On the models the recording fits about as well: " + FixedText(low, 1) +
                                   " .. " + FixedText(high, 1) + tail,
                               separator_)));
        };
        tip(1, spread.overshootLow, spread.overshootHigh, " %.");
        tip(2, spread.settlingLow, spread.settlingHigh, spread.unsettled ? " s, or not settled." : " s.");
        table_->setItem(r, 1 + kFigureColumns,
                        new QTableWidgetItem(QString::fromStdString(DescribeParameters(row.controller))
                                                 .replace(" s", " " + Own("s"))
                                                 .replace("(ramp)", "(" + Own("ramp") + ")")
                                                 .replace("(filter)", "(" + Own("filter") + ")")));
    }
    table_->resizeColumnsToContents();
}

void TuningWidget::selectRow(int row) {
    if (row >= 0 && row < rowCount()) table_->setCurrentCell(row, 0);
    showCurves();
}

// Every row's y faintly, the selected one bold, with its set point.
void TuningWidget::showCurves() {
    if (!result_.ok()) return;
    const int selected = table_->currentRow();
    std::vector<TuningPlot::Curve> curves;
    for (int r = 0; r < rowCount(); ++r) {
        const Preview& p = result_.rows[static_cast<std::size_t>(r)].preview;
        if (r == selected) continue;
        curves.push_back({p.time, p.y, RowColour(r).lighter(170), 1, {}});
    }
    if (selected >= 0 && selected < rowCount()) {
        const TuningRow& row = result_.rows[static_cast<std::size_t>(selected)];
        curves.push_back({row.preview.time, row.preview.w, Qt::black, 1, "w"});
        curves.push_back({row.preview.time, row.preview.y, RowColour(selected), 2, "y " + Own(row.label)});
    }
    stepPlot_->setCurves(std::move(curves));
}

bool TuningWidget::previewTyped(const std::string& text) {
    if (!result_.ok()) return false;
    LoopController typed = current_;
    if (const std::string bad = ApplyTypedParameters(text, typed); !bad.empty()) {
        say(OwnMessage(bad, separator_), true);
        return false;
    }
    result_.rows.resize(fixedRows_);
    result_.rows.push_back(PreviewRow(result_, request_, "typed", typed));
    say(notes());
    showRows();
    selectRow(static_cast<int>(fixedRows_));
    return true;
}

void TuningWidget::addTunerRow(const LoopController& tuned) {
    if (!result_.ok() || fixedRows_ != result_.rows.size()) return;
    result_.rows.push_back(PreviewRow(result_, request_, "tuner", tuned));
    fixedRows_ = result_.rows.size();
    say(notes());
    showRows();
    selectRow(static_cast<int>(fixedRows_) - 1);
}

namespace {

// The row's parameters as the panel's edits take them: member name and shown text.
std::vector<std::pair<std::string, double>> PanelValues(const LoopController& c) {
    if (c.kind == ControllerKind::Pid)
        return {{"PBnd", c.pid.pBnd * 0.1}, {"Ti", c.pid.ti * 0.1}, {"Td", c.pid.td * 0.1}};
    const PidaBlockSettings& p = c.pida;
    return {{"k", p.k}, {"ti", p.ti}, {"td", p.td}, {"nd", p.nd}, {"b", p.b}, {"c", p.c}};
}

std::string PanelText(double value, char separator) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", value);
    std::string s = text;
    std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

}  // namespace

bool TuningWidget::useSelected() {
    const int selected = table_->currentRow();
    if (!panel_ || !result_.ok() || selected < 0 || selected >= rowCount()) return false;
    const LoopController& chosen = result_.rows[static_cast<std::size_t>(selected)].controller;
    if (chosen.kind != panel_->kind()) {
        say(OwnText("The panel belongs to another kind of controller."), true);
        return false;
    }
    for (const auto& [name, value] : PanelValues(chosen)) {
        const auto edit = PanelEditByName(name, panel_->kind());
        if (!edit) continue;
        panel_->enter(*edit);
        panel_->values().type(*edit, PanelText(value, separator_));
        panel_->leave(*edit);
    }
    panel_->UseSettingsBtn1Click();
    std::string written = OwnText("Written through the panel's Use vals: ") + DescribeParameters(chosen);
    if (chosen.kind != ControllerKind::Pid || !SetpointModificationDiffers(chosen.pid, current_.pid)) {
        say(written);
        return true;
    }
    if (!proposeSetpoint) {
        say(written + "\n" +
            OwnText("The set-point modification is not written here: set it on the set-point page."));
        return true;
    }
    say(written + "\n" +
        OwnText("The set-point page shows the row's set-point modification: its OK writes it."));
    if (proposeSetpoint(chosen.pid.ramp, chosen.pid.tiW)) {
        current_.pid.ramp = chosen.pid.ramp, current_.pid.tiW = chosen.pid.tiW;
        say(written + "\n" +
            OwnMessage("Set-point modification written: " + SetpointModificationText(chosen.pid) + ".",
                       separator_));
    } else {
        say(written + "\n" + OwnText("The set-point modification stays as it was."), true);
    }
    return true;
}

QWidget* OpenTuningDialog(QWidget* parent, const TuningDialogSetup& setup) {
    // A child of the view: it goes with the view and its panel.
    auto* dialog = new QDialog(parent);
    dialog->setObjectName("TuningDialog1");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(Own("Model and tuning from the recording"));
    auto* column = new QVBoxLayout(dialog);
    auto* widget = new TuningWidget(RecordedSamples(setup.recording), setup.markA, setup.markB, setup.current,
                                    setup.panel, setup.decimalSeparator, dialog, setup.viewExchange);
    widget->proposeSetpoint = setup.proposeSetpoint;
    if (setup.tuned) widget->addTunerRow(*setup.tuned);
    column->addWidget(widget, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->button(QDialogButtonBox::Close)->setObjectName("CloseButton1");
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    column->addWidget(buttons);
    // Wide enough for every column of the table, as far as the screen allows.
    const auto* table = widget->findChild<QTableWidget*>("RowsTable1");
    int wide = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < table->columnCount(); ++c) wide += table->columnWidth(c);
    const QRect screen = dialog->screen()->availableGeometry();
    dialog->resize(std::clamp(wide + 60, 900, std::max(900, screen.width() * 9 / 10)),
                   std::clamp(screen.height() * 7 / 10, 640, std::max(640, screen.height() - 80)));
    dialog->show();
    return dialog;
}

}  // namespace velmora::online
