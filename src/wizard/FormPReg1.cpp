#include "wizard/FormPReg1.h"

#include <QRadioButton>
#include <QVBoxLayout>

#include "wizard/ControllerMode.h"

namespace velmora::wizard {

TFormPReg1::TFormPReg1(WizardContext& context, QWidget* owner)
    : WizardPageForm(context, owner, "FormPReg1", 13) {
    auto* layout = new QVBoxLayout(this);
    GroupBox1 = new RadioGroup("GroupBox1", this);
    GroupBox1->setItems({"", "", ""});
    for (int k = 0; k < 3; ++k) GroupBox1->button(k)->setObjectName(QString("RadioButton%1").arg(k + 1));
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName("CheckBox1");
    layout->addWidget(GroupBox1);
    layout->addWidget(CheckBox1);
    layout->addStretch(1);
    addButtons(layout, false);
    localize();

    GroupBox1->setItemIndex(0);
    if (!context_.wizardRunning) {
        ControllerMode mode = ReadControllerMode(file(), section());
        GroupBox1->setItemIndex(mode.inputMode - 1);  // outside 1 ... 3 none is checked
        CheckBox1->setChecked(mode.cascade);
    }
}

void TFormPReg1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3128));
    GroupBox1->setTitle(QText(3129));
    for (int k = 0; k < 3; ++k) GroupBox1->button(k)->setText(QText(3130 + k));
    CheckBox1->setText(QText(3133));
}

bool TFormPReg1::acceptPage() {
    ControllerMode mode;
    mode.inputMode = GroupBox1->itemIndex() + 1;
    mode.cascade = CheckBox1->isChecked();
    WriteControllerMode(file(), section(), mode);
    return true;
}

}  // namespace velmora::wizard
