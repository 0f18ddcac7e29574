#pragma once
#include <QCheckBox>
#include <QRadioButton>

#include "wizard/FormWizardPage.h"
#include "wizard/OutputConfiguration.h"

class QGridLayout;
class QLabel;

namespace velmora::wizard {

// The controller output: mode, type, limits, filters, conversion and variables.
class TFormU1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormU1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_U1"; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    void showValues(const OutputConfiguration& u);
    OutputConfiguration shown() const;
    OutputConversion conversion() const;
    void OutputTypeChange();
    void updateStates();

    RadioGroup *RadioGroupRezim1, *RadioGroupRezim2;
    QCheckBox *CheckBoxFu1, *CheckFiltr1, *CheckBoxAO1, *CheckBoxBiU1;
    LeaveEdit *EditMinFU1, *EditUMax1, *EditUMin1, *EditDUMax1, *EditTau1, *EditU1, *EditU2, *EditU3, *EditU4,
        *EditUp1, *EditUm1;
    QRadioButton *CheckBoxA8, *CheckBoxA12, *CheckBoxA16, *CheckBoxReal, *CheckBoxMer1;
    QGroupBox* GroupBoxConversion1;
    QLabel *LabelMinFU1, *LabelUMax1, *LabelUMin1, *LabelDUMax1, *LabelTau1, *LabelTau2, *LabelU1, *LabelU2,
        *LabelU3, *LabelU4, *LabelUp1, *LabelUm1;
    QWidget* SelVar2 = nullptr;
};

}  // namespace velmora::wizard
