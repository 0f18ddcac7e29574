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

namespace velmora::online {

namespace {

QString Shown(double v, char separator) {
    return QString::fromStdString(FormatDecimal(v, separator));
}

// A positive decimal, or the old value when the text does not give one.
double Positive(const QLineEdit* edit, double old) {
    const double v = ParseDecimal(edit->text().toStdString());
    return std::isfinite(v) && v > 0 ? v : old;
}

}  // namespace

TFormOsaX1::TFormOsaX1(const TrendSettings& settings, double newest, QWidget* parent, char separator)
    : QDialog(parent), settings_(settings), newest_(newest), separator_(separator) {
    setObjectName("FormOsaX1");
    setWindowTitle("Osa X");
    auto* form = new QFormLayout;
    auto edit = [&](const char* name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        return e;
    };
    range_ = edit("EditRozsah1", Shown(settings.time.range, separator));
    auto* all = new QPushButton("Vse", this);
    all->setObjectName("ButtonVse1");
    connect(all, &QPushButton::clicked, this, [this] { ButtonVse1Click(); });
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(all);
    form->addRow("Rozsah [s]", rangeRow);
    step_ = edit("EditMrizka1", Shown(settings.time.gridStep, separator));
    form->addRow("Mrizka po [s]", step_);
    grid_ = new QCheckBox("Zobrazit mrizku", this);
    grid_->setObjectName("CheckMrizka1");
    grid_->setChecked(settings.time.grid);
    form->addRow(grid_);
    buffer_ = edit("EditBuffer1", QString::number(settings.bufferLength));
    form->addRow("Pocet ulozenych vzorku", buffer_);
    format_ = new QComboBox(this);
    format_->setObjectName("ComboFormat1");
    format_->addItems({"s", "m:s", "h:m:s", "h:m:s - absolutni"});
    format_->setCurrentIndex(static_cast<int>(settings.time.format));
    form->addRow("Format zobrazeneho casu", format_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("Button1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("Button2");
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
