#pragma once
// The decisions of the new-controller dialog TFormNew1: which kinds it offers,
// which name it proposes, and what accepting it writes into the controller file.
// The Qt form (FormNew1) only wires widgets to this class.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class IniFile;
class MessageBoxes;

// The host project's file list (relative names, one per line) with removal by
// list position.
class ProjectFileList {
public:
    virtual ~ProjectFileList() = default;
    virtual std::string files() = 0;
    virtual void remove(int index) = 0;
};

// Takes a controller's generated files out of the project's file list (they stay
// on disk): first the declarations file, "_def.ST" or "_def.orv" after
// headerInST, then, on a fresh list, the code file. Names compare in upper
// case; a file not in the list is skipped. Returns how many entries went.
int RemoveGeneratedFiles(ProjectFileList& project, std::string_view name, bool headerInST);

// What the dialog needs from the frame and the host.
class NewControllerHost {
public:
    virtual ~NewControllerHost() = default;
    // Series number of the open PLC; nullopt when the host does not answer.
    virtual std::optional<int> plcSeries() = 0;
    // The open PLC's controller file (the project folder already ensured).
    virtual std::filesystem::path controllerFile() = 0;
    virtual void setCurrentController(const std::string& name) = 0;
    virtual void setWizardRunning(bool running) = 0;
    // Closes the online view of that controller when one is open.
    virtual void closeOnlineView(const std::string& name) = 0;
    // The project's file list; null when the host's project interface cannot be had.
    virtual ProjectFileList* projectFiles() = 0;
};

// Series from which the PLC runs the floating-point controller and IEC declarations.
constexpr int kFirstIecSeries = 6;
// The series the dialog assumes while the host has not told it one.
constexpr int kUnknownSeries = 0;

struct NewControllerLayout {
    std::vector<std::string> kinds;  // texts of ComboBox1, first one selected
    bool dialectVisible = false;     // CheckBox1
    int height = 124;                // client height of the form
};

NewControllerLayout LayoutForSeries(int series);

// "PID_1", or the first "PID_n" (n = 2, 3, ...) without a section in the file.
std::string ProposeControllerName(const IniFile& file);

// OK is available exactly when the trimmed name and the kind are both non-empty.
bool NewControllerOkEnabled(std::string_view name, std::string_view kind);

class NewController {
public:
    NewController(NewControllerHost& host, MessageBoxes& messages);

    // Asks the host for the series, picks the layout and proposes a name.
    void create();
    int series() const { return series_; }
    const NewControllerLayout& layout() const { return layout_; }
    const std::string& proposedName() const { return proposedName_; }

    // OK click: makes the typed name legal, marks OK when it had to be corrected,
    // and leaves the legal name as the current controller with the wizard running.
    void okClick(std::string_view typedName);
    // Cancel (or any close that is not OK): no current controller, wizard not running.
    void cancelClick();
    // Close query of a close through OK; false keeps the dialog open. Writes
    // Name, Type and HeaderInST when it lets the dialog close.
    bool closeQuery(std::string_view kind, bool headerInST);

    const std::string& name() const { return name_; }  // the legal name of the last OK click
    bool marked() const { return marked_; }            // OK button's tag = 1

private:
    NewControllerHost& host_;
    MessageBoxes& messages_;
    int series_ = kUnknownSeries;
    NewControllerLayout layout_;
    std::string proposedName_;
    std::string name_;
    bool marked_ = false;
};

}  // namespace velmora
