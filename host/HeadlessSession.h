#pragma once
// The headless engine behind velmora-host online and run: the plug-in object
// installed in this process on a headless front end, the project's PLC
// opened and compiled (the soft PLC compiles and starts its program), and
// one virtual clock that runs the PLC's scans, the communication loop (every
// 100 ms) and the plug-in's CommTimer1 and SimTimer1 at their intervals (the
// online views simulate their plants on SimTimer1), as fast as the CPU allows.
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Toolkit.h"
#include "host/CommandMessages.h"
#include "host/HostIde.h"
#include "host/HostSoftPlc.h"

namespace velmora {
class TFormReg1;
class HeadlessFrontEnd;
class HeadlessOnlineView;
}  // namespace velmora

namespace velmora::host {

class HeadlessSession {
public:
    // Throws std::runtime_error when the folder holds no project.
    HeadlessSession(const std::string& projectDir, std::ostream& err);
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Installs the plug-in, opens the PLC and compiles (the plug-in
    // generates its controllers, the soft PLC compiles and starts the
    // program). False when the plug-in or the PLC is missing (said on err).
    bool open(const std::string& plc, double cycleMs = 10);
    // Whether the soft PLC's program compiled.
    bool programReady() { return soft_->engine().hasProgram(); }

    HostIde& ide() { return ide_; }
    HostSoftPlc& soft() { return *soft_; }
    TFormReg1& frame();

    // Opens the controller's online view and switches it online; nullptr
    // (said on err) when it cannot.
    HeadlessOnlineView* goOnline(const std::string& controller);
    HeadlessOnlineView* view(const std::string& controller);
    // Closes the controller's loop through the plant simulation of its open
    // view when its section says Simulation=1; false with the reason otherwise.
    bool simulate(const std::string& controller, std::string& why);

    // Runs everything for `ms` of virtual time.
    void advance(double ms) { soft_->advance(ms); }
    double now() const { return soft_->engine().now(); }

    // A stop-icon message of the plug-in was shown.
    bool stopMessageShown() const;
    // A plug-in failed one of the host's events (a controller it could not
    // generate, among others); said on err when it happened.
    bool eventFailed() const { return messages_.eventFailed(); }
    // Ends a run: says the PLC's run-time error, stops the PLC and saves its
    // retained memory. False when the run failed: a run-time error, a failed
    // event of a plug-in, a stop message, or a failed save of retained memory
    // (now or at a restart before).
    bool finish();
    // The plug-in's front end: its message boxes and how they are answered.
    HeadlessFrontEnd& frontEnd();

    // The status word the communication loop reports from now on instead of
    // the soft PLC's own; nothing goes back to the soft PLC's.
    void overrideStatus(std::optional<std::uint32_t> status) { statusOverride_ = status; }

private:
    class WatchedFrontEnd;
    void scheduleTimers();
    void commLoopPass();

    std::ostream& err_;
    CommandMessages messages_;
    HostIde ide_;
    std::unique_ptr<HostSoftPlc> soft_;
    WatchedFrontEnd* frontEnd_ = nullptr;
    com::ComPtr<IYantPlugin> plugin_;
    bool installed_ = false;
    std::unique_ptr<Clock> clock_;
    std::vector<std::unique_ptr<std::function<void()>>> timerTicks_;
    std::optional<std::uint32_t> statusOverride_;
};

}  // namespace velmora::host
