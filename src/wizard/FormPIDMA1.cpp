#include "wizard/FormPIDMA1.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextWriteFailed = 3022;
constexpr std::uint32_t kEditCaptions[] = {3343, 3344, 3345, 3346, 3349, 3350, 3351, 3352, 3353, 3364};
}  // namespace

TFormPIDMA1::TFormPIDMA1(WizardContext& context, QWidget* owner)
    : WizardPageForm(context, owner, "FormPIDMA1", 0) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    LabelType1 = label("LabelType1");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    for (const std::string& t : AlgorithmTypes()) ComboBox1->addItem(QStr(t));
    grid->addWidget(LabelType1, 0, 0);
    grid->addWidget(ComboBox1, 0, 1);
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName("CheckBox1");
    grid->addWidget(CheckBox1, 1, 0, 1, 2);
    for (int k = 0; k < 10; ++k) {
        QLabel* caption = label(QString("LabelEdit%1").arg(k + 1));
        auto* edit = new LeaveEdit(QString("Edit%1").arg(k + 1), this);
        edit->setMaximumWidth(110);
        edit->setAlignment(Qt::AlignRight);
        grid->addWidget(caption, k + 2, 0);
        grid->addWidget(edit, k + 2, 1);
        captions_ << caption;
        edits_ << edit;
        double fallback = PidmaParameters()[k].fallback;
        connect(edit, &LeaveEdit::left, this, [this, edit, fallback] {
            edit->setText8(PidmaDecimalText(edit->text8(), fallback, separator()));
        });
    }
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);

    auto* names = new QGridLayout;
    LabelName1 = label("LabelName1");
    LabelName2 = label("LabelName2");
    EditName1 = new LeaveEdit("EditName1", this);
    EditName2 = new LeaveEdit("EditName2", this);
    // Room for a real variable name (30 characters and more) without scrolling.
    for (LeaveEdit* edit : {EditName1, EditName2})
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
    names->addWidget(LabelName1, 0, 0);
    names->addLayout(VariableRow(this, context_, EditName1, "SelVar1"), 0, 1);
    names->addWidget(LabelName2, 1, 0);
    names->addLayout(VariableRow(this, context_, EditName2, "SelVar2"), 1, 1);
    names->setColumnStretch(1, 1);
    layout->addLayout(names);

    storageBox_.create(this, layout);
    addButtons(layout, true);
    localize();

    storage_ = ReadPidStorage(file(), section());
    showValues(context_.wizardRunning ? NewPidmaController(file(), section(), separator())
                                      : ReadPidmaController(file(), section(), separator()));
    storageBox_.setPlacementVisible(storage_.placementVisible);
}

void TFormPIDMA1::showValues(const PidmaController& c) {
    ComboBox1->setCurrentIndex(ChoiceIndex(c.irtype, 1, ComboBox1->count(), 7));
    CheckBox1->setChecked(c.reverse);
    for (int k = 0; k < 10; ++k) edits_[k]->setText8(c.values[k]);
    EditName1->setText8(c.input);
    EditName2->setText8(c.output);
    storageBox_.show(c);
}

PidmaController TFormPIDMA1::shown() const {
    PidmaController c;
    c.irtype = ComboBox1->currentIndex() + 1;
    c.reverse = CheckBox1->isChecked();
    for (int k = 0; k < 10; ++k) c.values[k] = edits_[k]->text8();
    c.input = EditName1->text8();
    c.output = EditName2->text8();
    storageBox_.read(c);
    return c;
}

void TFormPIDMA1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3366));
    LabelType1->setText(QText(3340));
    CheckBox1->setText(QText(3342));
    for (int k = 0; k < captions_.size(); ++k) captions_[k]->setText(QText(kEditCaptions[k]));
    LabelName1->setText(QText(3390));
    LabelName2->setText(QText(3391));
    storageBox_.localize();
    Button3->setText(QStr(OwnText("Read from PLC")));
}

bool TFormPIDMA1::acceptPage() {
    PidmaController c = shown();
    if (!CheckPidmaController(context_, c)) return false;
    if (!WritePidmaControllerToPlc(context_, c)) ShowError(context_, kTextWriteFailed);
    WritePidmaController(file(), section(), c, storage_.placementVisible);
    return true;
}

void TFormPIDMA1::Button3Click() {
    auto c = ReadPidmaControllerFromPlc(context_, shown(), separator());
    if (!plcAnswered(c.has_value())) return;
    showValues(*c);
}

}  // namespace velmora::wizard
