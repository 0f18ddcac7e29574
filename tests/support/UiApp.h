#pragma once
// The one QApplication of a UI test program, made on first use and never
// destroyed (tearing it down among the program's statics crashes Qt).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
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

// Runs `action`, handing each modal window that comes up meanwhile to `answer`
// once. A window opened from inside an answer needs a driver of its own; one
// left standing is rejected after `bailMs`, so a failure does not hang.
template <class A>
void AnswerModalsDuring(const std::function<void()>& action, A answer, int drivers = 1, int bailMs = 20000) {
    const auto next = [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("answered").toBool()) return;
        modal->setProperty("answered", true);
        answer(modal);
    };
    std::vector<std::unique_ptr<QTimer>> timers;
    for (int i = 0; i < drivers; ++i) {
        timers.push_back(std::make_unique<QTimer>());
        QObject::connect(timers.back().get(), &QTimer::timeout, next);
        timers.back()->start(30 + 10 * i);
    }
    QTimer bail;
    QObject::connect(&bail, &QTimer::timeout, [&bail] {
        bail.setInterval(200);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    bail.start(bailMs);
    action();
}

// Lets the event loop and its timers run until `done` holds or `ms` pass.
inline bool WaitFor(const std::function<bool()>& done, int ms = 8000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

// A left click as the mouse makes it, in the middle unless `at` says where; a button is clicked.
inline void Click(QWidget* w, std::optional<QPointF> at = std::nullopt) {
    ASSERT_NE(w, nullptr);
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !at) return button->click();
    const QPointF p = at.value_or(QPointF(w->width() / 2.0, w->height() / 2.0));
    QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, {}, {});
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
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
