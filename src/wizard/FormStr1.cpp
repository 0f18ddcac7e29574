#include "wizard/FormStr1.h"
#include "controllers/SectionReader.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/IniFile.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

TFormStr1::TFormStr1(WizardContext& context, QWidget* owner)
    : WizardPageForm(context, owner, "FormStr1", 20) {
    auto* layout = new QVBoxLayout(this);
    RadioGroup1 = new RadioGroup("RadioGroup1", this);
    RadioGroup1->setItems({"", ""});
    layout->addWidget(RadioGroup1);
    auto* grid = new QGridLayout;
    LabelW1 = label("LabelW1");
    EditW1 = new LeaveEdit("EditW1", this);
    LabelUnitW1 = label("LabelUnitW1");
    LabelW2 = label("LabelW2");
    EditW2 = new LeaveEdit("EditW2", this);
    LabelUnitW2 = label("LabelUnitW2");
    LabelUnitW2->setText("-");
    grid->addWidget(LabelW1, 0, 0);
    grid->addWidget(EditW1, 0, 1);
    grid->addWidget(LabelUnitW1, 0, 2);
    grid->addWidget(LabelW2, 1, 0);
    grid->addWidget(EditW2, 1, 1);
    grid->addWidget(LabelUnitW2, 1, 2);
    // Numbers align right, as on every other page.
    for (LeaveEdit* edit : {EditW1, EditW2}) {
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(110);
    }
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);
    CheckBoxBackup1 = new QCheckBox(this);
    CheckBoxBackup1->setObjectName("CheckBoxBackup1");
    CheckBoxBackup1->setChecked(true);  // shown only: nothing reads or stores it
    layout->addWidget(CheckBoxBackup1);
    layout->addStretch(1);
    addButtons(layout, false);

    type_ = SectionReader(file(), section(), Reader::Page).text(key::Type);
    kind_ = ReadStartKind(file(), section());
    StartState state;
    state.first = state.second = FormatFixed(0, 2, 15, separator());
    if (!context_.wizardRunning) state = ReadStartState(file(), section(), kind_, separator());
    automatic_ = state.automatic;
    RadioGroup1->setItemIndex(automatic_ ? 0 : 1);
    EditW1->setText8(state.first);
    EditW2->setText8(state.second);
    localize();

    for (LeaveEdit* edit : {EditW1, EditW2})
        connect(edit, &LeaveEdit::left, this,
                [this, edit] { edit->setText8(LimitStartValue(edit->text8(), separator())); });
    connect(RadioGroup1, &RadioGroup::itemIndexChanged, this, [this](int index) { RadioGroup1Click(index); });
}

void TFormStr1::applyLayout() {
    StartLayout l = StartPageLayout(automatic_, kind_.ratio);
    LabelW1->setText(QText(l.firstLabel));
    LabelUnitW1->setText(l.firstUnit);
    LabelW2->setText(QText(3188));
    for (QWidget* w :
         {static_cast<QWidget*>(LabelW2), static_cast<QWidget*>(EditW2), static_cast<QWidget*>(LabelUnitW2)})
        w->setVisible(l.secondVisible);
    adjustSize();
}

void TFormStr1::RadioGroup1Click(int index) {
    bool automatic = index == 0;
    if (automatic == automatic_) return;
    automatic_ = automatic;
    // The ratio typed by the user keeps its meaning when the edits change roles.
    if (kind_.ratio) {
        QString first = EditW1->text();
        EditW1->setText(EditW2->text());
        EditW2->setText(first);
    }
    applyLayout();
}

void TFormStr1::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3189));
    RadioGroup1->setTitle(QText(3184));
    RadioGroup1->setItems(QTextLines(3185));
    CheckBoxBackup1->setText(QText(3554));
    applyLayout();
}

bool TFormStr1::acceptPage() {
    StartState state;
    state.automatic = automatic_;
    state.first = EditW1->text8();
    state.second = EditW2->text8();
    WriteStartState(file(), section(), kind_, state, separator());
    return true;
}

void TFormStr1::afterAccepted() {
    if (context_.generate) context_.generate(context_.controllerName);
    if (context_.wizardRunning && context_.wizardFinished) context_.wizardFinished();
}

void TFormStr1::done(int result) {
    WizardPageForm::done(result);
    context_.wizardRunning = false;
}

}  // namespace velmora::wizard
