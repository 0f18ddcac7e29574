// Windows that must follow the interface language and stay out of the way.
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include "RegisteredPlugin.h"
#include "base/Help.h"
#include "base/Texts.h"

namespace velmora::host {
namespace {

using LanguageFollowers = RegisteredPlugin;

TEST_F(LanguageFollowers, TheReportStartedInCzechSpeaksCzechAndTheHelpViewerFollowsASwitch) {
    {
        MainWindow first;
        first.findChild<QAction*>("Language405")->trigger();
    }
    MainWindow window;
    ASSERT_NE(openManager(window), nullptr);
    QWidget* report = OpenReport(window);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->findChild<QAction*>("miSave1")->text().toStdString(), "Uložit")
        << "the context menu in the language of the start";
    const int tab = window.documents()->indexOf(report);
    ASSERT_GE(tab, 0);
    EXPECT_EQ(window.documents()->tabText(tab).toStdString(), "Zpráva o regulátorech");
    ASSERT_TRUE(ShowHelp(DesktopHelpViewer(nullptr), 0, "Velmora", "Velmora_graph", ""));
    HelpViewerWindow* viewer = HelpViewerWindow::instance();
    ASSERT_TRUE(viewer->file().endsWith("CSY_Velmora.html")) << viewer->file().toStdString();
    window.findChild<QAction*>("Language407")->trigger();
    EXPECT_TRUE(viewer->file().endsWith("RUS_Velmora.html")) << viewer->file().toStdString();
    EXPECT_EQ(viewer->currentTopic(), "Velmora_graph") << "the same topic in the new language";
    EXPECT_EQ(window.documents()->tabText(tab).toStdString(), "Отчёт о регуляторах") << "the tab follows";
    window.findChild<QAction*>("Language409")->trigger();
    EXPECT_TRUE(viewer->file().endsWith("ENU_Velmora.html"));
    EXPECT_EQ(window.documents()->tabText(tab).toStdString(), "Controller Report");
}

// The viewer goes beside the asking window; it narrows to the roomier side
// rather than cover the dialog, and overlaps only where the screen is too small.
TEST(HelpViewerPlacement, BesideTheAskingWindowNeverOnItWhereTheScreenHasRoom) {
    const QRect screen(0, 0, 1600, 1000);
    const QSize viewer(800, 560);
    const struct {
        QRect asking, area, placed;
    } cases[] = {
        {{100, 100, 400, 300}, screen, {500, 100, 800, 560}},         // right of it
        {{1100, 100, 400, 300}, screen, {300, 100, 800, 560}},        // left of it
        {{600, 300, 400, 300}, screen, {1000, 300, 600, 560}},        // narrowed to the right side
        {{600, 800, 400, 150}, screen, {1000, 440, 600, 560}},        // kept on the screen
        {{250, 200, 300, 200}, {0, 0, 800, 600}, {0, 40, 800, 560}},  // no room: at the edge
    };
    for (const auto& c : cases) {
        const QRect placed = HelpViewerWindow::placeBeside(c.asking, viewer, c.area);
        EXPECT_EQ(placed, c.placed) << c.asking.x() << "," << c.asking.y();
        EXPECT_TRUE(c.area.contains(placed));
        if (c.area == screen) EXPECT_FALSE(placed.intersects(c.asking));
    }
}

// The plant's simulation dialog has its Help: the viewer opens at its topic,
// as the dialog's window beside it, and the dialog stays open and modal.
TEST_F(LanguageFollowers, TheSimulationDialogsHelpOpensItsTopicBesideIt) {
    MainWindow window;
    window.resize(1600, 1000);
    window.show();
    QWidget* manager = openManager(window);
    ASSERT_NE(manager, nullptr);
    QWidget* plant =
        OpenView(manager, "Boiler") ? View("Boiler")->findChild<QWidget*>("Technologie1") : nullptr;
    ASSERT_NE(plant, nullptr);
    QString topic;
    bool beside = false, open = false;
    testing::AnswerNextModal([&](QWidget* modal) {
        modal->findChild<QPushButton*>("ButtonHelp1")->click();
        HelpViewerWindow* viewer = HelpViewerWindow::instance();
        topic = viewer->currentTopic();
        // Beside it wherever the screen leaves a readable width on one side.
        const QRect area = modal->screen()->availableGeometry(), dialog = modal->frameGeometry();
        const bool room = std::max(area.right() - dialog.right(), dialog.left() - area.left()) >= 400;
        beside = viewer->isVisible() && viewer->parentWidget() == modal &&
                 (!room || !viewer->geometry().intersects(dialog));
        open = modal->isVisible() && QApplication::activeModalWidget() == modal;
        static_cast<QDialog*>(modal)->reject();
    });
    testing::Click(plant, QPointF(5, 5));
    EXPECT_EQ(topic, "Velmora_Sim");
    EXPECT_TRUE(beside);
    EXPECT_TRUE(open) << "Help leaves the dialog open and in charge";
    window.closeProject();
}

}  // namespace
}  // namespace velmora::host
