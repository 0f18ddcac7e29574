#pragma once
#include <QCheckBox>
#include <QComboBox>

#include "wizard/FormWizardPage.h"
#include "wizard/PidParameters.h"
#include "wizard/PidmaSettings.h"

class QLabel;

namespace velmora::wizard {

// Settings of the floating-point controller.
class TFormPIDMA1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormPIDMA1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_PIDMA1"; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    void showValues(const PidmaController& c);
    PidmaController shown() const;

    PidStorage storage_;
    StorageOptionsBox storageBox_;
    QComboBox* ComboBox1;
    QCheckBox* CheckBox1;
    QList<LeaveEdit*> edits_;  // Edit1 ... Edit10
    QList<QLabel*> captions_;
    LeaveEdit *EditName1, *EditName2;
    QLabel *LabelType1, *LabelName1, *LabelName2;
};

}  // namespace velmora::wizard
