// The manager's "Start all" through the real host, plug-in and soft PLC: fresh
// code from a page's OK gets one warning, and then every view goes online (the
// views do not repeat it); after the compilation, no warning.
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "RegisteredPlugin.h"
#include "base/Texts.h"

namespace velmora::host {
namespace {

class StartAll : public RegisteredPlugin {
protected:
    // Answers every modal window while `action` runs: a message box is
    // recorded and closed, a page or dialog gets its OK.
    void answering(const std::function<void()>& action) {
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->property("answered").toBool()) return;
            modal->setProperty("answered", true);
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                messages << box->text();
                box->close();
            } else if (auto* ok = modal->findChild<QPushButton*>("Button1")) {
                ok->click();
            }
        });
        driver.start(30);
        action();
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 8000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return done();
    }
    static void ClickElement(QWidget* w) {
        ASSERT_NE(w, nullptr);
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, {}, {});
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
    QStringList messages;
};

TEST_F(StartAll, AfterAPagesOkOneWarningThenEveryViewAfterTheCompilationNoWarning) {
    MainWindow window;
    window.show();
    QWidget* manager = openManager(window);
    ASSERT_NE(manager, nullptr);
    auto* list = manager->findChild<QListWidget*>("CheckListBox1");
    ASSERT_GE(list->count(), 2);
    const auto checkedLines = [list] {
        int n = 0;
        for (int i = 0; i < list->count(); ++i) n += list->item(i)->checkState() == Qt::Checked;
        return n;
    };
    auto* startAll = manager->findChild<QToolButton*>("ToolButton5");

    // A page opened from the schema and left with OK regenerates the controller's code.
    emit list->itemDoubleClicked(list->findItems("Boiler", Qt::MatchExactly).value(0));
    QWidget* boiler = View("Boiler");
    ASSERT_NE(boiler, nullptr);
    answering([&] { ClickElement(boiler->findChild<QWidget*>("PID1")); });
    messages.clear();

    // Fresh code: the warning once, then every view starts (on the program the PLC runs).
    answering([&] { startAll->click(); });
    EXPECT_EQ(messages, QStringList{QString::fromStdString(Text(3034))}) << "one warning";
    EXPECT_TRUE(WaitFor([&] { return checkedLines() == list->count(); })) << checkedLines();
    answering([&] { manager->findChild<QToolButton*>("ToolButton6")->click(); });  // stop all
    EXPECT_TRUE(WaitFor([&] { return checkedLines() == 0; })) << checkedLines();

    ASSERT_TRUE(window.compile());
    messages.clear();
    answering([&] { startAll->click(); });
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_TRUE(WaitFor([&] { return checkedLines() == list->count(); })) << checkedLines();
    for (int i = 0; i < list->count(); ++i)
        EXPECT_NE(View(list->item(i)->text().toStdString()), nullptr) << list->item(i)->text().toStdString();
    window.closeProject();
}

}  // namespace
}  // namespace velmora::host
