#include "wizard/FormY1.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextWriteFailed = 3022;
}  // namespace

TFormY1::TFormY1(WizardContext& context, QWidget* owner) : WizardPageForm(context, owner, "FormY1", 0) {
    signal_ = SignalNumber(context_);
    inputMode_ = file().readInteger(section(), "InputMode", 1);

    auto* layout = new QVBoxLayout(this);
    auto* names = new QGridLayout;
    LabelName1 = label("LabelName1");
    LabelName2 = label("LabelName2");
    LabelName3 = label("LabelName3");
    EditName1 = new LeaveEdit("EditName1", this);
    EditName2 = new LeaveEdit("EditName2", this);
    EditName3 = new LeaveEdit("EditName3", this);
    names->addWidget(LabelName1, 0, 0);
    names->addLayout(VariableRow(this, context_, EditName1, "SelVar1"), 0, 1);
    names->addWidget(LabelName2, 1, 0);
    names->addLayout(VariableRow(this, context_, EditName2, "SelVar2"), 1, 1);
    names->addWidget(LabelName3, 2, 0);
    names->addLayout(VariableRow(this, context_, EditName3, "SelVar3"), 2, 1);
    LabelUnit1 = label("LabelUnit1");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    names->addWidget(LabelUnit1, 3, 0);
    names->addWidget(ComboBox1, 3, 1);
    names->setColumnStretch(1, 1);
    layout->addLayout(names);

    CheckSame1 = new QCheckBox(this);
    CheckSame1->setObjectName("CheckSame1");
    layout->addWidget(CheckSame1);

    StringGrid1 = new QTableWidget(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setColumnCount(4);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    StringGrid1->setMinimumHeight(8 * (fontMetrics().height() + 6));
    layout->addWidget(StringGrid1, 1);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    auto* mods = new QGridLayout(GroupBox1);
    CheckFiltr1 = new QCheckBox(this);
    CheckFiltr1->setObjectName("CheckFiltr1");
    LabelTau = label("LabelTau");
    EditTau = new LeaveEdit("EditTau", this);
    CheckMer1 = new QCheckBox(this);
    CheckMer1->setObjectName("CheckMer1");
    Labelx1 = label("Labelx1");
    Labely1 = label("Labely1");
    Labelx2 = label("Labelx2");
    Labely2 = label("Labely2");
    Editx1 = new LeaveEdit("Editx1", this);
    Edity1 = new LeaveEdit("Edity1", this);
    Editx2 = new LeaveEdit("Editx2", this);
    Edity2 = new LeaveEdit("Edity2", this);
    mods->addWidget(CheckFiltr1, 0, 0, 1, 2);
    mods->addWidget(LabelTau, 1, 0);
    mods->addWidget(EditTau, 1, 1);
    mods->addWidget(CheckMer1, 2, 0, 1, 2);
    mods->addWidget(Labelx1, 3, 0);
    mods->addWidget(Editx1, 3, 1);
    mods->addWidget(Labely1, 4, 0);
    mods->addWidget(Edity1, 4, 1);
    mods->addWidget(Labelx2, 5, 0);
    mods->addWidget(Editx2, 5, 1);
    mods->addWidget(Labely2, 6, 0);
    mods->addWidget(Edity2, 6, 1);
    mods->setColumnStretch(0, 1);
    for (LeaveEdit* e : {EditTau, Editx1, Edity1, Editx2, Edity2}) e->setMaximumWidth(120);
    layout->addWidget(GroupBox1);
    addButtons(layout, true);

    // Layout by signal: Y2 may copy Y1, Y3 is always rescaled to 0 ... 100 %.
    CheckSame1->setVisible(signal_ == 2);
    if (signal_ == 3) {
        CheckMer1->setChecked(true);
        for (QWidget* w : std::initializer_list<QWidget*>{CheckMer1, Edity1, Edity2, Labely1, Labely2})
            w->setVisible(false);
    }
    fillUnits();
    localize();

    SignalSource initial;
    initial.measure = signal_ == 3;
    if (context_.wizardRunning) {
        selectUnit(ComboBox1->count() ? units_.front() : std::string(), 0);
        showSource(initial);
    } else {
        SignalSource stored = ReadSignalSource(file(), section(), signal_);
        EditName1->setText8(stored.name);
        EditName2->setText8(stored.overflow);
        EditName3->setText8(stored.underflow);
        selectUnit(stored.unit, stored.mode);
        showSource(stored);
    }
    markName();
    updateEnabled();

    for (LeaveEdit* e : {EditName1, EditName2, EditName3})
        connect(e, &QLineEdit::textChanged, this, [this] { markName(); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous, int) {
        if (row != previous) StringGrid1SelectRow(row);
    });
    connect(CheckFiltr1, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(CheckMer1, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(CheckSame1, &QCheckBox::clicked, this, [this] { CheckSame1Click(); });
}

void TFormY1::fillUnits() {
    units_ = UnitItems(context_.plcTypeIndex);
    QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    for (const std::string& u : units_) ComboBox1->addItem(QStr(u));
}

void TFormY1::fillModes(int selectCode) {
    std::string unit = Std(ComboBox1->currentText());
    rows_ = ModeRows(unit);
    QSignalBlocker block(StringGrid1);
    StringGrid1->clearContents();
    StringGrid1->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
        for (int c = 0; c < 4; ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(QStr(rows_[r].columns[c])));
    // Every column readable without scrolling sideways.
    int width = 2 * StringGrid1->frameWidth() + StringGrid1->verticalScrollBar()->sizeHint().width();
    StringGrid1->resizeColumnsToContents();
    for (int c = 0; c < 4; ++c)
        width += std::max(StringGrid1->columnWidth(c), StringGrid1->horizontalHeader()->sectionSizeHint(c));
    StringGrid1->setMinimumWidth(width);
    int row = ModeRowIndex(rows_, selectCode);
    StringGrid1->setCurrentCell(row, 0);
    if (row >= 0) StringGrid1->selectRow(row);
}

void TFormY1::selectUnit(const std::string& unit, int mode) {
    {
        QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(UnitItemIndex(units_, unit));
    }
    fillModes(mode);
    StringGrid1SelectRow(StringGrid1->currentRow());
}

void TFormY1::showSource(const SignalSource& s) {
    CheckFiltr1->setChecked(s.filter);
    EditTau->setText(QString::number(s.tau));
    if (signal_ != 3) CheckMer1->setChecked(s.measure);
    Editx1->setText(QString::number(s.points.x1));
    Editx2->setText(QString::number(s.points.x2));
    if (signal_ != 3) {
        Edity1->setText(QString::number(s.points.y1));
        Edity2->setText(QString::number(s.points.y2));
    } else {
        // Y3's y points are not shown and stay at the page's initial values.
        Edity1->setText("0");
        Edity2->setText("10000");
    }
}

SignalSource TFormY1::shownSource() const {
    SignalSource s;
    s.name = EditName1->text8();
    s.overflow = EditName2->text8();
    s.underflow = EditName3->text8();
    s.unit = Std(ComboBox1->currentText());
    int row = StringGrid1->currentRow();
    if (row >= 0 && row < static_cast<int>(rows_.size())) {
        s.mode = rows_[row].code;
        s.unifiedRange = rows_[row].columns[3];
    }
    s.filter = CheckFiltr1->isChecked();
    s.tau = IntegerOr(EditTau->text8(), 0);
    s.measure = CheckMer1->isChecked();
    s.points = {IntegerOr(Editx1->text8(), 0), IntegerOr(Editx2->text8(), 0), IntegerOr(Edity1->text8(), 0),
                IntegerOr(Edity2->text8(), 0)};
    return s;
}

void TFormY1::updateEnabled() {
    LabelTau->setEnabled(CheckFiltr1->isChecked());
    EditTau->setEnabled(CheckFiltr1->isChecked());
    bool measure = CheckMer1->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{Labelx1, Labely1, Labelx2, Labely2, Editx1, Edity1, Editx2, Edity2})
        w->setEnabled(measure);
}

void TFormY1::markName() {
    QPalette palette = EditName1->palette();
    bool empty = EditName1->text().trimmed().isEmpty();
    palette.setColor(QPalette::Base,
                     empty ? QColor(0xFF, 0x80, 0x80) : this->palette().color(QPalette::Base));
    EditName1->setPalette(palette);
}

void TFormY1::ComboBox1Change() {
    fillModes(INT32_MIN);  // no code matches: the first row
    StringGrid1SelectRow(StringGrid1->currentRow());
}

void TFormY1::StringGrid1SelectRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return;
    RawRange range = UnifiedRangeBounds(rows_[row].columns[3]);
    Editx1->setText(QString::number(range.lo));
    Editx2->setText(QString::number(range.hi));
}

void TFormY1::CheckSame1Click() {
    if (!CheckSame1->isChecked()) return;
    SignalSource y1 = ReadSameAsY1(file(), section());
    selectUnit(y1.unit, y1.mode);
    showSource(y1);
    updateEnabled();
}

void TFormY1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(SignalCaption(signal_, inputMode_)));
    bool module = context_.plcTypeIndex == kModulePlcType;
    LabelName1->setText(QText(3012));
    LabelName2->setText(QText(3550));
    LabelName3->setText(QText(3551));
    LabelUnit1->setText(QText(module ? 3014 : 3013));
    ModeRow header = ModeHeader(context_.plcTypeIndex);
    StringGrid1->setHorizontalHeaderLabels(
        {QStr(header.columns[0]), QStr(header.columns[1]), QStr(header.columns[2]), QStr(header.columns[3])});
    CheckSame1->setText(QText(3015));
    GroupBox1->setTitle(QText(3117));
    CheckFiltr1->setText(QText(3118));
    LabelTau->setText(QText(module ? 3121 : 3120));
    CheckMer1->setText(QText(3119));
    Labelx1->setText(QText(signal_ == 3 ? 3126 : 3122));
    Labelx2->setText(QText(signal_ == 3 ? 3127 : 3123));
    Labely1->setText(QText(3124));
    Labely2->setText(QText(3125));
    // The mode rows and "Other" are localized too.
    if (!units_.empty()) {
        int unit = ComboBox1->currentIndex();
        int row = StringGrid1->currentRow();
        fillUnits();
        QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(unit);
        if (unit >= 0) {
            fillModes(INT32_MIN);
            QSignalBlocker blockGrid(StringGrid1);
            if (row >= 0 && row < StringGrid1->rowCount()) {
                StringGrid1->setCurrentCell(row, 0);
                StringGrid1->selectRow(row);
            }
        }
    }
}

bool TFormY1::acceptPage() {
    valid_ = false;
    SignalSource s = shownSource();
    if (!CheckSignalSource(context_, s)) return false;
    if (!WriteSignalToPlc(context_, signal_, s)) ShowError(context_, kTextWriteFailed);
    WriteSignalSource(file(), section(), signal_, s);
    valid_ = true;
    return true;
}

void TFormY1::Button3Click() {
    auto values = ReadSignalFromPlc(context_, signal_);
    if (!plcAnswered(values.has_value())) return;
    EditTau->setText(QString::number(values->tau));
    Editx1->setText(QString::number(values->points.x1));
    Editx2->setText(QString::number(values->points.x2));
    if (signal_ != 3) {
        Edity1->setText(QString::number(values->points.y1));
        Edity2->setText(QString::number(values->points.y2));
    }
}

}  // namespace velmora::wizard
