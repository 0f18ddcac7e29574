#include "controllers/FormOpenAs1.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/Texts.h"

namespace velmora {

namespace {
QString Q(std::uint32_t id) {
    return QString::fromStdString(Text(id));
}
}  // namespace

TFormOpenAs1::TFormOpenAs1(MessageBoxes& messages, HelpFunction help, QWidget* parent)
    : QDialog(parent), openAs_(messages), help_(help ? std::move(help) : ModuleHelp(messages)) {
    setObjectName("FormOpenAs1");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Label1->setBuddy(Edit1);
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setChecked(true);
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName("Button2");
    HelpButton1 = new QToolButton(this);
    HelpButton1->setObjectName("HelpButton1");
    HelpButton1->setText("?");

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->addWidget(Label1);
    column->addWidget(Edit1);
    column->addWidget(CheckBox1);
    column->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpButton1);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    column->addLayout(buttons);

    localize();
    setFixedWidth(320);
    updateOk();

    connect(Edit1, &QLineEdit::textChanged, this, &TFormOpenAs1::updateOk);
    connect(Button1, &QPushButton::clicked, this, &TFormOpenAs1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormOpenAs1::reject);
    connect(HelpButton1, &QToolButton::clicked, this, &TFormOpenAs1::HelpClick);
}

void TFormOpenAs1::localize() {
    setWindowTitle(Q(3275));
    Label1->setText(Q(3006));
    CheckBox1->setText(Q(3558));
    Button1->setText(Q(2005));
    Button2->setText(Q(2006));
}

void TFormOpenAs1::setName(const std::string& name) {
    Edit1->setText(QString::fromStdString(name));
    Edit1->selectAll();
}

std::string TFormOpenAs1::name() const {
    return Edit1->text().toStdString();
}

bool TFormOpenAs1::headerInST() const {
    return CheckBox1->isChecked();
}

void TFormOpenAs1::updateOk() {
    Button1->setEnabled(OpenAsOkEnabled(Edit1->text().toStdString()));
}

void TFormOpenAs1::Button1Click() {
    if (auto corrected = openAs_.okClick(Edit1->text().toStdString()))
        Edit1->setText(QString::fromStdString(*corrected));
    if (openAs_.closeQuery(Edit1->text().toStdString())) accept();
}

void TFormOpenAs1::HelpClick() {
    if (help_) help_("Velmora_new");
}

void TFormOpenAs1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        HelpClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace velmora
