#pragma once
#include <QCheckBox>

#include "wizard/FormWizardPage.h"

namespace velmora::wizard {

// Controller mode: one input, two for reliability, two for ratio control; cascade.
class TFormPReg1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormPReg1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_PReg1"; }

protected:
    bool acceptPage() override;

private:
    RadioGroup* GroupBox1;
    QCheckBox* CheckBox1;
};

}  // namespace velmora::wizard
