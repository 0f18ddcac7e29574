#pragma once
#include <QCheckBox>

#include "wizard/FormWizardPage.h"
#include "wizard/StartState.h"

class QLabel;

namespace velmora::wizard {

// The last page: automatic or manual start with the initial setpoint, action or ratio.
class TFormStr1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormStr1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_Str_" + type_; }
    void done(int result) override;

protected:
    bool acceptPage() override;
    void afterAccepted() override;

private:
    void applyLayout();
    void RadioGroup1Click(int index);

    RadioGroup* RadioGroup1;
    QLabel *LabelW1, *LabelUnitW1, *LabelW2, *LabelUnitW2;
    LeaveEdit *EditW1, *EditW2;
    QCheckBox* CheckBoxBackup1;
    std::string type_;
    int inputMode_ = 1;
    StartKind kind_;
    bool automatic_ = true;
};

}  // namespace velmora::wizard
