#include "wizard/FormPIDMA2.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextWriteFailed = 3022;
// Captions in page order: ComboBox1, ComboBox2, Edit1 ... Edit4, ComboBox3, ComboBox4.
constexpr std::uint32_t kCaptions[] = {3354, 3355, 3357, 3358, 3359, 3360, 3361, 3362};
}  // namespace

TFormPIDMA2::TFormPIDMA2(WizardContext& context, QWidget* owner)
    : WizardPageForm(context, owner, "FormPIDMA2", 0) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto combo = [this](const QString& name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        return c;
    };
    ComboBox1 = combo("ComboBox1");
    ComboBox2 = combo("ComboBox2");
    ComboBox3 = combo("ComboBox3");
    ComboBox4 = combo("ComboBox4");
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName("CheckBox1");
    for (int k = 0; k < 4; ++k) {
        auto* edit = new LeaveEdit(QString("Edit%1").arg(k + 1), this);
        edit->setMaximumWidth(110);
        edit->setAlignment(Qt::AlignRight);
        edits_ << edit;
        connect(edit, &LeaveEdit::left, this,
                [this, edit] { edit->setText8(PidmaDecimalText(edit->text8(), 0, separator())); });
    }
    QWidget* fields[] = {ComboBox1, ComboBox2, edits_[0], edits_[1],
                         edits_[2], edits_[3], ComboBox3, ComboBox4};
    int row = 0;
    for (int k = 0; k < 8; ++k) {
        QLabel* caption = label(QString("Label%1").arg(k + 1));
        captions_ << caption;
        grid->addWidget(caption, row, 0);
        grid->addWidget(fields[k], row++, 1);
        if (k == 1) grid->addWidget(CheckBox1, row++, 0, 1, 2);
    }
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    addButtons(layout, true);
    ComboBox1->addItems({"PI", "PID"});
    localize();

    showValues(context_.wizardRunning ? NewPidmaAutotuner(separator())
                                      : ReadPidmaAutotuner(file(), section(), separator()));
}

void TFormPIDMA2::showValues(const PidmaAutotuner& t) {
    ComboBox1->setCurrentIndex(ChoiceIndex(t.ittype, kTunerTypeFirst, ComboBox1->count(), 7));
    ComboBox2->setCurrentIndex(ChoiceIndex(t.iainf, 1, ComboBox2->count(), 1));
    ComboBox3->setCurrentIndex(ChoiceIndex(t.ispeed, 1, ComboBox3->count(), 2));
    ComboBox4->setCurrentIndex(ChoiceIndex(t.ipid, 1, ComboBox4->count(), 1));
    CheckBox1->setChecked(t.driftCompensation);
    for (int k = 0; k < 4; ++k) edits_[k]->setText8(t.values[k]);
}

PidmaAutotuner TFormPIDMA2::shown() const {
    PidmaAutotuner t;
    t.ittype = ComboBox1->currentIndex() + kTunerTypeFirst;
    t.iainf = ComboBox2->currentIndex() + 1;
    t.ispeed = ComboBox3->currentIndex() + 1;
    t.ipid = ComboBox4->currentIndex() + 1;
    t.driftCompensation = CheckBox1->isChecked();
    for (int k = 0; k < 4; ++k) t.values[k] = edits_[k]->text8();
    return t;
}

void TFormPIDMA2::localize() {
    WizardPageForm::localize();
    setWindowTitle(QText(3367));
    for (int k = 0; k < captions_.size(); ++k) captions_[k]->setText(QText(kCaptions[k]));
    CheckBox1->setText(QText(3356));
    const std::pair<QComboBox*, std::uint32_t> lists[] = {
        {ComboBox2, 3414}, {ComboBox3, 3415}, {ComboBox4, 3416}};
    for (const auto& [box, id] : lists) {
        int index = box->currentIndex();
        box->clear();
        box->addItems(QTextLines(id));
        box->setCurrentIndex(index);
    }
    Button3->setText(QStr(OwnText("Read from PLC")));
}

bool TFormPIDMA2::acceptPage() {
    PidmaAutotuner t = shown();
    if (!WritePidmaAutotunerToPlc(context_, t)) ShowError(context_, kTextWriteFailed);
    WritePidmaAutotuner(file(), section(), t);
    return true;
}

void TFormPIDMA2::Button3Click() {
    auto t = ReadPidmaAutotunerFromPlc(context_, shown(), separator());
    if (!plcAnswered(t.has_value())) return;
    showValues(*t);
}

}  // namespace velmora::wizard
