#include "online/FormOsaX1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

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

// A positive decimal, or the old value when the text does not give one.
double Positive(const QLineEdit* edit, double old) {
    const double v = ParseDecimal(edit->text().toStdString());
    return std::isfinite(v) && v > 0 ? v : old;
}

}  // namespace

TFormOsaX1::TFormOsaX1(const TrendSettings& settings, double newest, QWidget* parent, char separator,
                       HelpTopicFunction help)
    : QDialog(parent), settings_(settings), newest_(newest), separator_(separator) {
    setObjectName("FormOsaX1");
    setWindowTitle(Tr("X axis"));
    auto* form = new QFormLayout;
    auto edit = [&](const char* name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        return e;
    };
    range_ = edit("EditRozsah1", Shown(settings.time.range, separator));
    auto* all = new QPushButton(Tr("All"), this);
    all->setObjectName("ButtonVse1");
    connect(all, &QPushButton::clicked, this, [this] { ButtonVse1Click(); });
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(all);
    form->addRow(Tr("Range [s]"), rangeRow);
    step_ = edit("EditMrizka1", Shown(settings.time.gridStep, separator));
    form->addRow(Tr("Grid step [s]"), step_);
    grid_ = new QCheckBox(Tr("Show grid"), this);
    grid_->setObjectName("CheckMrizka1");
    grid_->setChecked(settings.time.grid);
    form->addRow(grid_);
    buffer_ = edit("EditBuffer1", QString::number(settings.bufferLength));
    form->addRow(Tr("Stored samples"), buffer_);
    format_ = new QComboBox(this);
    format_->setObjectName("ComboFormat1");
    format_->addItems({"s", "m:s", "h:m:s", Tr("h:m:s - absolute")});
    format_->setCurrentIndex(static_cast<int>(settings.time.format));
    form->addRow(Tr("Shown time format"), format_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("Button1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Button2");
    LocalizeOkCancel(*buttons);
    AddDialogHelp(*this, *buttons, "Velmora_graph", std::move(help));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setLayout(form);
}

void TFormOsaX1::ButtonVse1Click() {
    if (newest_ > 0) range_->setText(Shown(newest_, separator_));
}

TrendSettings TFormOsaX1::result() const {
    TrendSettings s = settings_;
    s.time.range = Positive(range_, s.time.range);
    s.time.gridStep = Positive(step_, s.time.gridStep);
    s.time.grid = grid_->isChecked();
    s.time.format = static_cast<TimeFormat>(std::clamp(format_->currentIndex(), 0, 3));
    s.bufferLength = BufferLengthFromText(buffer_->text().toStdString());
    return s;
}

}  // namespace velmora::online
