// The stand-in's services behind the plug-in's pages: the help books and their
// viewer, the variable selection and the language the stand-in keeps.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "HelpViewerWindow.h"
#include "RegisteredPlugin.h"
#include "VariableSelectionWindow.h"
#include "base/Help.h"
#include "base/Texts.h"
#include "host/HostIde.h"

namespace velmora::host {
namespace {

const std::filesystem::path kBin = VELMORA_BIN_DIR;

// Every help topic the plug-in's code names; a name built from a prefix
// stands for the prefix with each suffix the code adds to it.
std::set<std::string> TopicNamesInTheCode() {
    const std::map<std::string, std::vector<std::string>> composed = {
        {"Velmora_Str_", {"PID", "PIDA"}},  // the controller's Type
        {"Velmora_Y", {"1", "2", "3"}},     // the signal number
    };
    // The dialogs of the graph axes and the simulation name these.
    std::set<std::string> names = {"Velmora_Sim", "Velmora_graph"};
    const std::regex literal(R"re("(Velmora_[A-Za-z0-9_]*)"(\s*\+)?)re");
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::filesystem::path(VELMORA_SOURCE_DIR) / "src")) {
        if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        for (std::sregex_iterator m(text.begin(), text.end(), literal), end; m != end; ++m) {
            const std::string name = (*m)[1];
            if (!(*m)[2].matched) {
                names.insert(name);
                continue;
            }
            const auto found = composed.find(name);
            EXPECT_NE(found, composed.end()) << "a topic composed from " << name << " in " << entry.path();
            if (found != composed.end())
                for (const auto& suffix : found->second) names.insert(name + suffix);
        }
    }
    return names;
}

class HelpBooks : public ::testing::Test, private testing::WithUiApp {
protected:
    void TearDown() override { HelpViewerWindow::closeInstance(); }
};

TEST_F(HelpBooks, EveryTopicIsInEveryBookAndThePlugInsHelpFindsItOrSaysItIsMissing) {
    const std::set<std::string> topics = TopicNamesInTheCode();
    ASSERT_GE(topics.size(), 15u) << "the scan found the forms' topics";
    for (const char* book : {"ENU_Velmora.html", "CSY_Velmora.html", "RUS_Velmora.html"}) {
        const std::string file = (kBin / "HELP" / book).string();
        for (const std::string& topic : topics) {
            HelpLinkRecord link;
            const std::string keywords = "a_" + topic;
            link.keywords = keywords.c_str();
            void* shown =
                HtmlHelpA(nullptr, file.c_str(), kHelpALinkLookup, reinterpret_cast<std::uintptr_t>(&link));
            ASSERT_NE(shown, nullptr) << book << " has no topic " << topic;
            EXPECT_EQ(static_cast<HelpViewerWindow*>(shown)->currentTopic().toStdString(), topic);
        }
    }
    ModuleTexts().chooseLanguage(1);
    const struct {
        int language;
        const char* topic;
        const char* book;  // the book that opens
        bool found;
    } cases[] = {
        {1, "Velmora_PReg2", "ENU_Velmora.html", true},
        {0, "Velmora_W1", "CSY_Velmora.html", true},
        {2, "Velmora_U1", "RUS_Velmora.html", true},
        {4, "Velmora_U1", "ENU_Velmora.html", true},  // no DEU book: the fallback's English
        {1, "Velmora_NoSuchPage", "ENU_Velmora.html", false},
        {1, "", "ENU_Velmora.html", true},  // no topic: the start page
    };
    for (const auto& c : cases) {
        testing::ScriptedMessages messages;
        const HelpViewer viewer = DesktopHelpViewer(&messages);
        ASSERT_TRUE(viewer.lookup) << "the program's help library is found";
        EXPECT_TRUE(ShowHelp(viewer, kBin.string(), c.language, "Velmora.hlp", c.topic, ""));
        HelpViewerWindow* window = HelpViewerWindow::instance();
        EXPECT_TRUE(window->file().endsWith(c.book)) << c.topic << ": " << window->file().toStdString();
        if (c.found) {
            EXPECT_TRUE(messages.shown.empty()) << c.topic;
            EXPECT_EQ(window->currentTopic().toStdString(), *c.topic ? c.topic : "Velmora");
        } else {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, Text(3564));
        }
    }
}

TEST(VariableSelection, ListsFiltersAndSaysWhenThereAreNoVariables) {
    testing::UiApp();
    const std::vector<HostIde::Variable> variables = {
        {"Boiler_T", "INT", "%R200"}, {"Mixer_Speed", "INT", "%R210"}, {"Dryer_Heater", "REAL", "%R224"}};
    VariableSelectionWindow picker(variables, "mixer_speed");
    EXPECT_EQ(picker.chosen(), "Mixer_Speed") << "the edit's name is selected";
    EXPECT_FALSE(picker.findChild<QLabel*>("NoVariables")->isVisibleTo(&picker));
    const struct {
        const char* filter;
        const char* chosen;
    } cases[] = {{"real", "Dryer_Heater"}, {"%R200", "Boiler_T"}, {"nothing", ""}, {"", "Boiler_T"}};
    for (const auto& c : cases) {
        picker.filter(c.filter);
        EXPECT_EQ(picker.chosen().toStdString(), c.chosen) << c.filter;
        EXPECT_EQ(picker.findChild<QPushButton*>("OkButton")->isEnabled(), *c.chosen != 0) << c.filter;
    }
    VariableSelectionWindow empty({}, "Y1");
    EXPECT_TRUE(empty.findChild<QLabel*>("NoVariables")->isVisibleTo(&empty));
    EXPECT_FALSE(empty.findChild<QPushButton*>("OkButton")->isEnabled());
}

#ifdef VELMORA_PLUGIN_MODULE
// velmora-host with the real plug-in module, as a user has it.
class HostWithPlugin : public RegisteredPlugin {
protected:
    void TearDown() override {
        HelpViewerWindow::closeInstance();
        RegisteredPlugin::TearDown();
    }
};

TEST_F(HostWithPlugin, AWizardPagePicksAVariableAndOpensItsHelpTopic) {
    MainWindow window;
    ASSERT_NE(openManager(window), nullptr);
    QString picked, helpTopic;
    QStringList listed;
    testing::AnswerNextModal([&](QWidget* newController) {
        newController->findChild<QLineEdit*>("Edit1")->setText("Picked");
        testing::AnswerNextModal([&](QWidget* page) {
            ASSERT_EQ(page->objectName(), "FormY1");
            testing::AnswerNextModal([&](QWidget* picker) {
                picker->findChild<QLineEdit*>("Filter")->setText("mixer_sp");
                auto* list = picker->findChild<QTreeWidget*>("Variables");
                for (int i = 0; i < list->topLevelItemCount(); ++i)
                    if (!list->topLevelItem(i)->isHidden())
                        listed << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(1) +
                                      " " + list->topLevelItem(i)->text(2);
                picker->findChild<QPushButton*>("OkButton")->click();
            });
            page->findChild<QPushButton*>("SelVar1")->click();
            picked = page->findChild<QLineEdit*>("EditName1")->text();
            page->findChild<QPushButton*>("HelpButton1")->click();
            if (auto* viewer = page->findChild<HelpViewerWindow*>("HelpViewer"))
                helpTopic = viewer->currentTopic();
            page->findChild<QPushButton*>("Button2")->click();
        });
        newController->findChild<QPushButton*>("Button1")->click();
    });
    window.findChild<QToolButton*>("ToolButton1")->click();

    EXPECT_EQ(listed, QStringList{"Mixer_Speed INT %R210"});
    EXPECT_EQ(picked, "Mixer_Speed");
    EXPECT_EQ(helpTopic, "Velmora_Y1");
    window.closeProject();
}

TEST_F(HostWithPlugin, TheChosenLanguageComesBackAfterARestart) {
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
#endif

}  // namespace
}  // namespace velmora::host
