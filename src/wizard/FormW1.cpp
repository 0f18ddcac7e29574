#include "wizard/FormW1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextWriteFailed = 3022;
// Radio buttons in their order on the page.
constexpr SetpointChoice kChoices[] = {SetpointChoice::Filter, SetpointChoice::Ramp, SetpointChoice::None};
}  // namespace

TFormW1::TFormW1(WizardContext& context, QWidget* owner) : WizardPageForm(context, owner, "FormW1", 18) {
    auto* layout = new QVBoxLayout(this);
    GroupBox1 = new RadioGroup("GroupBox1", this);
    GroupBox1->setItems({"", "", ""});
    for (int k = 0; k < 3; ++k) GroupBox1->button(k)->setObjectName(QString("RadioButton%1").arg(k + 1));
    layout->addWidget(GroupBox1);
    auto* row = new QHBoxLayout;
    LabelTiW1 = label("LabelTiW1");
    EditTiW1 = new LeaveEdit("EditTiW1", this);
    EditTiW1->setMaximumWidth(90);
    EditTiW1->setAlignment(Qt::AlignRight);
    LabelTiW2 = label("LabelTiW2");
    row->addWidget(LabelTiW1);
    row->addWidget(EditTiW1);
    row->addWidget(LabelTiW2, 1);
    layout->addLayout(row);
    layout->addStretch(1);
    addButtons(layout, true);

    SetpointModification w;
    if (!context_.wizardRunning) w = ReadSetpointModification(file(), section());
    if (const auto& proposed = context_.proposedSetpoint) {
        w.tiW = std::clamp(proposed->tiW, 0, 65535);
        w.choice = proposed->ramp ? SetpointChoice::Ramp
                                  : (w.tiW != 0 ? SetpointChoice::Filter : SetpointChoice::None);
    }
    showValues(w);
    localize();

    connect(GroupBox1, &RadioGroup::itemIndexChanged, this, [this] { ChoiceChange(); });
    connect(EditTiW1, &LeaveEdit::left, this,
            [this] { EditTiW1->setText(QString::number(LimitTiW(EditTiW1->text8()))); });
}

SetpointChoice TFormW1::choice() const {
    int index = GroupBox1->itemIndex();
    return index >= 0 ? kChoices[index] : SetpointChoice::None;
}

void TFormW1::showValues(const SetpointModification& w) {
    for (int k = 0; k < 3; ++k)
        if (kChoices[k] == w.choice) GroupBox1->setItemIndex(k);
    EditTiW1->setText(QString::number(w.tiW));
    ChoiceChange();
}

void TFormW1::ChoiceChange() {
    SetpointChoice c = choice();
    bool enabled = c != SetpointChoice::None;
    for (QWidget* w : std::initializer_list<QWidget*>{LabelTiW1, EditTiW1, LabelTiW2}) w->setEnabled(enabled);
    LabelTiW1->setText(QText(TiWLabel(c)));
}

void TFormW1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3153));
    GroupBox1->setTitle(QText(3153));
    GroupBox1->button(0)->setText(QText(3118));
    GroupBox1->button(1)->setText(QText(3459));
    GroupBox1->button(2)->setText(QText(3155));
    LabelTiW1->setText(QText(TiWLabel(choice())));
    LabelTiW2->setText(QText(3158));
}

bool TFormW1::acceptPage() {
    SetpointModification w;
    w.choice = choice();
    w.tiW = IntegerOr(EditTiW1->text8(), 0);
    if (!WriteSetpointToPlc(context_, w)) ShowError(context_, kTextWriteFailed);
    WriteSetpointModification(file(), section(), w);
    return true;
}

void TFormW1::Button3Click() {
    auto w = ReadSetpointFromPlc(context_);
    if (!plcAnswered(w.has_value())) return;
    showValues(*w);
}

}  // namespace velmora::wizard
