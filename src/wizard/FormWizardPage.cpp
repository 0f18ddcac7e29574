#include "wizard/FormWizardPage.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <stdexcept>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextPlcReadFailed = 3465;
}  // namespace

QString QText(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}
QString QStr(const std::string& text) {
    return QString::fromStdString(text);
}
std::string Std(const QString& text) {
    return text.toStdString();
}

QStringList QTextLines(std::uint32_t id) {
    QStringList lines;
    for (const std::string& line : SplitLines(Text(id))) lines << QStr(line);
    return lines;
}

LeaveEdit::LeaveEdit(const QString& objectName, QWidget* parent) : QLineEdit(parent) {
    setObjectName(objectName);
}

void LeaveEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit left();
}

RadioGroup::RadioGroup(const QString& objectName, QWidget* parent) : QGroupBox(parent) {
    setObjectName(objectName);
    new QVBoxLayout(this);
}

void RadioGroup::setItems(const QStringList& items) {
    int index = itemIndex();
    for (int k = 0; k < items.size(); ++k) {
        if (k >= buttons_.size()) {
            auto* b = new QRadioButton(this);
            b->setObjectName(objectName() + "_" + QString::number(k));
            layout()->addWidget(b);
            connect(b, &QRadioButton::toggled, this, [this, k](bool on) {
                if (on) emit itemIndexChanged(k);
            });
            buttons_ << b;
        }
        buttons_[k]->setText(items[k]);
    }
    if (index >= 0) setItemIndex(index);
}

int RadioGroup::itemIndex() const {
    for (int k = 0; k < buttons_.size(); ++k)
        if (buttons_[k]->isChecked()) return k;
    return -1;
}

void RadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
        return;
    }
    for (QRadioButton* b : buttons_) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }
}

QRadioButton* RadioGroup::button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

WizardPageForm::WizardPageForm(WizardContext& context, QWidget* owner, const QString& objectName,
                               int helpContext)
    : QDialog(owner), context_(context), helpContext_(helpContext) {
    setObjectName(objectName);
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (!context_.file) throw std::logic_error("wizard page without a controller file");
}

WizardPageForm::~WizardPageForm() = default;

IniFile& WizardPageForm::file() {
    return *context_.file;
}

void WizardPageForm::localize() {
    if (Button1) Button1->setText(QText(2005));
    if (Button2) Button2->setText(QText(2006));
    if (Button3) Button3->setText(QText(2051));
}

void WizardPageForm::addButtons(QBoxLayout* layout, bool withUpload) {
    auto* row = new QHBoxLayout;
    HelpButton1 = new QPushButton("?", this);
    HelpButton1->setObjectName("HelpButton1");
    HelpButton1->setAutoDefault(false);
    HelpButton1->setFixedWidth(32);
    connect(HelpButton1, &QPushButton::clicked, this, [this] {
        if (context_.showHelp) context_.showHelp(helpTopic());
    });
    row->addWidget(HelpButton1);
    if (withUpload) {
        Button3 = new QPushButton(this);
        Button3->setObjectName("Button3");
        Button3->setAutoDefault(false);
        connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
        row->addWidget(Button3);
    }
    row->addStretch(1);
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName("Button2");
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { reject(); });
    row->addWidget(Button1);
    row->addWidget(Button2);
    layout->addLayout(row);
}

QLabel* WizardPageForm::label(const QString& objectName) {
    auto* l = new QLabel(this);
    l->setObjectName(objectName);
    return l;
}

bool WizardPageForm::plcAnswered(bool answered) {
    if (!answered) ShowError(context_, kTextPlcReadFailed);
    return answered;
}

void WizardPageForm::Button1Click() {
    if (!acceptPage()) return;
    okMarker_ = 1;
    afterAccepted();
    done(QDialog::Accepted);
}

void WizardPageForm::afterAccepted() {
    AfterPageAccepted(context_);
}

void WizardPageForm::done(int result) {
    if (!closed_) {
        closed_ = true;
        AfterPageClosed(context_, okMarker_ == 1);
    }
    QDialog::done(okMarker_ == 1 ? result : QDialog::Rejected);
}

void WizardPageForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) localize();
    QDialog::changeEvent(event);
}

void WizardPageForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        if (context_.showHelp) context_.showHelp(helpTopic());
        return;
    }
    QDialog::keyPressEvent(event);
}

QHBoxLayout* VariableRow(WizardPageForm* page, WizardContext& context, LeaveEdit* edit,
                         const QString& buttonName) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    auto* select = new QPushButton("...", page);
    select->setObjectName(buttonName);
    select->setAutoDefault(false);
    select->setFixedWidth(32);
    QObject::connect(select, &QPushButton::clicked, page, [&context, edit] {
        if (!context.selectVariable) return;
        if (auto chosen = context.selectVariable(edit->text8())) edit->setText8(*chosen);
    });
    row->addWidget(select);
    return row;
}

bool QtPageRunner::show(WizardPage page, WizardContext& context) {
    std::unique_ptr<WizardPageForm> form = CreateWizardPage(page, context, owner_);
    return form->exec() == QDialog::Accepted;
}

bool RunControllerWizard(WizardContext& context, QWidget* owner,
                         const std::function<bool()>& newControllerDialog) {
    QtPageRunner runner(owner);
    return RunWizard(context, runner, newControllerDialog);
}

bool ShowControllerPage(WizardPage page, WizardContext& context, QWidget* owner) {
    context.wizardRunning = false;
    QtPageRunner runner(owner);
    return runner.show(page, context);
}

void StorageOptionsBox::create(WizardPageForm* page, QBoxLayout* layout) {
    context_ = &page->context();
    auto box = [page](const QString& name) {
        auto* b = new QCheckBox(page);
        b->setObjectName(name);
        return b;
    };
    auto label = [page](const QString& name) {
        auto* l = new QLabel(page);
        l->setObjectName(name);
        return l;
    };
    CheckBoxStruct1 = box("CheckBoxStruct1");
    CheckBoxRemanent1 = box("CheckBoxRemanent1");
    chk1 = box("chk1");
    chk2 = box("chk2");
    edtoff1 = new LeaveEdit("edtoff1", page);
    edtoff2 = new LeaveEdit("edtoff2", page);
    edtoff1->setMaximumWidth(110);
    edtoff2->setMaximumWidth(110);
    LabelR1 = label("LabelR1");
    LabelR2 = label("LabelR2");
    Warning1 = label("Warning1");
    Warning1->setWordWrap(true);
    Warning1->setMinimumHeight(48);
    Warning1->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(CheckBoxStruct1);
    layout->addWidget(CheckBoxRemanent1);
    layout->addWidget(Warning1);
    auto* placement = new QGridLayout;
    placement->addWidget(chk1, 0, 0);
    placement->addWidget(LabelR1, 0, 1);
    placement->addWidget(edtoff1, 0, 2);
    placement->addWidget(chk2, 1, 0);
    placement->addWidget(LabelR2, 1, 1);
    placement->addWidget(edtoff2, 1, 2);
    placement->setColumnStretch(0, 1);
    layout->addLayout(placement);

    QObject::connect(CheckBoxRemanent1, &QCheckBox::toggled, page, [this] { CheckBoxRemanent1Click(); });
    QObject::connect(chk1, &QCheckBox::toggled, page, [this] { updatePlacement(); });
    QObject::connect(chk2, &QCheckBox::toggled, page, [this] { updatePlacement(); });
}

void StorageOptionsBox::setPlacementVisible(bool visible) {
    for (QWidget* w : std::initializer_list<QWidget*>{chk1, chk2, edtoff1, edtoff2, LabelR1, LabelR2})
        w->setVisible(visible);
}

void StorageOptionsBox::show(const StorageOptions& o) {
    CheckBoxStruct1->setChecked(o.foundStruct);
    CheckBoxRemanent1->setChecked(o.remanent);
    chk1->setChecked(o.placeReg);
    chk2->setChecked(o.placeRem);
    edtoff1->setText8(o.offReg);
    edtoff2->setText8(o.offRem);
    CheckBoxRemanent1Click();
}

void StorageOptionsBox::read(StorageOptions& o) const {
    o.foundStruct = CheckBoxStruct1->isChecked();
    o.remanent = CheckBoxRemanent1->isChecked();
    o.placeReg = chk1->isChecked();
    o.placeRem = chk2->isChecked();
    o.offReg = edtoff1->text8();
    o.offRem = edtoff2->text8();
}

void StorageOptionsBox::localize() {
    CheckBoxStruct1->setText(QText(3457));
    CheckBoxRemanent1->setText(QText(3554));
    chk1->setText(QText(3565));
    chk2->setText(QText(3566));
    LabelR1->setText("%R");
    LabelR2->setText("%R");
    Warning1->setText(QStr(RemanentExplanation(CheckBoxRemanent1->isChecked(), context_->controllerName)));
}

void StorageOptionsBox::CheckBoxRemanent1Click() {
    bool remanent = CheckBoxRemanent1->isChecked();
    Warning1->setText(QStr(RemanentExplanation(remanent, context_->controllerName)));
    if (!remanent) chk2->setChecked(false);
    chk2->setEnabled(remanent);
    LabelR2->setEnabled(remanent);
    updatePlacement();
}

void StorageOptionsBox::updatePlacement() {
    edtoff1->setEnabled(chk1->isChecked());
    edtoff2->setEnabled(chk2->isChecked() && chk2->isEnabled());
}

}  // namespace velmora::wizard
