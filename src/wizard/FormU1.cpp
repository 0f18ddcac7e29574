#include "wizard/FormU1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextWriteFailed = 3022;
}  // namespace

TFormU1::TFormU1(WizardContext& context, QWidget* owner) : WizardPageForm(context, owner, "FormU1", 19) {
    auto* layout = new QVBoxLayout(this);
    auto* modes = new QHBoxLayout;
    RadioGroupRezim1 = new RadioGroup("RadioGroupRezim1", this);
    RadioGroupRezim2 = new RadioGroup("RadioGroupRezim2", this);
    RadioGroupRezim1->setItems({"", ""});
    RadioGroupRezim2->setItems({"", ""});
    modes->addWidget(RadioGroupRezim1);
    modes->addWidget(RadioGroupRezim2);
    layout->addLayout(modes);

    auto edit = [this](const QString& name) {
        auto* e = new LeaveEdit(name, this);
        e->setMaximumWidth(90);
        e->setAlignment(Qt::AlignRight);
        return e;
    };
    auto* grid = new QGridLayout;
    CheckBoxFu1 = new QCheckBox(this);
    CheckBoxFu1->setObjectName("CheckBoxFu1");
    LabelMinFU1 = label("LabelMinFU1");
    EditMinFU1 = edit("EditMinFU1");
    LabelUMax1 = label("LabelUMax1");
    EditUMax1 = edit("EditUMax1");
    LabelUMin1 = label("LabelUMin1");
    EditUMin1 = edit("EditUMin1");
    LabelDUMax1 = label("LabelDUMax1");
    EditDUMax1 = edit("EditDUMax1");
    CheckFiltr1 = new QCheckBox(this);
    CheckFiltr1->setObjectName("CheckFiltr1");
    LabelTau1 = label("LabelTau1");
    EditTau1 = edit("EditTau1");
    LabelTau2 = label("LabelTau2");
    int row = 0;
    grid->addWidget(CheckBoxFu1, row++, 0, 1, 3);
    const std::pair<QLabel*, LeaveEdit*> rows[] = {{LabelMinFU1, EditMinFU1},
                                                   {LabelUMax1, EditUMax1},
                                                   {LabelUMin1, EditUMin1},
                                                   {LabelDUMax1, EditDUMax1}};
    for (const auto& [l, e] : rows) {
        grid->addWidget(l, row, 0);
        grid->addWidget(e, row, 1);
        grid->addWidget(new QLabel("%", this), row++, 2);
    }
    grid->addWidget(CheckFiltr1, row++, 0, 1, 3);
    grid->addWidget(LabelTau1, row, 0);
    grid->addWidget(EditTau1, row, 1);
    grid->addWidget(LabelTau2, row++, 2);
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);

    GroupBoxConversion1 = new QGroupBox(this);
    GroupBoxConversion1->setObjectName("GroupBoxConversion1");
    auto* conv = new QGridLayout(GroupBoxConversion1);
    auto radio = [this](const QString& name) {
        auto* r = new QRadioButton(GroupBoxConversion1);
        r->setObjectName(name);
        return r;
    };
    CheckBoxA8 = radio("CheckBoxA8");
    CheckBoxA12 = radio("CheckBoxA12");
    CheckBoxA16 = radio("CheckBoxA16");
    CheckBoxReal = radio("CheckBoxReal");
    CheckBoxMer1 = radio("CheckBoxMer1");
    CheckBoxAO1 = new QCheckBox(GroupBoxConversion1);
    CheckBoxAO1->setObjectName("CheckBoxAO1");
    CheckBoxBiU1 = new QCheckBox(GroupBoxConversion1);
    CheckBoxBiU1->setObjectName("CheckBoxBiU1");
    conv->addWidget(CheckBoxA8, 0, 0, 1, 4);
    conv->addWidget(CheckBoxA12, 1, 0, 1, 4);
    conv->addWidget(CheckBoxA16, 2, 0, 1, 4);
    conv->addWidget(CheckBoxReal, 3, 0, 1, 4);
    conv->addWidget(CheckBoxAO1, 4, 0, 1, 4);
    conv->addWidget(CheckBoxBiU1, 5, 0, 1, 4);
    conv->addWidget(CheckBoxMer1, 6, 0, 1, 4);
    LabelU1 = label("LabelU1");
    LabelU2 = label("LabelU2");
    LabelU3 = label("LabelU3");
    LabelU4 = label("LabelU4");
    EditU1 = edit("EditU1");
    EditU2 = edit("EditU2");
    EditU3 = edit("EditU3");
    EditU4 = edit("EditU4");
    // "Actuator action [U1] % corresponding to ... at output variable [U2]"
    conv->addWidget(LabelU1, 7, 0);
    conv->addWidget(EditU1, 7, 1);
    conv->addWidget(LabelU2, 7, 2);
    conv->addWidget(EditU2, 7, 3);
    conv->addWidget(LabelU3, 8, 0);
    conv->addWidget(EditU3, 8, 1);
    conv->addWidget(LabelU4, 8, 2);
    conv->addWidget(EditU4, 8, 3);
    layout->addWidget(GroupBoxConversion1);

    auto* names = new QGridLayout;
    LabelUp1 = label("LabelUp1");
    LabelUm1 = label("LabelUm1");
    EditUp1 = new LeaveEdit("EditUp1", this);
    EditUm1 = new LeaveEdit("EditUm1", this);
    names->addWidget(LabelUp1, 0, 0);
    names->addLayout(VariableRow(this, context_, EditUp1, "SelVar1"), 0, 1);
    names->addWidget(LabelUm1, 1, 0);
    names->addLayout(VariableRow(this, context_, EditUm1, "SelVar2"), 1, 1);
    names->setColumnStretch(1, 1);
    SelVar2 = findChild<QPushButton*>("SelVar2");
    layout->addLayout(names);
    addButtons(layout, true);
    localize();

    showValues(context_.wizardRunning ? NewOutputConfiguration(separator())
                                      : ReadOutputConfiguration(file(), section(), separator()));
    // Cascade control measures the actuator: only the incremental output fits.
    if (OutputModeLocked(file(), section())) {
        RadioGroupRezim1->setItemIndex(1);
        RadioGroupRezim1->setEnabled(false);
    }

    connect(EditMinFU1, &LeaveEdit::left, this, [this] {
        EditMinFU1->setText8(MinimalActionText(MinimalActionSteps(EditMinFU1->text8()), separator()));
    });
    for (LeaveEdit* e : {EditUMax1, EditUMin1, EditU1, EditU3})
        connect(e, &LeaveEdit::left, this, [this, e] {
            e->setText8(LimitDecimalText(e->text8(), kOutputLo, kOutputHi, 2, separator()));
        });
    connect(EditDUMax1, &LeaveEdit::left, this, [this] {
        EditDUMax1->setText8(
            LimitDecimalText(EditDUMax1->text8(), kIncrementLo, kIncrementHi, 2, separator()));
    });
    connect(CheckBoxFu1, &QCheckBox::toggled, this, [this] { updateStates(); });
    connect(CheckFiltr1, &QCheckBox::toggled, this, [this] { updateStates(); });
    connect(RadioGroupRezim2, &RadioGroup::itemIndexChanged, this, [this] { OutputTypeChange(); });
    for (QRadioButton* r : {CheckBoxA8, CheckBoxA12, CheckBoxA16, CheckBoxReal, CheckBoxMer1})
        connect(r, &QRadioButton::toggled, this, [this] { updateStates(); });
    connect(CheckBoxAO1, &QCheckBox::toggled, this, [this](bool on) {
        if (on) CheckBoxBiU1->setChecked(false);
    });
    connect(CheckBoxBiU1, &QCheckBox::toggled, this, [this](bool on) {
        if (on) CheckBoxAO1->setChecked(false);
    });
}

OutputConversion TFormU1::conversion() const {
    if (CheckBoxA12->isChecked()) return OutputConversion::A12;
    if (CheckBoxA16->isChecked()) return OutputConversion::A16;
    if (CheckBoxReal->isChecked()) return OutputConversion::Real;
    if (CheckBoxMer1->isChecked()) return OutputConversion::UserScale;
    return OutputConversion::A8;
}

void TFormU1::showValues(const OutputConfiguration& u) {
    RadioGroupRezim1->setItemIndex(u.positional ? 0 : 1);
    RadioGroupRezim2->setItemIndex(u.analog ? 0 : 1);
    CheckBoxFu1->setChecked(u.shortActionFilter);
    EditMinFU1->setText8(u.minimalAction);
    EditUMax1->setText8(u.uMax);
    EditUMin1->setText8(u.uMin);
    EditDUMax1->setText8(u.dUMax);
    CheckFiltr1->setChecked(u.filter);
    EditTau1->setText8(u.tau);
    QRadioButton* choices[] = {CheckBoxA8, CheckBoxA12, CheckBoxA16, CheckBoxReal, CheckBoxMer1};
    choices[static_cast<int>(u.conversion)]->setChecked(true);
    CheckBoxAO1->setChecked(u.zeroShift);
    CheckBoxBiU1->setChecked(u.bipolar);
    EditU1->setText8(u.u1);
    EditU2->setText8(u.u2);
    EditU3->setText8(u.u3);
    EditU4->setText8(u.u4);
    EditUp1->setText8(u.upName);
    EditUm1->setText8(u.umName);
    updateStates();
}

OutputConfiguration TFormU1::shown() const {
    OutputConfiguration u;
    u.positional = RadioGroupRezim1->itemIndex() == 0;
    u.analog = RadioGroupRezim2->itemIndex() == 0;
    u.shortActionFilter = CheckBoxFu1->isChecked();
    u.minimalAction = EditMinFU1->text8();
    u.uMax = EditUMax1->text8();
    u.uMin = EditUMin1->text8();
    u.dUMax = EditDUMax1->text8();
    u.filter = CheckFiltr1->isChecked();
    u.tau = EditTau1->text8();
    u.conversion = conversion();
    u.zeroShift = CheckBoxAO1->isChecked();
    u.bipolar = CheckBoxBiU1->isChecked();
    u.u1 = EditU1->text8();
    u.u2 = EditU2->text8();
    u.u3 = EditU3->text8();
    u.u4 = EditU4->text8();
    u.upName = EditUp1->text8();
    u.umName = EditUm1->text8();
    return u;
}

void TFormU1::OutputTypeChange() {
    // A three-stage output has no conversion: the 8-bit choice stands for "none".
    if (RadioGroupRezim2->itemIndex() == 1) CheckBoxA8->setChecked(true);
    updateStates();
}

void TFormU1::updateStates() {
    bool analog = RadioGroupRezim2->itemIndex() != 1;
    OutputControlStates s = OutputStates(analog, conversion());
    for (QWidget* w : std::initializer_list<QWidget*>{CheckBoxA8, CheckBoxA12, CheckBoxA16, CheckBoxReal,
                                                      CheckBoxMer1, CheckBoxAO1})
        w->setEnabled(s.conversionEnabled);
    for (QWidget* w :
         std::initializer_list<QWidget*>{EditU1, EditU2, EditU3, EditU4, LabelU1, LabelU2, LabelU3, LabelU4})
        w->setEnabled(s.userScaleEnabled);
    CheckBoxBiU1->setEnabled(s.bipolarEnabled);
    const bool negativeShown = !EditUm1->isHidden();
    for (QWidget* w : std::initializer_list<QWidget*>{EditUm1, LabelUm1, SelVar2})
        w->setVisible(s.negativeNameVisible);
    if (negativeShown != s.negativeNameVisible && isVisible()) {
        // The page grows for the minus-side row; without it, it shrinks back.
        layout()->activate();
        resize(width(), sizeHint().height());
    }
    LabelUp1->setText(QText(s.positiveLabel));
    EditMinFU1->setEnabled(CheckBoxFu1->isChecked());
    LabelMinFU1->setEnabled(CheckBoxFu1->isChecked());
    EditTau1->setEnabled(CheckFiltr1->isChecked());
}

void TFormU1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3160));
    RadioGroupRezim1->setTitle(QText(3161));
    RadioGroupRezim1->setItems(QTextLines(3162));
    RadioGroupRezim2->setTitle(QText(3163));
    RadioGroupRezim2->setItems(QTextLines(3164));
    CheckBoxFu1->setText(QText(3165));
    LabelMinFU1->setText(QText(3166));
    LabelUMax1->setText(QText(3169));
    LabelUMin1->setText(QText(3168));
    LabelDUMax1->setText(QText(3170));
    CheckFiltr1->setText(QText(3118));
    LabelTau1->setText(QText(3156));
    LabelTau2->setText(QText(3167));
    GroupBoxConversion1->setTitle(QText(3172));
    CheckBoxA8->setText(QText(3173));
    CheckBoxA12->setText(QText(3174));
    CheckBoxA16->setText(QText(3553));
    CheckBoxReal->setText(QText(3552));
    CheckBoxMer1->setText(QText(3177));
    CheckBoxAO1->setText(QText(3175));
    CheckBoxBiU1->setText(QText(3176));
    LabelU1->setText(QText(3178));
    LabelU3->setText(QText(3178));
    LabelU2->setText(QText(3179) + " " + QText(3180));
    LabelU4->setText(QText(3179) + " " + QText(3180));
    LabelUm1->setText(QText(3183));
    LabelUp1->setText(QText(RadioGroupRezim2->itemIndex() == 1 ? 3182 : 3181));
}

bool TFormU1::acceptPage() {
    OutputConfiguration u = shown();
    if (!CheckOutputConfiguration(context_, u)) return false;
    if (!WriteOutputToPlc(context_, u)) ShowError(context_, kTextWriteFailed);
    WriteOutputConfiguration(file(), section(), u);
    return true;
}

void TFormU1::Button3Click() {
    auto u = ReadOutputFromPlc(context_, shown(), separator());
    if (!plcAnswered(u.has_value())) return;
    showValues(*u);
}

}  // namespace velmora::wizard
