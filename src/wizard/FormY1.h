#pragma once
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>

#include "wizard/FormWizardPage.h"
#include "wizard/SignalSource.h"

class QLabel;

namespace velmora::wizard {

// Source of one measured signal (Y1, Y2 or Y3) of a PID controller.
class TFormY1 : public WizardPageForm {
    Q_OBJECT
public:
    TFormY1(WizardContext& context, QWidget* owner);
    void localize() override;
    std::string helpTopic() const override { return SignalHelpTopic(signal_, inputMode_); }
    int signal() const { return signal_; }
    bool valid() const { return valid_; }

protected:
    bool acceptPage() override;
    void Button3Click() override;

private:
    void fillUnits();
    void fillModes(int selectCode);
    void selectUnit(const std::string& unit, int mode);
    void showSource(const SignalSource& source);
    SignalSource shownSource() const;
    void updateEnabled();
    void markName();
    void ComboBox1Change();
    void StringGrid1SelectRow(int row);
    void CheckSame1Click();

    int signal_ = 1;
    int inputMode_ = 1;
    bool valid_ = false;
    std::vector<std::string> units_;
    std::vector<ModeRow> rows_;

    QLabel *LabelName1, *LabelName2, *LabelName3, *LabelUnit1, *LabelTau, *Labelx1, *Labely1, *Labelx2,
        *Labely2;
    LeaveEdit *EditName1, *EditName2, *EditName3;
    QComboBox* ComboBox1;
    QTableWidget* StringGrid1;
    QCheckBox *CheckSame1, *CheckFiltr1, *CheckMer1;
    LeaveEdit *EditTau, *Editx1, *Edity1, *Editx2, *Edity2;
    QGroupBox* GroupBox1;
};

}  // namespace velmora::wizard
