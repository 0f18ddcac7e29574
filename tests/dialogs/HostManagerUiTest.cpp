// The Qt front end inside the frame, against the IDE stand-in: the manager
// window, the new-controller wizard and the open-as dialog as the frame runs them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "DemoFrame.h"
#include "base/IniFile.h"
#include "controllers/FormRegMngr1.h"
#include "plugin/QtFrameWizard.h"
#include "plugin/QtFrontEnd.h"
#include "plugin/QtManagerForm.h"
#include "support/UiApp.h"
#include "wizard/FormWizardPage.h"

namespace velmora {
namespace {

struct QtFront : testing::WithUiApp {
    std::unique_ptr<FrontEnd> frontEnd = MakeQtFrontEnd();
};

class QtFrameTest : public ::testing::Test, QtFront, protected testing::DemoFrame {
protected:
    QtFrameTest() : DemoFrame(*frontEnd) { ide->openPlc("PLC1"); }
};

TEST_F(QtFrameTest, TheManagerIsTheQtWindowAndListsThePlcsControllers) {
    frame->showManager();
    auto* manager = dynamic_cast<QtControllerManager*>(frame->manager());
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(ide->forms().count(manager->handle()), 1u);
    manager->show();
    auto* list = manager->form().findChild<QListWidget*>("CheckListBox1");
    ASSERT_NE(list, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i) names.push_back(list->item(i)->text().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Boiler", "Mixer", "Dryer", "Kiln"}));
}

TEST_F(QtFrameTest, TheWizardStartsWithTheNewControllerDialogAndACancelledPageDiscardsIt) {
    testing::AnswerNextModal([this](QWidget* modal) {
        ASSERT_EQ(modal->objectName(), "FormNew1");
        modal->findChild<QLineEdit*>("Edit1")->setText("Zone9");
        modal->findChild<QComboBox*>("ComboBox1")->setCurrentIndex(1);  // PIDA
        testing::AnswerNextModal([this](QWidget* page) {
            EXPECT_EQ(page->objectName(), "FormPIDMA1") << "the floating-point kind's first page";
            EXPECT_EQ(frame->currentController, "Zone9") << "the pages work on the frame's state";
            EXPECT_TRUE(frame->wizardRunning);
            page->findChild<QPushButton*>("Button2")->click();
        });
        modal->findChild<QPushButton*>("Button1")->click();
    });
    EXPECT_FALSE(RunFrameWizard(*frame, nullptr));
    EXPECT_FALSE(frame->wizardRunning);
    EXPECT_FALSE(IniFile(frame->controllerFilePath()).sectionExists("Regulator Zone9"))
        << "the cancelled page took the new controller with it";
    EXPECT_TRUE(IniFile(frame->controllerFilePath()).sectionExists("Regulator Boiler"));
}

TEST_F(QtFrameTest, TheManagerAsksImportNamesWithTheOpenAsDialogAndSeesTheProjectFiles) {
    FrameManagerHost host(*frame, nullptr);
    testing::AnswerNextModal([](QWidget* modal) {
        ASSERT_EQ(modal->objectName(), "FormOpenAs1");
        EXPECT_EQ(modal->findChild<QLineEdit*>("Edit1")->text(), "Boiler copy");
        modal->findChild<QLineEdit*>("Edit1")->setText("Boiler_2");
        modal->findChild<QPushButton*>("Button1")->click();
    });
    auto answer = host.askImportName("Boiler copy");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->name, "Boiler_2");
    EXPECT_TRUE(answer->headerInST);

    testing::AnswerNextModal([](QWidget* modal) { modal->findChild<QPushButton*>("Button2")->click(); });
    EXPECT_FALSE(host.askImportName("x"));
    frame->generate("Boiler");
    auto files = host.projectFiles();
    ASSERT_TRUE(files);
    EXPECT_NE(files->find("Velmora\\Boiler.orv"), std::string::npos);
    EXPECT_THROW(
        {
            ide->closePlc();
            host.controllerFile();
        },
        std::runtime_error);
}

TEST_F(QtFrameTest, TheControlledVariablePageAsksTheHostForThePlcType) {
    // No PLC-type event reached this frame: the page asks the host itself.
    ASSERT_EQ(frame->plcTypeIndex, 0);
    const struct {
        const char* plc;
        const char* firstUnit;
    } cases[] = {{"PLC1", "Dogwood ElmA"}, {"PLC2", "Larch, Maple"}};
    for (const auto& c : cases) {
        ide->openPlc(c.plc);
        wizard::WizardContext context;
        FillWizardContext(*frame, context);
        context.controllerName = c.plc == std::string("PLC1") ? "Boiler" : "Chiller";
        QString shown;
        testing::AnswerNextModal([&shown](QWidget* page) {
            ASSERT_EQ(page->objectName(), "FormY1");
            shown = page->findChild<QComboBox*>("ComboBox1")->itemText(0);
            page->findChild<QPushButton*>("Button2")->click();
        });
        wizard::ShowControllerPage(wizard::WizardPage::ControlledVariable, context, nullptr);
        frame->releaseControllerFile();
        EXPECT_EQ(shown.toStdString(), c.firstUnit) << c.plc;
    }
}

}  // namespace
}  // namespace velmora
