#include "wizard/FormPReg2.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/ParseDecimal.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextSameRange = 3152;
constexpr std::uint32_t kTextWriteFailed = 3022;

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
    if (!unit.isEmpty()) grid->addWidget(new QLabel(QStr(OwnText(Std(unit))), this), row, 2);
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
    for (QCheckBox* b : {CheckBoxUDef1, CheckBoxP41}) layout->addWidget(b);
    storageBox_.create(this, layout);
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
    storageBox_.CheckBoxStruct1->setEnabled(storage_.structEnabled);
    storageBox_.setPlacementVisible(storage_.placementVisible);

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
    storageBox_.show(v);
    // The gains follow from the bands by the leave rules.
    EditPBnd1Exit();
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
    storageBox_.read(v);
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

void TFormPReg2::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3134));
    for (int k = 0; k < captions_.size(); ++k) captions_[k]->setText(QText(kEditCaptions[k]));
    CheckBoxP41->setText(QText(3149));
    CheckBoxUDef1->setText(QText(3151));
    storageBox_.localize();
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
    if (!plcAnswered(values.has_value())) return;
    showValues(*values);
}

}  // namespace velmora::wizard
