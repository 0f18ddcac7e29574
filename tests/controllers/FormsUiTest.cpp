// The controllers' windows offscreen, found by their component names: the
// wiring of widgets to the dialogs' rules (checked in full by the core tests).
#include <gmock/gmock.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "Fakes.h"
#include "controllers/FormInput1.h"
#include "controllers/FormNew1.h"
#include "controllers/FormOpenAs1.h"
#include "controllers/FormRegMngr1.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

using testing::Child;
using ::testing::ElementsAre;
using testing::Finished;

void Press(QWidget* target, Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

class FormNew1Test : public ::testing::Test, testing::WithUiApp {
protected:
    std::filesystem::path file() const { return dir.path() / "PLC1.rglx"; }
    testing::TempDir dir;
    testing::FakeNewControllerHost host{dir.path() / "PLC1.rglx"};
    testing::ScriptedMessages messages;
    std::vector<std::string> helpTopics;
    HelpFunction help = [this](const std::string& topic) { helpTopics.push_back(topic); };
};

// The narrow form is shorter by the dialect row; its buttons keep the same
// distance to the last row shown, so no blank is left.
TEST_F(FormNew1Test, ShowsWhatTheSeriesAllowsAndProposesAFreeName) {
    testing::WriteBytes(file(), "[Regulator PID_1]\r\nName=PID_1\r\n[Regulator PID_2]\r\nName=PID_2\r\n");
    TFormNew1 wide(host, messages, help);
    auto* kinds = Child<QComboBox>(&wide, "ComboBox1");
    ASSERT_EQ(kinds->count(), 2);
    EXPECT_EQ(kinds->itemText(1), "PIDA");
    EXPECT_EQ(kinds->currentIndex(), 0);
    EXPECT_FALSE(Child<QCheckBox>(&wide, "CheckBox1")->isHidden());
    EXPECT_EQ(Child<QLineEdit>(&wide, "Edit1")->text(), "PID_3");
    EXPECT_EQ(Child<QLabel>(&wide, "Label1")->text().toStdString(), Text(3006));
    host.series = 5;
    TFormNew1 narrow(host, messages, help);
    EXPECT_EQ(Child<QComboBox>(&narrow, "ComboBox1")->count(), 1);
    EXPECT_TRUE(Child<QCheckBox>(&narrow, "CheckBox1")->isHidden());
    wide.show();
    narrow.show();
    const auto below = [](QWidget* row, QWidget* button) { return button->y() - (row->y() + row->height()); };
    EXPECT_EQ(below(Child<QComboBox>(&narrow, "ComboBox1"), Child<QPushButton>(&narrow, "Button1")),
              below(Child<QCheckBox>(&wide, "CheckBox1"), Child<QPushButton>(&wide, "Button1")));
    EXPECT_LT(narrow.height(), wide.height());
}

TEST_F(FormNew1Test, OkFollowsTheNameHelpShowsTheTopicAndEveryWayOutDiscards) {
    TFormNew1 form(host, messages, help);
    auto* edit = Child<QLineEdit>(&form, "Edit1");
    auto* ok = Child<QPushButton>(&form, "Button1");
    EXPECT_TRUE(ok->isEnabled());
    edit->setText("   ");
    EXPECT_FALSE(ok->isEnabled());
    edit->setText(" a ");
    EXPECT_TRUE(ok->isEnabled());
    Child<QToolButton>(&form, "HelpButton1")->click();
    Press(&form, Qt::Key_F1);
    EXPECT_EQ(helpTopics, (std::vector<std::string>{"Velmora_new", "Velmora_new"}));
    for (int way = 0; way < 3; ++way) {
        host.currentController = "x";
        host.wizardRunning = true;
        TFormNew1 other(host, messages, help);
        Finished finished(other);
        other.show();
        if (way == 0) Child<QPushButton>(&other, "Button2")->click();
        if (way == 1) Press(&other, Qt::Key_Escape);
        if (way == 2) other.close();
        EXPECT_EQ(finished.results, std::vector<int>{QDialog::Rejected}) << way;
        EXPECT_EQ(host.currentController, "") << way;
        EXPECT_FALSE(host.wizardRunning) << way;
    }
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST(FormOpenAs1, CorrectsTheProposedNameInTheEditAndKeepsTheDialect) {
    testing::UiApp();
    testing::ScriptedMessages messages;
    std::vector<std::string> topics;
    TFormOpenAs1 form(messages, [&](const std::string& t) { topics.push_back(t); });
    Finished finished(form);
    EXPECT_TRUE(Child<QCheckBox>(&form, "CheckBox1")->isChecked());
    form.setName("Pump 2");
    messages.answers = {MessageAnswer::No};
    Child<QPushButton>(&form, "Button1")->click();
    EXPECT_EQ(Child<QLineEdit>(&form, "Edit1")->text(), "Pump_2");
    EXPECT_TRUE(finished.results.empty());
    Child<QPushButton>(&form, "Button1")->click();
    EXPECT_EQ(finished.results, std::vector<int>{QDialog::Accepted});
    EXPECT_EQ(form.name(), "Pump_2");
    Child<QLineEdit>(&form, "Edit1")->clear();
    EXPECT_FALSE(Child<QPushButton>(&form, "Button1")->isEnabled());
    Child<QToolButton>(&form, "HelpButton1")->click();
    EXPECT_EQ(topics, std::vector<std::string>{"Velmora_new"});
}

TEST(FormInput1, ClosesOnlyWithAValidValueOrThroughCancel) {
    testing::UiApp();
    testing::ScriptedMessages messages;
    TFormInput1 form(messages), other(messages);
    form.input().maximum = 100.0f;
    Finished finished(form), cancelled(other);
    form.show();
    form.setText("250");
    Child<QPushButton>(&form, "Button1")->click();
    EXPECT_TRUE(finished.results.empty());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(form.close()) << "the window's close button is no way out";
    form.setText("99,5");
    Child<QPushButton>(&form, "Button1")->click();
    EXPECT_EQ(finished.results, std::vector<int>{QDialog::Accepted});
    EXPECT_DOUBLE_EQ(*form.input().value(), 99.5);
    other.show();
    Child<QPushButton>(&other, "Button2")->click();
    EXPECT_EQ(cancelled.results, std::vector<int>{QDialog::Rejected});
}

class ManagerForm : public ::testing::Test, testing::WithUiApp {
protected:
    ManagerForm() {
        testing::WriteBytes(host.file,
                            "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
                            "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n"
                            "[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\nHeaderInST=0\r\n");
    }
    std::unique_ptr<TFormRegMngr1> create() {
        auto form = std::make_unique<TFormRegMngr1>(host);
        form->show();
        list = Child<QListWidget>(form.get(), "CheckListBox1");
        return form;
    }
    // Each line's text, with " on" when its box is checked.
    std::vector<std::string> items() const {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i)
            out.push_back(list->item(i)->text().toStdString() + (list->item(i)->checkState() ? " on" : ""));
        return out;
    }
    // Answers the next file dialog with `file`, noting its title, filter, folder and proposed file.
    void answerFileDialog(const char* name, const std::filesystem::path& file) {
        testing::AnswerNextModal([=, this](QWidget* modal) {
            auto* d = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->objectName(), name);
            seen = QStringList{d->windowTitle(), d->nameFilters().join(";;"), d->directory().absolutePath(),
                               QFileInfo(d->selectedFiles().value(0)).fileName()};
            d->selectFile(QString::fromStdString(file.string()));
            QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        });
    }
    testing::TempDir dir;
    testing::FakeManagerHost host{dir.path()};
    QListWidget* list = nullptr;
    QStringList seen;
};

TEST_F(ManagerForm, ButtonsAndKeysRunTheirCommands) {
    auto form = create();
    Child<QToolButton>(form.get(), "ToolButton5")->click();
    EXPECT_THAT(items(), ElementsAre("Boiler on", "Oven on", "Mixer on"));
    Child<QToolButton>(form.get(), "ToolButton6")->click();
    EXPECT_THAT(items(), ElementsAre("Boiler", "Oven", "Mixer"));
    host.events.clear();
    emit list->itemDoubleClicked(list->item(1));
    Press(list, Qt::Key_F1);
    Child<QToolButton>(form.get(), "ToolButton1")->click();
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0", "help", "wizard"));
    host.wizard = [&] { IniFile(host.file).writeString("Regulator PID_1", "Name", "PID_1"); };
    Child<QAction>(form.get(), "AddController1")->trigger();
    EXPECT_THAT(items(), ElementsAre("Boiler", "Oven", "Mixer", "PID_1"));
    list->setCurrentRow(0);
    host.msgs.answers = {MessageAnswer::Yes};
    Child<QToolButton>(form.get(), "ToolButton2")->click();
    EXPECT_THAT(items(), ElementsAre("Oven", "Mixer", "PID_1"));
}

TEST_F(ManagerForm, ListAndCommandsFollowTheManager) {
    host.views = {{"Oven", true}, {"Mixer", false}};
    auto form = create();
    EXPECT_THAT(items(), ElementsAre("Boiler", "Oven on", "Mixer"));
    EXPECT_EQ(list->currentRow(), 0);
    const auto states = [&] {
        const ManagerCommands c = form->manager().commands();
        const struct {
            const char *action, *button;
            bool enabled;
        } widgets[] = {{"ActiveAll1", "ToolButton5", c.startAll},
                       {"DeactiveAll1", "ToolButton6", c.stopAll},
                       {"AddController1", "ToolButton1", c.add},
                       {"LoadController1", "ToolButton3", c.import},
                       {"RemController1", "ToolButton2", c.remove},
                       {"SaveController1", "ToolButton4", c.exportSelected},
                       {"ActiveSelected1", nullptr, c.startSelected},
                       {"DeactiveSelected1", nullptr, c.stopSelected}};
        for (const auto& w : widgets) {
            EXPECT_EQ(Child<QAction>(form.get(), w.action)->isEnabled(), w.enabled) << w.action;
            if (w.button) {
                EXPECT_EQ(Child<QToolButton>(form.get(), w.button)->isEnabled(), w.enabled) << w.button;
            }
        }
    };
    states();
    list->item(1)->setCheckState(Qt::Unchecked);  // the user unticks a line: its view stops
    ASSERT_FALSE(host.events.empty());
    EXPECT_EQ(host.events.back(), "toggle Oven");
    EXPECT_EQ(list->currentRow(), 1);
    states();
    list->setCurrentRow(2);
    EXPECT_EQ(form->manager().selected(), 2);
    states();
}

// Import takes the file of the open dialog; export writes the file of the save
// dialog, which adds the extension the user left out.
TEST_F(ManagerForm, ImportAndExportGoThroughTheOpenAndSaveDialogs) {
    const auto source = dir.path() / "Kiln.rgl";
    testing::WriteBytes(source, "[Regulator Kiln]\r\nName=Kiln\r\nType=PID\r\n");
    host.importNames = {ImportName{"Kiln", true}};
    auto form = create();
    answerFileDialog("OpenDialog1", source);
    Child<QToolButton>(form.get(), "ToolButton3")->click();
    EXPECT_EQ(seen.mid(0, 3), (QStringList{"Load controller", "Controller file (*.rgl)",
                                           QString::fromStdString(host.file.parent_path().string())}));
    EXPECT_THAT(host.proposals, ElementsAre("Kiln"));
    EXPECT_THAT(items(), ElementsAre("Boiler", "Oven", "Mixer", "Kiln"));
    list->setCurrentRow(1);
    answerFileDialog("SaveDialog1", dir.path() / "Oven copy");
    Child<QToolButton>(form.get(), "ToolButton4")->click();
    EXPECT_EQ(seen.value(0), "Save controller to file");
    EXPECT_EQ(seen.value(3), "Oven.rgl");
    EXPECT_EQ(testing::ReadBytes(dir.path() / "Oven copy.rgl"),
              "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n");
}

}  // namespace
}  // namespace velmora
