// The stand-in's help books, their viewer, and the variable selection.
#include <QLabel>
#include <QPushButton>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include "RegisteredPlugin.h"
#include "base/Help.h"
#include "base/Texts.h"
#include "host/HostIde.h"
#include "host/gui/HelpViewerWindow.h"
#include "host/gui/VariableSelectionWindow.h"

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
    std::set<std::string> names;
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
    for (const char* dialog : {"Velmora_Sim", "Velmora_graph"})
        EXPECT_TRUE(topics.count(dialog)) << "the simulation and axis dialogs name " << dialog;
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
    // Language, topic, the book that opens, whether the topic is found.
    for (const auto& [language, topic, book, found] :
         {std::tuple{0, "Velmora_W1", "CSY_Velmora.html", true},
          {1, "Velmora_NoSuchPage", "ENU_Velmora.html", false}}) {
        testing::ScriptedMessages messages;
        const HelpViewer viewer = DesktopHelpViewer(&messages);
        ASSERT_TRUE(viewer.lookup) << "the program's help library is found";
        EXPECT_TRUE(ShowHelp(viewer, kBin.string(), language, "Velmora.hlp", topic, ""));
        HelpViewerWindow* window = HelpViewerWindow::instance();
        EXPECT_TRUE(window->file().endsWith(book)) << topic << ": " << window->file().toStdString();
        if (found) {
            EXPECT_TRUE(messages.shown.empty()) << topic;
            EXPECT_EQ(window->currentTopic().toStdString(), topic);
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
    for (const auto& [filter, chosen] :
         {std::pair{"real", "Dryer_Heater"}, {"%R200", "Boiler_T"}, {"nothing", ""}, {"", "Boiler_T"}}) {
        picker.filter(filter);
        EXPECT_EQ(picker.chosen().toStdString(), chosen) << filter;
        EXPECT_EQ(picker.findChild<QPushButton*>("OkButton")->isEnabled(), *chosen != 0) << filter;
    }
    VariableSelectionWindow empty({}, "Y1");
    EXPECT_TRUE(empty.findChild<QLabel*>("NoVariables")->isVisibleTo(&empty));
    EXPECT_FALSE(empty.findChild<QPushButton*>("OkButton")->isEnabled());
}

}  // namespace
}  // namespace velmora::host
