#pragma once
// TFormReg1: the hidden main form of the plug-in. It lives from installation to
// uninstallation and holds what every part shares: the host pointers (through
// the plug-in object's HostLink), the two timers, the open online views, the
// current controller and the frame's flags.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"
#include "controllers/ControllerFile.h"
#include "online/OnlineHost.h"
#include "online/OnlineSession.h"
#include "plugin/FormFactory.h"

namespace velmora {

class IniFile;

// The host interfaces the plug-in object holds while it is installed.
struct HostLink {
    com::ComPtr<IYantProjectManager> projectManager;
    com::ComPtr<IYantRegisterCentre> registerCentre;
    com::ComPtr<IYantMenu> menu;
    com::ComPtr<IOrvaneCommLoop> commLoop;
    com::ComPtr<IOrvaneIDE> ide;
    com::ComPtr<IOrvanePlcControl> plcControl;
    com::ComPtr<IConnectedPlc> connectedPlc;  // optional: error texts of the PLC connection
};

class TFormReg1 {
public:
    TFormReg1(void* owner, const HostLink& host, FrontEnd& frontEnd);
    ~TFormReg1();
    TFormReg1(const TFormReg1&) = delete;
    TFormReg1& operator=(const TFormReg1&) = delete;

    const HostLink& host() const { return host_; }
    FrontEnd& frontEnd() { return frontEnd_; }
    Toolkit& toolkit() { return frontEnd_.toolkit(); }
    void* owner() const { return owner_; }

    // The online views' exchanges with the PLC: the communication callback,
    // the host's lost-communication notifications and the two timers.
    online::OnlineSession& onlineSession() { return *online_; }
    Timer& SimTimer1() { return online_->simTimer(); }
    Timer& CommTimer1() { return online_->commTimer(); }

    // ---- Host facts, asked afresh each time ----
    // The project directory as the host reports it (ending with a separator), or empty.
    std::string projectDirectory() const;
    // The name of the open PLC, empty when none.
    std::string plcName() const;
    // Creates the project's "Velmora" folder when the project directory is known. True.
    bool ensureProjectFolder();
    // Project directory · "Velmora\" · PLC name · ".rglx", as a host path.
    std::string controllerFileHostPath() const;
    std::filesystem::path controllerFilePath() const;

    // ---- The current controller (pages and tools work on it) ----
    std::string currentController;
    bool wizardRunning = false;
    int signalIndex = 0;  // 0, 1, 2: Y1, Y2, Y3 for the controlled-variable page
    // Opens the controller file of the open PLC (creating the project folder).
    IniFile& openControllerFile();
    void releaseControllerFile();
    // The current controller's section.
    std::string currentSection() const { return ControllerSection(currentController); }

    // ---- Flags shared by all parts ----
    bool generated = false;
    bool compileWarningGiven = false;  // "Start all" warned about fresh code for every view
    // Whether the last press of a view's communication button asked for
    // communication: after compiling, the views then look their symbols up again.
    bool commOnResume = false;
    // Set by the lost-communication notifications, cleared when the loop is back.
    bool commLost() const { return online_->commPending(); }
    std::int32_t generatedCount = 0;
    // Why controllers of the current compile-start pass were not generated.
    std::vector<std::string> generateErrors;
    std::int32_t imageIndex = 0;
    std::int32_t plcTypeIndex = 0;
    com::ComPtr<IYantMenuItem> helpEntry;
    com::ComPtr<IYantMenuItem> pluginsHelpEntry;
    // The report view, created and kept by the plug-in object.
    ReportForm* report = nullptr;

    int language() const { return language_; }
    // Reloads the text table when the number differs from the one held.
    void setLanguage(int number);

    // ---- Operations ----
    // Generates the code of one controller from the open PLC's controller file.
    // The default runs the code generator against the host; tests may replace it.
    using Generator = std::function<void(TFormReg1& frame, IniFile& controllerFile, std::string_view name)>;
    void setGenerator(Generator generator) { generator_ = std::move(generator); }
    void generate(std::string_view controllerName);

    // Opens (creates and docks on first use) the controller manager.
    void showManager();
    ControllerManagerForm* manager() const { return manager_.get(); }
    // Opens the online view of a controller, or brings it to the front.
    bool openOnlineView(const std::string& controllerName);
    void localize();
    void helpClick();
    // The click handler of the help entry; it calls helpClick while the frame lives.
    IYantClickHandler* helpClickHandler() const { return helpHandler_.get(); }

    // Desktop events.
    void loadDesktop(IUnknown* storage);
    void saveDesktop(IUnknown* storage);

    // ---- Online views ----
    const std::vector<OnlineViewForm*>& views() const { return views_; }
    // Called by a view that is being destroyed; a view not in the list is ignored.
    void forgetView(OnlineViewForm* view);
    // The host opened or closed a PLC: the views of the old one close, the
    // manager lists the new one's controllers. The host still names the PLC
    // while it reports the closing; from then on the frame knows of no PLC.
    void plcChanged(bool opened);

private:
    class HostPlcControl;
    class HostErrorTexts;
    online::OnlineEnvironment onlineEnvironment();
    OnlineViewForm* createView(const std::string& controllerName);
    com::ComPtr<IYantWindows> windows() const;

    void* owner_;
    const HostLink& host_;
    FrontEnd& frontEnd_;
    std::unique_ptr<TimerFactory> ownTimers_;
    std::unique_ptr<HostPlcControl> plcControl_;
    std::unique_ptr<HostErrorTexts> errorTexts_;
    online::ModuleCommLog commLog_;
    std::unique_ptr<online::OnlineSession> online_;
    int language_ = 1;
    std::vector<OnlineViewForm*> views_;
    std::string viewsFile_;   // the controller file the open views show
    bool plcClosed_ = false;  // between the host's close and open events
    std::unique_ptr<ControllerManagerForm> manager_;
    std::unique_ptr<IniFile> controllerFile_;
    Generator generator_;
    com::ComPtr<IYantClickHandler> helpHandler_;
};

// The comma-text split of the desktop values: items separated by commas or
// blanks, a double-quoted item may hold either.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace velmora
