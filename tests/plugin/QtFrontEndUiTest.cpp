// The plug-in's Qt front end: the toolkit it hands out, the compile-message
// window, and, inside the frame against the IDE stand-in over a copy of the
// demo project, the manager's open-as dialog and the wizard's pages as the
// frame runs them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "base/IniFile.h"
#include "host/HostIde.h"
#include "plugin/CompMsgForm.h"
#include "plugin/FrameState.h"
#include "plugin/QtFrameWizard.h"
#include "plugin/QtFrontEnd.h"
#include "plugin/QtManagerForm.h"
#include "plugin/QtOnlineView.h"
#include "support/Support.h"
#include "support/UiApp.h"
#include "wizard/FormWizardPage.h"

namespace velmora {
namespace {

TEST(QtFrontEnd, IsMadeInsideAQtApplicationWithQtsToolkitAndWindows) {
    testing::UiApp();
    std::unique_ptr<FrontEnd> frontEnd = MakeQtFrontEnd();
    ASSERT_NE(frontEnd, nullptr);
    Toolkit& toolkit = frontEnd->toolkit();
    EXPECT_NE(dynamic_cast<QtMessageBoxes*>(toolkit.messages), nullptr);
    EXPECT_EQ(frontEnd->helpViewer().messages, toolkit.messages) << "\"Topic not found\" comes as a Qt box";
    // The compile pass: project and counter, then one file line per controller.
    std::unique_ptr<CompileMessageForm> messages = frontEnd->forms().createCompileMessages();
    auto* qt = dynamic_cast<QtCompileMessages*>(messages.get());
    ASSERT_NE(qt, nullptr);
    messages->setProject("PLC1");
    messages->setCounter("0");
    messages->show();
    EXPECT_TRUE(qt->form().isVisible());
    messages->setFile("Boiler.orv");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lProjekt")->text(), "PLC1");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lComp")->text(), "Boiler.orv");
    EXPECT_EQ(qt->form().findChild<QLabel*>("lWarning")->text(), "0");
    messages->hide();
    EXPECT_FALSE(qt->form().isVisible());
    // Its button and Escape both end it with result one.
    TCompMsgFrm form;
    testing::Finished finished(form);
    form.show();
    testing::Child<QPushButton>(&form, "btOK")->click();
    form.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &escape);
    EXPECT_EQ(finished.results, (std::vector<int>{1, 1}));
}

// The frame with the Qt front end over the IDE stand-in's host interfaces on a
// copy of the demo project, PLC1 open.
class QtFrameTest : public ::testing::Test, testing::WithUiApp {
protected:
    QtFrameTest() {
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo",
                              dir.path() / "demo", std::filesystem::copy_options::recursive);
        ide = std::make_unique<host::HostIde>(dir.path() / "demo");
        link.projectManager = com::ComPtr<IYantProjectManager>::share(ide.get());
        link.registerCentre = com::Query<IYantRegisterCentre>(ide->application());
        link.ide = com::Query<IOrvaneIDE>(ide->application());
        frame = std::make_unique<TFormReg1>(nullptr, link, *frontEnd);
        ide->openPlc("PLC1");
    }
    ~QtFrameTest() override {
        frame.reset();
        link = HostLink();
    }
    std::unique_ptr<FrontEnd> frontEnd = MakeQtFrontEnd();
    testing::TempDir dir;
    std::unique_ptr<host::HostIde> ide;
    HostLink link;
    std::unique_ptr<TFormReg1> frame;
};

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
    ide->closePlc();
    EXPECT_THROW(host.controllerFile(), std::runtime_error);
}

// No PLC-type event reached this frame: the page asks the host itself.
TEST_F(QtFrameTest, TheControlledVariablePageAsksTheHostForThePlcType) {
    ASSERT_EQ(frame->plcTypeIndex, 0);
    for (const auto& [plc, controller, firstUnit] :
         {std::tuple{"PLC1", "Boiler", "Dogwood ElmA"}, {"PLC2", "Chiller", "Larch, Maple"}}) {
        ide->openPlc(plc);
        wizard::WizardContext context;
        FillWizardContext(*frame, context);
        context.controllerName = controller;
        QString shown;
        testing::AnswerNextModal([&shown](QWidget* page) {
            ASSERT_EQ(page->objectName(), "FormY1");
            shown = page->findChild<QComboBox*>("ComboBox1")->itemText(0);
            page->findChild<QPushButton*>("Button2")->click();
        });
        wizard::ShowControllerPage(wizard::WizardPage::ControlledVariable, context, nullptr);
        frame->releaseControllerFile();
        EXPECT_EQ(shown.toStdString(), firstUnit) << plc;
    }
}

// The tuning's "Use vals" proposes a set-point modification through the view: the set-point page
// over the view shows it instead of the file's, and only its OK writes it.
TEST_F(QtFrameTest, TheViewsSetpointPageShowsAProposedModificationAndOkWritesIt) {
    ide->openPlc("PLC2");
    ASSERT_TRUE(frame->openOnlineView("Chiller"));
    auto* view = dynamic_cast<QtOnlineView*>(frame->views().back());
    ASSERT_NE(view, nullptr);
    const auto stored = [&] {
        const IniFile file(frame->controllerFilePath());
        return std::pair{file.readString("Regulator Chiller", "WFiltr", ""),
                         file.readString("Regulator Chiller", "TiW", "")};
    };
    ASSERT_EQ(stored(), (std::pair<std::string, std::string>{"1", "10"}));
    for (const auto& [ramp, tiW, ok, checked, wFiltr, written] :
         {std::tuple{true, 500, false, "RadioButton2", "1", "10"},
          std::tuple{true, 500, true, "RadioButton2", "0", "500"},
          std::tuple{false, 63, true, "RadioButton1", "1", "63"},
          std::tuple{false, 0, true, "RadioButton3", "1", "0"}}) {
        QString shownTiW;
        bool shownChoice = false;
        testing::AnswerNextModal([&](QWidget* page) {
            ASSERT_EQ(page->objectName(), "FormW1");
            shownChoice = page->findChild<QRadioButton*>(checked)->isChecked();
            shownTiW = page->findChild<QLineEdit*>("EditTiW1")->text();
            page->findChild<QPushButton*>(ok ? "Button1" : "Button2")->click();
        });
        EXPECT_EQ(view->openSetpointPage("Chiller", ramp, tiW), ok);
        EXPECT_TRUE(shownChoice) << checked;
        EXPECT_EQ(shownTiW.toStdString(), std::to_string(tiW));
        EXPECT_EQ(stored(), (std::pair<std::string, std::string>{wFiltr, written})) << tiW;
    }
}

}  // namespace
}  // namespace velmora
