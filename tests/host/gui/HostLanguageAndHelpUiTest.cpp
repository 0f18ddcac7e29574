// What a user of velmora-host meets when switching languages and asking for help.
#include <QLabel>
#include <QTabBar>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>

#include "RegisteredPlugin.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "host/HostIde.h"
#include "host/gui/HelpViewerWindow.h"

namespace velmora::host {
namespace {

class LanguageAndHelp : public RegisteredPlugin {
protected:
    static QAction* HelpEntry(MainWindow& window, const char* name) {
        return window.hostMenu(kMenuHelp)->findChild<QAction*>(name);
    }
};

TEST_F(LanguageAndHelp, TheViewAndTheManagerSpeakCzechAndRussianAndTheManagersQuestionMarkHelps) {
    MainWindow window;
    QWidget* manager = openManager(window, false);
    ASSERT_NE(manager, nullptr);
    ASSERT_NE(OpenView(manager, "Dryer"), nullptr);  // a PIDMA controller, beside a PID one
    QWidget* boiler = OpenView(manager, "Boiler");
    ASSERT_NE(boiler, nullptr);
    // Only what opens something looks clickable: "w" has no page, its filter has.
    for (const auto& [element, shape] : {std::pair{"WInput1", Qt::ArrowCursor},
                                         {"WFiltr1", Qt::PointingHandCursor},
                                         {"Technologie1", Qt::PointingHandCursor}})
        EXPECT_EQ(boiler->findChild<QWidget*>(element)->cursor().shape(), shape) << element;
    using Probe = std::function<QString(QWidget*)>;
    const Probe text = [](QWidget* w) {
        auto* b = qobject_cast<QAbstractButton*>(w);
        return b ? b->text() : qobject_cast<QLabel*>(w)->text();
    };
    const Probe tip = [](QWidget* w) { return w->toolTip(); };
    const auto tab = [](int i) {
        return Probe([i](QWidget* w) { return static_cast<QTabBar*>(w)->tabText(i); });
    };
    const Probe header = [](QWidget* w) {
        return static_cast<QTableWidget*>(w)->horizontalHeaderItem(1)->text();
    };
    const struct {
        const char* owner;  // a view's controller, or the manager
        const char* widget;
        Probe read;
    } probes[] = {
        {"Boiler", "TabSet1", tab(0)},     {"Boiler", "TabSet1", tab(1)},
        {"Boiler", "TabSet1", tab(2)},     {"Boiler", "WFiltr1", tip},
        {"Boiler", "ManButton1", text},    {"Boiler", "SimLabel1", text},
        {"Boiler", "StringGrid2", header}, {"Boiler", "UseSettingsBtn1", text},
        {"Boiler", "ToolButton10", text},  {"Dryer", "Tuner1", tip},
        {"Dryer", "Technologie1", tip},    {"Dryer", "TuneButton1", text},
        {"Dryer", "ParamsButton1", text},  {"manager", "HelpButton1", tip},
    };
    const auto read = [&](const auto& p) {
        QWidget* owner = std::string(p.owner) == "manager" ? manager : View(p.owner);
        QWidget* w = owner ? owner->findChild<QWidget*>(p.widget) : nullptr;
        return w ? p.read(w) : QString();
    };
    std::vector<QString> english;
    for (const auto& p : probes) english.push_back(read(p));
    for (const char* language : {"Language405", "Language407"}) {
        window.findChild<QAction*>(language)->trigger();
        for (std::size_t i = 0; i < std::size(probes); ++i) {
            const QString shown = read(probes[i]);
            EXPECT_FALSE(english[i].isEmpty()) << probes[i].widget;
            EXPECT_FALSE(shown.isEmpty()) << language << " " << probes[i].widget;
            EXPECT_NE(shown, english[i]) << language << " " << probes[i].owner << " " << probes[i].widget;
        }
    }
    window.findChild<QAction*>("Language409")->trigger();
    manager->findChild<QToolButton*>("HelpButton1")->click();
    EXPECT_TRUE(HelpViewerWindow::instance()->isVisible());
    EXPECT_EQ(HelpViewerWindow::instance()->currentTopic(), "Velmora") << "the start page, as F1";
    EXPECT_TRUE(HelpEntry(window, "miHelpContents")->isEnabled()) << "the host's entries with a project open";
    window.closeProject();
    EXPECT_NE(HelpEntry(window, "miHelpAbout"), nullptr) << "the help menu outlives the project";
}

// The host's own menus and Qt's dialogs speak the language chosen before the
// restart, and the plug-in installs in it.
TEST_F(LanguageAndHelp, TheChosenLanguageComesBackAfterARestart) {
    {
        MainWindow first;
        ASSERT_TRUE(first.openProject(QString::fromStdString(project.string())));
        first.findChild<QAction*>("Language405")->trigger();
        first.closeProject();
    }
    MainWindow second;
    EXPECT_EQ(second.languageCode(), kLanguageCzech);
    EXPECT_EQ(second.findChild<QMenu*>("FileMenu")->title(), "&Soubor") << "the host's own menus";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Zrušit") << "Qt's dialogs";
    ASSERT_TRUE(second.openProject(QString::fromStdString(project.string())));
    EXPECT_EQ(second.ide()->language, 0) << "the plug-in installs in Czech";
    second.findChild<QAction*>("Language409")->trigger();
    EXPECT_EQ(second.findChild<QMenu*>("FileMenu")->title(), "&File");
    QTreeWidgetItem* documents = second.treeNode("PlcDoc");
    ASSERT_EQ(documents->childCount(), 1) << "the plug-in's node, added again";
    EXPECT_EQ(documents->child(0)->text(0), "Controllers information");
    second.closeProject();
}

TEST_F(LanguageAndHelp, HelpContentsAndIndexOpenTheGuideOfTheLanguage) {
    MainWindow window;
    for (const auto& [language, book] : {std::pair{"Language409", "ENU_Velmora.html"},
                                         {"Language405", "CSY_Velmora.html"},
                                         {"Language407", "RUS_Velmora.html"}}) {
        window.findChild<QAction*>(language)->trigger();
        ASSERT_NE(HelpEntry(window, "miHelpContents"), nullptr) << "without a project, too";
        ASSERT_TRUE(HelpEntry(window, "miHelpContents")->isEnabled());
        HelpEntry(window, "miHelpContents")->trigger();
        HelpViewerWindow* viewer = HelpViewerWindow::instance();
        EXPECT_TRUE(viewer->isVisible() && viewer->file().endsWith(book)) << viewer->file().toStdString();
        EXPECT_EQ(viewer->currentTopic(), "Velmora") << "the start page";
        HelpEntry(window, "miHelpIndex")->trigger();
        EXPECT_TRUE(viewer->currentTopic().isEmpty()) << "the index page";
        const QString index = viewer->findChild<QTextBrowser*>("HelpPage")->toHtml();
        for (const QString& topic : viewer->topicNames()) EXPECT_TRUE(index.contains("#a_" + topic)) << book;
    }
    window.findChild<QAction*>("Language409")->trigger();
    // Where no guide is installed the entries cannot mean anything: disabled.
    const std::string oem = Module().oemDirectory;
    Module().oemDirectory = dir.path().string();
    MainWindow bare;
    for (const auto& [entry, enabled] :
         {std::pair{"miHelpContents", false}, {"miHelpIndex", false}, {"miHelpAbout", true}})
        EXPECT_EQ(HelpEntry(bare, entry)->isEnabled(), enabled) << entry;
    Module().oemDirectory = oem;
}

}  // namespace
}  // namespace velmora::host
