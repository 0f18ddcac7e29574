#include "online/QtDialogHelp.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>

#include "base/Texts.h"

namespace velmora::online {

void AddDialogHelp(QDialog& dialog, QDialogButtonBox& buttons, const std::string& topic,
                   HelpTopicFunction help) {
    QPushButton* button = buttons.addButton(QDialogButtonBox::Help);
    button->setObjectName("ButtonHelp1");
    button->setText(QString::fromStdString(OwnText("Help")));
    button->setEnabled(static_cast<bool>(help));
    const auto show = [help, topic] {
        if (help) help(topic);
    };
    // The help button must not close the dialog: helpRequested, not a role that accepts.
    QObject::connect(&buttons, &QDialogButtonBox::helpRequested, &dialog, show);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    f1->setContext(Qt::WindowShortcut);
    QObject::connect(f1, &QShortcut::activated, &dialog, show);
}

void LocalizeOkCancel(QDialogButtonBox& buttons) {
    if (QPushButton* ok = buttons.button(QDialogButtonBox::Ok))
        ok->setText(QString::fromStdString(Text(2005)));
    if (QPushButton* cancel = buttons.button(QDialogButtonBox::Cancel))
        cancel->setText(QString::fromStdString(Text(2006)));
}

}  // namespace velmora::online
