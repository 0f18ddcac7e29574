#pragma once
// velmora-host's main window over the host's logic: opens a project, loads the
// registered plug-ins into it, raises the IDE's events from menus and the
// project tree, and shows what the plug-ins asked the host for (menu entries,
// tool-bar buttons, tree nodes, dockable forms, documents).
//
// Forms and documents cross the host interfaces as the plug-in's toolkit
// objects; here they must be QWidgets. A handle that is no live QWidget (a
// plug-in running without windows) is kept in the host's books but not shown.
#include <QElapsedTimer>
#include <QTimer>

#include <filesystem>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HostWindow.h"

namespace velmora::host {

class HostIde;
class HostSoftPlc;
class HostMenuItem;
class PluginHost;

class MainWindow : public HostWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Closes the open project and opens the one in folder, loading the plug-ins
    // registered in the registry file. False (with a message) when the folder
    // has no project description.
    bool openProject(const QString& folder);
    // Saves the desktop, closes the PLC, unloads the plug-ins.
    void closeProject();
    bool openPlc(const QString& plc);
    void closePlc();
    bool compile();
    void changeLanguage(int code);

    HostIde* ide() const { return ide_.get(); }
    // Problems met while loading plug-ins, one line each.
    const QStringList& problems() const { return problems_; }

    // Brings menus, bars, the tree and the documents in line with what the
    // plug-ins asked of the host. Runs after every event the window raises and
    // on a short timer, since the plug-ins also call the host from their own
    // windows. Dockable forms follow the host's dock hooks at once.
    void sync();

    // The user guide in the stand-in's language (the help-path rule, with its
    // fallback); empty when none is installed.
    QString guideFile() const;
    // Help > Contents (the guide's start page) and Help > Index (its index
    // page); false when no guide is installed.
    bool showGuide(bool index);

    // From now on, what the windows show (forms, areas, screen geometry, the
    // named widgets and their texts) is kept in this file whenever it changes,
    // for scripts that drive the window from outside. A failed write is said once.
    void keepStateIn(const std::filesystem::path& file);
    QString describe() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool compiling_ = false;  // the plug-ins let the message loop run while they generate
    // The desktop lives in the PLC's controller file: it is stored before the
    // PLC closes and loaded once it is open.
    void saveDesktop();
    void loadDesktop();
    void reportArea(QWidget* form);
    // Forms (by object name) that were shown when the desktop was saved; the
    // plug-in recreates them hidden.
    QStringList shownForms_;
    std::filesystem::path stateFile_;
    QString writtenState_;
    bool stateFailed_ = false;
    QTimer stateTimer_;
    void writeState();
    void syncMenu(int number);
    void syncBar(int number);
    void syncTree();
    void hookForms();
    void syncDocuments();
    void fillMenu(QMenu* menu, HostMenuItem& root);
    // The host's own help entries (contents, index, separator, about); the
    // whole help menu while no project is open.
    QAction* addHostHelpEntry(QMenu* menu, const std::string& name);
    void showHostHelp();
    QWidget* widgetOf(void* handle) const;

    std::unique_ptr<HostIde> ide_;
    std::unique_ptr<PluginHost> plugins_;
    // The project's PLC: a soft PLC whose comm loop runs on commTimer_.
    std::unique_ptr<HostSoftPlc> softPlc_;
    QTimer commTimer_;
    // The PLC's scans: every 10 ms of real time, the soft PLC runs what is due.
    QTimer plcTimer_;
    QElapsedTimer plcClock_;
    QStringList problems_;
    QTimer syncTimer_;
    bool syncPending_ = false;
    std::map<int, std::string> menuShapes_;
    std::map<int, std::string> barShapes_;
    std::string treeShape_;
};

// Runs the main window: "velmora-host [PROJECT_DIR [PLC]] [IDE switches]".
// Returns the application's exit code.
int RunMainWindow(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace velmora::host
