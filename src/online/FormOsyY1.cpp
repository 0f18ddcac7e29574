#include "online/FormOsyY1.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

#include "base/ParseDecimal.h"
#include "base/Texts.h"

namespace velmora::online {

namespace {

QString Tr(const char* english) {
    return QString::fromStdString(OwnText(english));
}

QString Shown(double v, char separator) {
    return QString::fromStdString(FormatDecimal(v, separator));
}

double Decimal(const QLineEdit* edit, double old) {
    const double v = ParseDecimal(edit->text().toStdString());
    return std::isfinite(v) ? v : old;
}

}  // namespace

TFormOsyY1::TFormOsyY1(const TrendSettings& settings, const TrendBuffer* recording, QWidget* parent,
                       char separator, HelpTopicFunction help)
    : QDialog(parent), settings_(settings), recording_(recording), separator_(separator) {
    setObjectName("FormOsyY1");
    setWindowTitle(Tr("Y axes"));
    chooseColour = [this](std::uint32_t current) -> std::optional<std::uint32_t> {
        const QColor c = QColorDialog::getColor(
            QColor(current & 0xFF, (current >> 8) & 0xFF, (current >> 16) & 0xFF), this);
        if (!c.isValid()) return std::nullopt;
        return static_cast<std::uint32_t>(c.red() | c.green() << 8 | c.blue() << 16);
    };

    list_ = new QListWidget(this);
    list_->setObjectName("CheckListBox1");
    for (int i = 0; i < kTrendChannels; ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(std::string(TrendChannelName(i))), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(settings_.channels[static_cast<std::size_t>(i)].visible ? Qt::Checked
                                                                                    : Qt::Unchecked);
    }
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { select(row); });

    auto* form = new QFormLayout;
    auto edit = [&](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        return e;
    };
    auto button = [&](const char* name, const QString& text, void (TFormOsyY1::*op)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, op] { (this->*op)(); });
        return b;
    };
    max_ = edit("EditMax1");
    auto* maxRow = new QHBoxLayout;
    maxRow->addWidget(max_, 1);
    maxRow->addWidget(button("ButtonMax1", "Max", &TFormOsyY1::ButtonMax1Click));
    form->addRow(Tr("Maximum"), maxRow);
    min_ = edit("EditMin1");
    auto* minRow = new QHBoxLayout;
    minRow->addWidget(min_, 1);
    minRow->addWidget(button("ButtonMin1", "Min", &TFormOsyY1::ButtonMin1Click));
    form->addRow(Tr("Minimum"), minRow);
    step_ = edit("EditMrizka1");
    form->addRow(Tr("Grid step"), step_);
    posMax_ = edit("EditPozMax1");
    form->addRow(Tr("Position of maximum [%]"), posMax_);
    posMin_ = edit("EditPozMin1");
    form->addRow(Tr("Position of minimum [%]"), posMin_);
    colour_ = button("ButtonBarva1", Tr("Trace colour"), &TFormOsyY1::ButtonBarva1Click);
    form->addRow(colour_);
    grid_ = new QCheckBox(Tr("Show grid"), this);
    grid_->setObjectName("CheckMrizka1");
    form->addRow(grid_);
    sameAs_ = new QComboBox(this);
    sameAs_->setObjectName("ComboStejne1");
    sameAs_->addItem("-");
    for (int i = 0; i < kTrendChannels; ++i)
        sameAs_->addItem(QString::fromStdString(std::string(TrendChannelName(i))));
    form->addRow(Tr("Same as"), sameAs_);
    points_ = new QCheckBox(Tr("Points"), this);
    points_->setObjectName("CheckBody1");
    pointSize_ = edit("EditVelikostBodu1");
    auto* pointRow = new QHBoxLayout;
    pointRow->addWidget(points_);
    pointRow->addWidget(pointSize_, 1);
    form->addRow(Tr("Points / size"), pointRow);
    label_ = edit("EditPopis1");
    form->addRow(Tr("Label"), label_);
    auto* orderRow = new QHBoxLayout;
    orderRow->addWidget(button("ButtonUp1", Tr("Earlier"), &TFormOsyY1::ButtonUp1Click));
    orderRow->addWidget(button("ButtonDown1", Tr("Later"), &TFormOsyY1::ButtonDown1Click));
    form->addRow(Tr("Order"), orderRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("Button1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Button2");
    LocalizeOkCancel(*buttons);
    AddDialogHelp(*this, *buttons, "Velmora_graph", std::move(help));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(list_);
    top->addLayout(form, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(buttons);
    list_->setCurrentRow(0);
}

void TFormOsyY1::select(int channel) {
    if (channel == selected_ || channel < 0 || channel >= kTrendChannels) return;
    store();
    selected_ = channel;
    if (list_->currentRow() != channel) list_->setCurrentRow(channel);
    load();
}

void TFormOsyY1::load() {
    const TrendChannel& c = settings_.channels[static_cast<std::size_t>(selected_)];
    max_->setText(Shown(c.max, separator_));
    min_->setText(Shown(c.min, separator_));
    step_->setText(Shown(c.gridStep, separator_));
    posMax_->setText(Shown(c.bandTo, separator_));
    posMin_->setText(Shown(c.bandFrom, separator_));
    grid_->setChecked(c.grid);
    sameAs_->setCurrentIndex(c.sameAs + 1);
    points_->setChecked(c.points);
    pointSize_->setText(QString::number(c.pointSize));
    label_->setText(QString::fromStdString(c.label));
    showColour();
}

void TFormOsyY1::store() {
    if (selected_ < 0) return;
    TrendChannel& c = settings_.channels[static_cast<std::size_t>(selected_)];
    c.max = Decimal(max_, c.max);
    c.min = Decimal(min_, c.min);
    c.gridStep = Decimal(step_, c.gridStep);
    c.bandTo = std::clamp(Decimal(posMax_, c.bandTo), 0.0, 100.0);
    c.bandFrom = std::clamp(Decimal(posMin_, c.bandFrom), 0.0, 100.0);
    c.grid = grid_->isChecked();
    const int same = sameAs_->currentIndex() - 1;
    c.sameAs = same == selected_ ? -1 : same;
    c.points = points_->isChecked();
    c.pointSize = std::clamp(static_cast<int>(ParseDecimal(pointSize_->text().toStdString())), 1, 50);
    c.label = label_->text().toStdString();
}

void TFormOsyY1::showColour() {
    const TrendChannel& c = settings_.channels[static_cast<std::size_t>(selected_)];
    colour_->setStyleSheet(
        QString("border-left: 16px solid rgb(%1,%2,%3);").arg(c.red()).arg(c.green()).arg(c.blue()));
}

TrendSettings TFormOsyY1::result() const {
    auto* self = const_cast<TFormOsyY1*>(this);
    self->store();
    TrendSettings s = settings_;
    for (int i = 0; i < kTrendChannels; ++i)
        s.channels[static_cast<std::size_t>(i)].visible = list_->item(i)->checkState() == Qt::Checked;
    return s;
}

void TFormOsyY1::ButtonMax1Click() {
    if (!recording_ || recording_->empty()) return;
    max_->setText(Shown(recording_->extent(selected_, 0, recording_->count()).max, separator_));
}

void TFormOsyY1::ButtonMin1Click() {
    if (!recording_ || recording_->empty()) return;
    min_->setText(Shown(recording_->extent(selected_, 0, recording_->count()).min, separator_));
}

void TFormOsyY1::ButtonBarva1Click() {
    if (const auto chosen = chooseColour(settings_.channels[static_cast<std::size_t>(selected_)].colour)) {
        settings_.channels[static_cast<std::size_t>(selected_)].colour = *chosen & 0xFFFFFFu;
        showColour();
    }
}

// Moves the selected channel one place in the drawing order by trading
// places with its neighbour there.
void TFormOsyY1::swapOrder(int step) {
    store();
    const auto order = settings_.drawingOrder();
    const auto at = std::find(order.begin(), order.end(), selected_) - order.begin();
    const auto other = at + step;
    if (other < 0 || other >= kTrendChannels) return;
    // Renumber 0..5 first, so equal numbers from the file cannot make a swap a no-op.
    for (int k = 0; k < kTrendChannels; ++k) settings_.channels[static_cast<std::size_t>(order[k])].order = k;
    std::swap(settings_.channels[static_cast<std::size_t>(order[at])].order,
              settings_.channels[static_cast<std::size_t>(order[other])].order);
}

void TFormOsyY1::ButtonUp1Click() {
    swapOrder(-1);
}

void TFormOsyY1::ButtonDown1Click() {
    swapOrder(1);
}

}  // namespace velmora::online
