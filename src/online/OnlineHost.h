#pragma once
// What the online exchange needs from its surroundings, as small interfaces:
// the host's PLC state and error texts, the communication log, the symbol
// look-up, and the view that shows the exchange.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/com/PlcLink.h"
#include "online/CommLabel.h"

namespace velmora::online {

// The host's translation of a symbol name into its address text (for
// instance "INT %R120"), or nothing when the host does not know the name.
using SymbolLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The host's PLC control and error texts (base/com/PlcLink.h).
using velmora::kPlcStateNotConnected;
using velmora::PlcControl;
using velmora::PlcErrorDescriber;

// Description of a negative request result: the host's text for facility 4,
// the system's message text for the others.
std::string DescribeCommError(std::int32_t code, const PlcErrorDescriber* host);

// The communication log ("comm.log"). enabled() is asked before a line is
// built, so that the hexadecimal dumps cost nothing while the log is off.
class CommLogSink {
public:
    virtual ~CommLogSink() = default;
    virtual bool enabled() const = 0;
    virtual void write(std::string_view line) = 0;
};

// The module's comm.log, switched by "/USECOMMLOGFILE".
class ModuleCommLog : public CommLogSink {
public:
    bool enabled() const override;
    void write(std::string_view line) override;
};

// The page on which a missing input or output variable is chosen.
enum class VariablePage {
    ControlledVariable1,  // the controlled-variable page for y1
    ControlledVariable2,
    ControlledVariable3,
    Output,      // the output page
    Simulation,  // the simulation dialog (additional output)
    Pidma,       // the PIDMA page (Input, Output)
};

// The data state a communication tick found, with the communication tool
// buttons' image (31 not active, 32 receiving, 33 no data).
struct TickResult {
    TDataState state = TDataState::dsNoComm;
    int image = 31;
    bool newSample = false;  // a sample with new data is to be stored
};

// The online view as the exchange sees it. Every call comes on the
// user-interface thread; a view may close itself inside any of them.
class OnlineViewSink {
public:
    virtual ~OnlineViewSink() = default;
    // Both communication labels of the view.
    virtual void showCommState(TCommState state, bool fixed) {}
    // Switched online (buttons pressed) or offline (buttons released, the
    // parameter edits reloaded from the controller file); data state dsNoComm, image 31.
    virtual void onlineChanged(bool online) {}
    // Outcome of the view's communication tick.
    virtual void commTicked(const TickResult& result) {}
    // The want-data flag was set again: refresh the controls with writes pending.
    virtual void refreshPendingControls() {}
    // The tuner report (message 0x85DF) with its code.
    virtual void tunerReport(int code) {}
    // A pending write failed (its log text); it is not repeated.
    virtual void writeFailed(const char* logText) {}
    // The close message 0x85E1, posted from the callback or sent from a notification.
    virtual void closeMessage(bool sent) {}
    // A missing input or output variable: switch offline has happened; open
    // the page on which it is chosen, modally.
    virtual void openVariablePage(VariablePage page) {}
    // Going online found the controller's section gone.
    virtual void controllerVanished() {}
    // SimTimer1: the periodic step (plant simulation).
    virtual void simulationStep() {}
    // CommTimer1 got another interval: the simulation's coefficients are stale.
    virtual void sampleTimeChanged() {}
};

}  // namespace velmora::online
