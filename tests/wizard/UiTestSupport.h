#pragma once
// The Qt application and the moves a user makes on the real page forms.
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

#include "WizardTestSupport.h"
#include "support/UiApp.h"
#include "wizard/FormWizardPage.h"

namespace velmora::wizard::testing {

using velmora::testing::Child;
using velmora::testing::UiApp;

// What leaving an edit does, without a window manager to move the focus.
inline void Leave(QWidget* edit) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &event);
}

inline void Type(QWidget* page, const char* name, const QString& text, bool leave = true) {
    auto* edit = Child<QLineEdit>(page, name);
    if (!edit) return;
    edit->setText(text);
    if (leave) Leave(edit);
}

}  // namespace velmora::wizard::testing
