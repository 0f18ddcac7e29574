#pragma once
#include <QCheckBox>

#include "wizard/FormWizardPage.h"
#include "wizard/PidParameters.h"

class QGridLayout;
class QLabel;

namespace velmora::wizard {

// Parameters of the integer PID controller and the storage of its data.
class TFormPReg2 : public WizardPageForm {
    Q_OBJECT
public:
    TFormPReg2(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_PReg2"; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    LeaveEdit* addEdit(QGridLayout* grid, int row, const QString& name, const QString& unit = {});
    void showValues(const PidParameters& values);
    PidParameters shown() const;
    double band() const;
    void EditPBnd1Exit();
    void EditG1Exit();
    void EditRegCool1Exit();
    void EditG2Exit();
    void EditMinMaxExit();

    PidStorage storage_;
    StorageOptionsBox storageBox_;
    QList<QLabel*> captions_;
    LeaveEdit *EditPBnd1, *EditG1, *EditRegCool1, *EditG2, *EditTi1, *EditTd1, *EditEGap1, *EditIGap1,
        *EditDGap1, *EditMaxY1, *EditMinY1, *EditT1, *EditUDef1;
    QCheckBox *CheckBoxP41, *CheckBoxUDef1;
};

}  // namespace velmora::wizard
