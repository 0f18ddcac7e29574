// The dialogs' wiring, offscreen: widgets found by their component names.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "Fakes.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/FormInput1.h"
#include "controllers/FormNew1.h"
#include "controllers/FormOpenAs1.h"
#include "plugin/CompMsgForm.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Counts how often a dialog finished and with which result.
struct Finished {
    explicit Finished(QDialog& d) {
        QObject::connect(&d, &QDialog::finished, [this](int r) { results.push_back(r); });
    }
    std::vector<int> results;
};

class FormNew1Test : public ::testing::Test {
protected:
    FormNew1Test() { testing::UiApp(); }
    std::filesystem::path file() const { return dir.path() / "PLC1.rglx"; }
    testing::TempDir dir;
    testing::FakeNewControllerHost host{dir.path() / "PLC1.rglx"};
    testing::ScriptedMessages messages;
    std::vector<std::string> helpTopics;
    HelpFunction help = [this](const std::string& topic) { helpTopics.push_back(topic); };
};

TEST_F(FormNew1Test, ShowsWhatTheSeriesAllowsAndProposesAFreeName) {
    testing::WriteBytes(file(), "[Regulator PID_1]\r\nName=PID_1\r\n[Regulator PID_2]\r\nName=PID_2\r\n");
    host.series = 6;
    TFormNew1 wide(host, messages, help);
    auto* kinds = Child<QComboBox>(wide, "ComboBox1");
    ASSERT_EQ(kinds->count(), 2);
    EXPECT_EQ(kinds->itemText(0), "PID");
    EXPECT_EQ(kinds->itemText(1), "PIDA");
    EXPECT_EQ(kinds->currentIndex(), 0);
    EXPECT_FALSE(Child<QCheckBox>(wide, "CheckBox1")->isHidden());
    EXPECT_EQ(Child<QLineEdit>(wide, "Edit1")->text(), "PID_3");
    EXPECT_EQ(wide.windowTitle().toStdString(), Text(3005));
    EXPECT_EQ(Child<QLabel>(wide, "Label1")->text().toStdString(), Text(3006));
    EXPECT_EQ(Child<QPushButton>(wide, "Button2")->text().toStdString(), Text(2006));

    host.series = 5;
    TFormNew1 narrow(host, messages, help);
    EXPECT_EQ(Child<QComboBox>(narrow, "ComboBox1")->count(), 1);
    EXPECT_TRUE(Child<QCheckBox>(narrow, "CheckBox1")->isHidden());
    // The narrow form is shorter by the dialect row; its buttons keep the same
    // distance to the last row shown, so no blank is left.
    wide.show();
    narrow.show();
    const auto below = [](QWidget* row, QWidget* button) { return button->y() - (row->y() + row->height()); };
    EXPECT_EQ(below(Child<QComboBox>(narrow, "ComboBox1"), Child<QPushButton>(narrow, "Button1")),
              below(Child<QCheckBox>(wide, "CheckBox1"), Child<QPushButton>(wide, "Button1")));
    EXPECT_LT(narrow.height(), wide.height());
}

// OK follows the name as it is typed; the help button and F1 show the dialog's topic.
TEST_F(FormNew1Test, OkFollowsTheNameAndHelpShowsTheTopic) {
    TFormNew1 form(host, messages, help);
    auto* edit = Child<QLineEdit>(form, "Edit1");
    auto* ok = Child<QPushButton>(form, "Button1");
    EXPECT_TRUE(ok->isEnabled());
    edit->setText("   ");
    EXPECT_FALSE(ok->isEnabled());
    edit->setText(" a ");
    EXPECT_TRUE(ok->isEnabled());
    Child<QToolButton>(form, "HelpButton1")->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&form, &f1);
    EXPECT_EQ(helpTopics, (std::vector<std::string>{"Velmora_new", "Velmora_new"}));
}

TEST_F(FormNew1Test, CancelEscapeAndCloseAllDiscardTheNewController) {
    for (int way = 0; way < 3; ++way) {
        host.currentController = "x";
        host.wizardRunning = true;
        TFormNew1 form(host, messages, help);
        Finished finished(form);
        form.show();
        if (way == 0) {
            Child<QPushButton>(form, "Button2")->click();
        } else if (way == 1) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&form, &escape);
        } else {
            form.close();
        }
        EXPECT_EQ(finished.results, std::vector<int>{QDialog::Rejected}) << way;
        EXPECT_EQ(host.currentController, "") << way;
        EXPECT_FALSE(host.wizardRunning) << way;
    }
    EXPECT_FALSE(std::filesystem::exists(file()));
}

// The widgets reach the dialog's rule (which NewControllerTest checks in full).
TEST_F(FormNew1Test, RunsModallyAsTheWizardsFirstStepAndOkWritesTheKeysInOrder) {
    QTimer::singleShot(0, [] {
        auto* form = qobject_cast<TFormNew1*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        form->findChild<QLineEdit*>("Edit1")->setText("Zone_A");
        form->findChild<QComboBox*>("ComboBox1")->setCurrentIndex(1);
        form->findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        form->findChild<QPushButton*>("Button1")->click();
        if (form->isVisible()) form->reject();  // OK refused: fail, do not hang
    });
    EXPECT_TRUE(RunNewControllerDialog(host, messages, nullptr, help));
    EXPECT_EQ(host.currentController, "Zone_A");
    EXPECT_TRUE(host.wizardRunning);
    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Zone_A"),
              (std::vector<std::string>{"Name=Zone_A", "Type=PIDA", "HeaderInST=1"}));
    QTimer::singleShot(
        0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("Button2")->click(); });
    EXPECT_FALSE(RunNewControllerDialog(host, messages, nullptr, help));
    EXPECT_FALSE(host.wizardRunning);
}

TEST(FormOpenAs1, CorrectsTheProposedNameInTheEditAndKeepsTheDialect) {
    testing::UiApp();
    testing::ScriptedMessages messages;
    std::vector<std::string> topics;
    TFormOpenAs1 form(messages, [&](const std::string& t) { topics.push_back(t); });
    Finished finished(form);
    EXPECT_TRUE(Child<QCheckBox>(form, "CheckBox1")->isChecked());
    form.setName("Pump 2");
    messages.answers = {MessageAnswer::No};
    Child<QPushButton>(form, "Button1")->click();
    EXPECT_EQ(Child<QLineEdit>(form, "Edit1")->text(), "Pump_2");
    EXPECT_TRUE(finished.results.empty());
    Child<QPushButton>(form, "Button1")->click();
    EXPECT_EQ(finished.results, std::vector<int>{QDialog::Accepted});
    EXPECT_EQ(form.name(), "Pump_2");
    Child<QLineEdit>(form, "Edit1")->clear();
    EXPECT_FALSE(Child<QPushButton>(form, "Button1")->isEnabled());
    Child<QToolButton>(form, "HelpButton1")->click();
    EXPECT_EQ(topics, std::vector<std::string>{"Velmora_new"});
}

TEST(FormInput1, ClosesOnlyWithAValidValueOrThroughCancel) {
    testing::UiApp();
    testing::ScriptedMessages messages;
    TFormInput1 form(messages);
    form.input().maximum = 100.0f;
    Finished finished(form);
    form.show();
    form.setText("250");
    Child<QPushButton>(form, "Button1")->click();
    EXPECT_TRUE(finished.results.empty());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(form.close()) << "the window's close button is no way out";
    form.setText("99,5");
    Child<QPushButton>(form, "Button1")->click();
    EXPECT_EQ(finished.results, std::vector<int>{QDialog::Accepted});
    EXPECT_DOUBLE_EQ(*form.input().value(), 99.5);
    TFormInput1 other(messages);
    Finished cancelled(other);
    other.show();
    Child<QPushButton>(other, "Button2")->click();
    EXPECT_EQ(cancelled.results, std::vector<int>{QDialog::Rejected});
}

// Its labels are checked through the front end's compile messages.
TEST(CompMsgFrm, EndsWithResultOneEitherWay) {
    testing::UiApp();
    TCompMsgFrm form;
    Finished finished(form);
    form.show();
    Child<QPushButton>(form, "btOK")->click();
    form.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_EQ(finished.results, (std::vector<int>{1, 1}));
}

}  // namespace
}  // namespace velmora
