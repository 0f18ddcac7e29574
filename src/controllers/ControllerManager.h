#pragma once
// The decisions of the controller manager TFormRegMngr1: which controllers the
// list shows, which commands are available, and what adding, removing,
// importing, exporting, starting and stopping do. The Qt form only shows this
// state and forwards the user's clicks.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class MessageBoxes;

// An open online view as the manager sees it.
struct ManagerViewState {
    std::string controllerName;
    bool communicating = false;
};

// The answer of the open-as dialog: the name to store an import under.
struct ImportName {
    std::string name;
    bool headerInST = true;
};

// What the manager needs from the frame (TFormReg1) and the host.
class ManagerHost {
public:
    virtual ~ManagerHost() = default;

    virtual MessageBoxes& messages() = 0;
    // The open PLC's controller file, with the project folder "Velmora" ensured.
    // Throws when the host cannot tell the project or the PLC.
    virtual std::filesystem::path controllerFile() = 0;
    // Code was generated since the last compilation.
    virtual bool codeGenerated() = 0;
    // While set, views go online on fresh code without their own compile
    // warning: "Start all" has given it once for all of them.
    virtual void setCompileWarningGiven(bool given) = 0;

    // The new-controller dialog followed by the wizard pages.
    virtual void runNewControllerWizard() = 0;
    virtual void generate(const std::string& controllerName) = 0;
    // Opens the controller's online view, or brings it to the front; false
    // (after telling the user) when it cannot be shown.
    virtual bool openOnlineView(const std::string& controllerName) = 0;
    // The manager's first dock flag as the IDE keeps it.
    virtual bool managerDockFlag() = 0;
    virtual void setManagerDockFlag(bool value) = 0;

    // Every open online view, in opening order.
    virtual std::vector<ManagerViewState> onlineViews() = 0;
    // Marks the view of that controller as opened from the manager and presses
    // its communication button, which toggles its communication.
    virtual void toggleViewCommunication(const std::string& controllerName) = 0;
    // Shows the view of that controller, then closes it.
    virtual void closeOnlineView(const std::string& controllerName) = 0;

    // The project's file list, relative names one per line; nullopt when the
    // host's project interface cannot be had.
    virtual std::optional<std::string> projectFiles() = 0;
    // Removes the entry at that position of the list from the project (the
    // file stays on disk).
    virtual void removeProjectFile(int index) = 0;

    // The open-as dialog preset with a name; nullopt when it is cancelled.
    virtual std::optional<ImportName> askImportName(const std::string& proposed) = 0;
    // The help file at its start page.
    virtual void showHelp() = 0;
};

// The manager's two file dialogs; nullopt when cancelled.
struct ManagerFileDialogs {
    // Load controller: a ".rgl" file to import, starting in folder.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& folder)> openImport;
    // Save controller to file, starting in folder with the proposed file name.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& folder,
                                                       const std::string& proposedName)>
        saveExport;
};

struct ManagerLine {
    std::string text;
    bool checked = false;
    bool operator==(const ManagerLine&) const = default;
};

// Which commands are available.
struct ManagerCommands {
    bool startSelected = false, stopSelected = false;
    bool startAll = false, stopAll = false;
    bool add = false, remove = false;
    bool import = false, exportSelected = false;
    bool operator==(const ManagerCommands&) const = default;
};

ManagerCommands CommandsFor(const std::vector<ManagerLine>& lines, int selected);

// The line text of a controller-file section: its name without the first ten
// characters (the prefix "Regulator "); a shorter name gives an empty text.
std::string ManagerLineText(std::string_view section);

// A file dialog filter of the text table ("Controller file (*.rgl)|*.rgl",
// description and pattern pairs) in the form "Controller file (*.rgl)", pairs
// separated by ";;".
std::string FileDialogFilter(std::string_view pairs);

// The export file of a controller: the section header and every key=value line
// of the controller's section, CRLF line ends.
std::string ExportText(const std::filesystem::path& controllerFile, std::string_view controllerName);

class ControllerManager {
public:
    ControllerManager(ManagerHost& host, ManagerFileDialogs dialogs);

    const std::vector<ManagerLine>& lines() const { return lines_; }
    int selected() const { return selected_; }
    // A line index, or -1 for none; anything else selects none.
    void select(int index);
    // Nothing is available while no PLC is open.
    ManagerCommands commands() const {
        return listFile_.empty() ? ManagerCommands{} : CommandsFor(lines_, selected_);
    }

    // Reloads the list from the controller file and selects the first line.
    void refresh();
    // Sets each line with an open view to that view's communication state.
    void updateChecks();
    // Clears the check box of the controller's line (its view stopped or closed).
    void uncheck(std::string_view controllerName);

    // Double click: opens the selected controller's online view.
    void openSelected();
    // Click on the check box of a line: opens its view and toggles the view's
    // communication. The box then shows the view's state, so a view that
    // could not be opened leaves it clear.
    void checkBoxClick(int index);
    void startAll();
    void stopAll();
    void startSelected();
    void stopSelected();

    void add();
    void removeSelected();
    void importController();
    void exportSelected();

    // Called after every change of lines, checks or selection.
    std::function<void()> changed;

private:
    std::filesystem::path controllerFile();  // empty when the host cannot tell
    std::filesystem::path dialogFolder();
    // False, after refreshing, when the open PLC is not the one the list came
    // from: a command then acts on nothing rather than on another PLC's file.
    bool listIsCurrent();
    // False when the host's project interface cannot be had.
    void reportError(const std::string& message);
    void notify();

    ManagerHost& host_;
    ManagerFileDialogs dialogs_;
    std::vector<ManagerLine> lines_;
    int selected_ = -1;
    std::filesystem::path listFile_;  // the controller file the list shows; empty: no PLC
};

}  // namespace velmora
