#include "controllers/FormNew1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "base/Help.h"
#include "base/Texts.h"

namespace velmora {

namespace {
constexpr int kFormWidth = 320;
QString Q(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}
}  // namespace

HelpFunction ModuleHelp(MessageBoxes& messages) {
    return [&messages](const std::string& topic) {
        ShowHelp(DesktopHelpViewer(&messages), ModuleTexts().language(), "Velmora", topic, "");
    };
}

TFormNew1::TFormNew1(NewControllerHost& host, MessageBoxes& messages, HelpFunction help, QWidget* parent)
    : QDialog(parent), controller_(host, messages), help_(help ? std::move(help) : ModuleHelp(messages)) {
    setObjectName("FormNew1");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    Label2->setBuddy(ComboBox1);
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName("CheckBox1");
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName("Button2");
    HelpButton1 = new QToolButton(this);
    HelpButton1->setObjectName("HelpButton1");
    HelpButton1->setText("?");

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setVerticalSpacing(6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(CheckBox1, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowMinimumHeight(3, 8);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpButton1);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, 4, 0, 1, 2);

    localize();

    controller_.create();
    const NewControllerLayout& layout = controller_.layout();
    for (const std::string& kind : layout.kinds) ComboBox1->addItem(QString::fromStdString(kind));
    ComboBox1->setCurrentIndex(0);
    CheckBox1->setVisible(layout.dialectVisible);
    // The rows decide the height in this toolkit's fonts: without the dialect
    // row the buttons move up instead of leaving its place blank.
    grid->activate();
    setFixedSize(kFormWidth, grid->sizeHint().height());
    Edit1->setText(QString::fromStdString(controller_.proposedName()));
    Edit1->selectAll();
    updateOk();

    connect(Edit1, &QLineEdit::textChanged, this, &TFormNew1::updateOk);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TFormNew1::updateOk);
    connect(Button1, &QPushButton::clicked, this, &TFormNew1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormNew1::Button2Click);
    connect(HelpButton1, &QToolButton::clicked, this, &TFormNew1::HelpClick);
}

void TFormNew1::localize() {
    setWindowTitle(Q(3005));
    Label1->setText(Q(3006));
    Label2->setText(Q(3007));
    CheckBox1->setText(Q(3558));
    Button1->setText(Q(2005));
    Button2->setText(Q(2006));
}

void TFormNew1::updateOk() {
    Button1->setEnabled(
        NewControllerOkEnabled(Edit1->text().toStdString(), ComboBox1->currentText().toStdString()));
}

void TFormNew1::Button1Click() {
    controller_.okClick(Edit1->text().toStdString());
    if (controller_.closeQuery(ComboBox1->currentText().toStdString(), CheckBox1->isChecked())) accept();
}

void TFormNew1::Button2Click() {
    reject();
}

void TFormNew1::reject() {
    controller_.cancelClick();
    QDialog::reject();
}

void TFormNew1::HelpClick() {
    if (help_) help_("Velmora_new");
}

void TFormNew1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        HelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool RunNewControllerDialog(NewControllerHost& host, MessageBoxes& messages, QWidget* owner,
                            HelpFunction help) {
    TFormNew1 form(host, messages, std::move(help), owner);
    return form.exec() == QDialog::Accepted;
}

}  // namespace velmora
