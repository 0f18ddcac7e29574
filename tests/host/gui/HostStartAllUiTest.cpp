// The manager's "Start all" through the real host, plug-in and soft PLC.
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include "RegisteredPlugin.h"
#include "base/Texts.h"

namespace velmora::host {
namespace {

class StartAll : public RegisteredPlugin {
protected:
    // Runs `action` with every modal window answered: a message box is
    // recorded and closed, a page or dialog gets its OK.
    void answering(const std::function<void()>& action) {
        testing::AnswerModalsDuring(action, [this](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                messages << box->text();
                box->close();
            } else if (auto* ok = modal->findChild<QPushButton*>("Button1")) {
                ok->click();
            }
        });
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
    QWidget* boiler = OpenView(manager, "Boiler");
    ASSERT_NE(boiler, nullptr);
    answering([&] { testing::Click(boiler->findChild<QWidget*>("PID1")); });
    messages.clear();
    // Fresh code: the warning once, then every view starts (on the program the PLC runs).
    answering([&] { startAll->click(); });
    EXPECT_EQ(messages, QStringList{QString::fromStdString(Text(3034))}) << "one warning";
    EXPECT_TRUE(testing::WaitFor([&] { return checkedLines() == list->count(); })) << checkedLines();
    answering([&] { manager->findChild<QToolButton*>("ToolButton6")->click(); });  // stop all
    EXPECT_TRUE(testing::WaitFor([&] { return checkedLines() == 0; })) << checkedLines();
    ASSERT_TRUE(window.compile());
    messages.clear();
    answering([&] { startAll->click(); });
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_TRUE(testing::WaitFor([&] { return checkedLines() == list->count(); })) << checkedLines();
    for (int i = 0; i < list->count(); ++i)
        EXPECT_NE(View(list->item(i)->text().toStdString()), nullptr) << list->item(i)->text().toStdString();
    window.closeProject();
}

}  // namespace
}  // namespace velmora::host
