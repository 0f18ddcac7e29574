#pragma once
// Qt application and a page runner that drives the real page forms.
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <functional>

#include "WizardTestSupport.h"
#include "support/UiApp.h"
#include "wizard/FormWizardPage.h"

namespace velmora::wizard::testing {

inline QApplication& Application() {
    return velmora::testing::UiApp();
}

// What leaving an edit does, without a window manager to move the focus.
inline void Leave(QWidget* edit) {
    QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &event);
}

template <typename T>
T* Find(QWidget* page, const char* name) {
    T* child = page->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

inline void Type(QWidget* page, const char* name, const QString& text, bool leave = true) {
    auto* edit = Find<QLineEdit>(page, name);
    if (!edit) return;
    edit->setText(text);
    if (leave) Leave(edit);
}

// Creates each page for real, lets a script fill it, and reports whether the
// page was accepted. A script that leaves the page open cancels it.
class FormScriptRunner : public PageRunner {
public:
    using Script = std::function<void(WizardPage, WizardPageForm&)>;
    bool show(WizardPage page, WizardContext& context) override {
        std::unique_ptr<WizardPageForm> form = CreateWizardPage(page, context, nullptr);
        form->show();
        shown.push_back(form->objectName().toStdString());
        titles.push_back(form->windowTitle().toStdString());
        if (script) script(page, *form);
        if (form->isVisible()) {
            if (clickOk) form->Button1Click();
            if (form->isVisible()) form->reject();
        }
        return form->result() == QDialog::Accepted;
    }
    Script script;
    bool clickOk = true;
    std::vector<std::string> shown, titles;
};

}  // namespace velmora::wizard::testing
