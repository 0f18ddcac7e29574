#include "controllers/FormInput1.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/Texts.h"

namespace velmora {

TFormInput1::TFormInput1(MessageBoxes& messages, QWidget* parent) : QDialog(parent), input_(messages) {
    setObjectName("FormInput1");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Button1 = new QPushButton(this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton(this);
    Button2->setObjectName("Button2");

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    column->addLayout(buttons);

    localize();
    setFixedWidth(240);

    connect(Button1, &QPushButton::clicked, this, &TFormInput1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormInput1::Button2Click);
}

void TFormInput1::localize() {
    Button1->setText(QString::fromStdString(Text(2005)));
    Button2->setText(QString::fromStdString(Text(2006)));
}

void TFormInput1::setText(const std::string& text) {
    Edit1->setText(QString::fromStdString(text));
    Edit1->selectAll();
}

std::string TFormInput1::text() const {
    return Edit1->text().toStdString();
}

void TFormInput1::Button1Click() {
    input_.okClick(Edit1->text().toStdString());
    if (input_.closeQuery()) {
        accept();
    } else {
        Edit1->setFocus();
        Edit1->selectAll();
    }
}

void TFormInput1::Button2Click() {
    input_.cancelClick();
    QDialog::reject();
}

void TFormInput1::reject() {
    Button2Click();
}

// The window's own close button is no way out: only OK with a valid value or Cancel.
void TFormInput1::closeEvent(QCloseEvent* event) {
    if (input_.closeQuery())
        event->accept();
    else
        event->ignore();
}

}  // namespace velmora
