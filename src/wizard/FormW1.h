#pragma once
#include "wizard/FormWizardPage.h"
#include "wizard/SetpointModification.h"

class QLabel;

namespace velmora::wizard {

// How the setpoint is modified before the controller uses it.
class TFormW1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormW1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_W1"; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    SetpointChoice choice() const;
    void showValues(const SetpointModification& w);
    void ChoiceChange();

    RadioGroup* GroupBox1;
    QLabel *LabelTiW1, *LabelTiW2;
    LeaveEdit* EditTiW1;
};

}  // namespace velmora::wizard
