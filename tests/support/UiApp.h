#pragma once
// The one QApplication of a UI test program, made on first use and never
// destroyed (tearing it down among the program's statics crashes Qt).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <vector>

namespace velmora::testing {

inline QApplication& UiApp() {
    static int argc = 1;
    static char name[] = "velmora_ui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = QApplication::instance()
                                   ? qobject_cast<QApplication*>(QApplication::instance())
                                   : new QApplication(argc, argv);
    return *app;
}

// A first base of a fixture whose members need the application.
struct WithUiApp {
    WithUiApp() { UiApp(); }
};

// Hands the next modal window to answer once the event loop shows it.
template <class A>
void AnswerNextModal(A answer, int delayMs = 0) {
    QTimer::singleShot(delayMs, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        answer(modal);
    });
}

// The child of that name; a failure when there is none.
template <class T>
T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// The results a dialog finished with, in order.
struct Finished {
    explicit Finished(QDialog& d) {
        QObject::connect(&d, &QDialog::finished, [this](int r) { results.push_back(r); });
    }
    std::vector<int> results;
};

}  // namespace velmora::testing
