#include "wizard/FormPReg2.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "controllers/ParseDecimal.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextSameRange = 3152;
constexpr std::uint32_t kTextWriteFailed = 3022;
constexpr std::uint32_t kTextReadFailed = 3465;

// Caption text ids of the edits, in their grid order.
constexpr std::uint32_t kEditCaptions[] = {3135, 3136, 3137, 3140, 3141, 3142, 3143,
                                           3144, 3145, 3146, 3147, 3148, 3150};
}  // namespace

LeaveEdit* TFormPReg2::addEdit(QGridLayout* grid, int row, const QString& name, const QString& unit) {
    QLabel* caption = label("Label" + name.mid(4));
    captions_ << caption;
    auto* edit = new LeaveEdit(name, this);
    edit->setFixedWidth(90);
    edit->setAlignment(Qt::AlignRight);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    if (!unit.isEmpty()) grid->addWidget(new QLabel(unit, this), row, 2);
    return edit;
}

TFormPReg2::TFormPReg2(WizardContext& context, QWidget* owner)
    : WizardPageForm(context, owner, "FormPReg2", 17) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(0, 1);
    int row = 0;
    EditPBnd1 = addEdit(grid, row++, "EditPBnd1", "%");
    EditG1 = addEdit(grid, row++, "EditG1");
    EditRegCool1 = addEdit(grid, row++, "EditRegCool1", "%");
    EditG2 = addEdit(grid, row++, "EditG2");
    EditTi1 = addEdit(grid, row++, "EditTi1", "s");
    EditTd1 = addEdit(grid, row++, "EditTd1", "s");
    EditEGap1 = addEdit(grid, row++, "EditEGap1", "%");
    EditIGap1 = addEdit(grid, row++, "EditIGap1", "%");
    EditDGap1 = addEdit(grid, row++, "EditDGap1", "%");
    EditMaxY1 = addEdit(grid, row++, "EditMaxY1");
    EditMinY1 = addEdit(grid, row++, "EditMinY1");
    EditT1 = addEdit(grid, row++, "EditT1", "s");
    EditUDef1 = addEdit(grid, row++, "EditUDef1", "%");
    layout->addLayout(grid);

    auto box = [this](const QString& name) {
        auto* b = new QCheckBox(this);
        b->setObjectName(name);
        return b;
    };
    CheckBoxUDef1 = box("CheckBoxUDef1");
    CheckBoxP41 = box("CheckBoxP41");
    CheckBoxStruct1 = box("CheckBoxStruct1");
    CheckBoxRemanent1 = box("CheckBoxRemanent1");
    chk1 = box("chk1");
    chk2 = box("chk2");
    edtoff1 = new LeaveEdit("edtoff1", this);
    edtoff2 = new LeaveEdit("edtoff2", this);
    LabelR1 = label("LabelR1");
    LabelR2 = label("LabelR2");
    Warning1 = label("Warning1");
    Warning1->setWordWrap(true);
    Warning1->setMinimumHeight(48);
    Warning1->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    for (QCheckBox* b : {CheckBoxUDef1, CheckBoxP41, CheckBoxStruct1, CheckBoxRemanent1})
        layout->addWidget(b);
    layout->addWidget(Warning1);
    auto* placement = new QGridLayout;
    placement->addWidget(chk1, 0, 0);
    placement->addWidget(LabelR1, 0, 1);
    placement->addWidget(edtoff1, 0, 2);
    placement->addWidget(chk2, 1, 0);
    placement->addWidget(LabelR2, 1, 1);
    placement->addWidget(edtoff2, 1, 2);
    placement->setColumnStretch(0, 1);
    edtoff1->setMaximumWidth(110);
    edtoff2->setMaximumWidth(110);
    layout->addLayout(placement);
    addButtons(layout, true);
    localize();

    storage_ = ReadPidStorage(file(), section());
    if (context_.wizardRunning) {
        showValues(NewPidParameters(file(), section(), separator()));
        CheckBoxP41->setEnabled(context_.plcSeries == 5);
        Button3->setVisible(false);
    } else {
        showValues(ReadPidParameters(file(), section(), separator()));
    }
    CheckBoxStruct1->setEnabled(storage_.structEnabled);
    for (QWidget* w : std::initializer_list<QWidget*>{chk1, chk2, edtoff1, edtoff2, LabelR1, LabelR2})
        w->setVisible(storage_.placementVisible);
    CheckBoxRemanent1Click();

    connect(EditPBnd1, &LeaveEdit::left, this, [this] { EditPBnd1Exit(); });
    connect(EditG1, &LeaveEdit::left, this, [this] { EditG1Exit(); });
    connect(EditRegCool1, &LeaveEdit::left, this, [this] { EditRegCool1Exit(); });
    connect(EditG2, &LeaveEdit::left, this, [this] { EditG2Exit(); });
    const std::pair<LeaveEdit*, EditLimits> limited[] = {
        {EditTi1, kTimeLimits},      {EditTd1, kTimeLimits},      {EditEGap1, kPercentLimits},
        {EditIGap1, kPercentLimits}, {EditDGap1, kPercentLimits}, {EditT1, kPeriodLimits},
        {EditUDef1, kPercentLimits}};
    for (const auto& [edit, limits] : limited)
        connect(edit, &LeaveEdit::left, this, [this, edit = edit, limits = limits] {
            edit->setText8(LimitText(edit->text8(), limits, separator()));
        });
    connect(EditMaxY1, &LeaveEdit::left, this, [this] { EditMinMaxExit(); });
    connect(EditMinY1, &LeaveEdit::left, this, [this] { EditMinMaxExit(); });
    connect(CheckBoxRemanent1, &QCheckBox::toggled, this, [this] { CheckBoxRemanent1Click(); });
    connect(chk1, &QCheckBox::toggled, this, [this] { updatePlacement(); });
    connect(chk2, &QCheckBox::toggled, this, [this] { updatePlacement(); });
}

void TFormPReg2::showValues(const PidParameters& v) {
    EditPBnd1->setText8(v.band);
    EditRegCool1->setText8(v.relCool);
    EditTi1->setText8(v.ti);
    EditTd1->setText8(v.td);
    EditEGap1->setText8(v.eGap);
    EditIGap1->setText8(v.iGap);
    EditDGap1->setText8(v.dGap);
    EditMaxY1->setText8(v.maxY);
    EditMinY1->setText8(v.minY);
    EditT1->setText8(v.period);
    EditUDef1->setText8(v.uDef);
    CheckBoxP41->setChecked(v.p41);
    CheckBoxUDef1->setChecked(v.lastAction);
    CheckBoxStruct1->setChecked(v.foundStruct);
    CheckBoxRemanent1->setChecked(v.remanent);
    chk1->setChecked(v.placeReg);
    chk2->setChecked(v.placeRem);
    edtoff1->setText8(v.offReg);
    edtoff2->setText8(v.offRem);
    // The gains follow from the bands by the leave rules.
    EditPBnd1Exit();
    updatePlacement();
}

PidParameters TFormPReg2::shown() const {
    PidParameters v;
    v.band = EditPBnd1->text8();
    v.relCool = EditRegCool1->text8();
    v.ti = EditTi1->text8();
    v.td = EditTd1->text8();
    v.eGap = EditEGap1->text8();
    v.iGap = EditIGap1->text8();
    v.dGap = EditDGap1->text8();
    v.maxY = EditMaxY1->text8();
    v.minY = EditMinY1->text8();
    v.period = EditT1->text8();
    v.uDef = EditUDef1->text8();
    v.p41 = CheckBoxP41->isChecked();
    v.lastAction = CheckBoxUDef1->isChecked();
    v.foundStruct = CheckBoxStruct1->isChecked();
    v.remanent = CheckBoxRemanent1->isChecked();
    v.placeReg = chk1->isChecked();
    v.placeRem = chk2->isChecked();
    v.offReg = edtoff1->text8();
    v.offRem = edtoff2->text8();
    return v;
}

double TFormPReg2::band() const {
    return ParseDecimal(EditPBnd1->text8());
}

void TFormPReg2::EditPBnd1Exit() {
    BandForm f = LeaveBand(EditPBnd1->text8(), separator());
    EditPBnd1->setText8(f.band);
    EditG1->setText8(f.gain);
    // K- depends on the band as well; keep it in step.
    EditRegCool1Exit();
}

void TFormPReg2::EditG1Exit() {
    BandForm f = LeaveGain(EditG1->text8(), separator());
    EditPBnd1->setText8(f.band);
    EditG1->setText8(f.gain);
    EditRegCool1Exit();
}

void TFormPReg2::EditRegCool1Exit() {
    BandForm f = LeaveRelCool(EditRegCool1->text8(), band(), separator());
    EditRegCool1->setText8(f.band);
    EditG2->setText8(f.gain);
}

void TFormPReg2::EditG2Exit() {
    BandForm f = LeaveGainMinus(EditG2->text8(), band(), separator());
    EditRegCool1->setText8(f.band);
    EditG2->setText8(f.gain);
}

void TFormPReg2::EditMinMaxExit() {
    if (SameRawRange(EditMinY1->text8(), EditMaxY1->text8())) ShowError(context_, kTextSameRange);
}

void TFormPReg2::CheckBoxRemanent1Click() {
    bool remanent = CheckBoxRemanent1->isChecked();
    Warning1->setText(QStr(RemanentExplanation(remanent, context_.controllerName)));
    if (!remanent) chk2->setChecked(false);
    chk2->setEnabled(remanent);
    LabelR2->setEnabled(remanent);
    updatePlacement();
}

void TFormPReg2::updatePlacement() {
    edtoff1->setEnabled(chk1->isChecked());
    edtoff2->setEnabled(chk2->isChecked() && chk2->isEnabled());
}

void TFormPReg2::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3134));
    for (int k = 0; k < captions_.size(); ++k) captions_[k]->setText(QText(kEditCaptions[k]));
    CheckBoxP41->setText(QText(3149));
    CheckBoxUDef1->setText(QText(3151));
    CheckBoxStruct1->setText(QText(3457));
    CheckBoxRemanent1->setText(QText(3554));
    chk1->setText(QText(3565));
    chk2->setText(QText(3566));
    LabelR1->setText("%R");
    LabelR2->setText("%R");
    Warning1->setText(QStr(RemanentExplanation(CheckBoxRemanent1->isChecked(), context_.controllerName)));
}

bool TFormPReg2::acceptPage() {
    if (SameRawRange(EditMinY1->text8(), EditMaxY1->text8())) {
        ShowError(context_, kTextSameRange);
        return false;
    }
    PidParameters v = shown();
    if (!WritePidParametersToPlc(context_, v)) ShowError(context_, kTextWriteFailed);
    WritePidParameters(file(), section(), v, storage_.placementVisible);
    return true;
}

void TFormPReg2::Button3Click() {
    auto values = ReadPidParametersFromPlc(context_, shown(), separator());
    if (!values) {
        ShowError(context_, kTextReadFailed);
        return;
    }
    showValues(*values);
}

}  // namespace velmora::wizard
