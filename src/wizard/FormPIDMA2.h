#pragma once
#include <QCheckBox>
#include <QComboBox>

#include "wizard/FormWizardPage.h"
#include "wizard/PidmaSettings.h"

class QLabel;

namespace velmora::wizard {

// Settings of the floating-point controller's autotuner.
class TFormPIDMA2 : public WizardPageForm {
    Q_OBJECT
public:
    TFormPIDMA2(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return "Velmora_PIDMA2"; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    void showValues(const PidmaAutotuner& t);
    PidmaAutotuner shown() const;

    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4;
    QCheckBox* CheckBox1;
    QList<LeaveEdit*> edits_;  // Edit1 ... Edit4
    QList<QLabel*> captions_;  // of the combo boxes and edits, in page order
};

}  // namespace velmora::wizard
