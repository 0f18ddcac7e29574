#pragma once
// The frame's side of the online exchange: the list of online views, the
// communication state shared by all of them, the host's communication
// callback and its soft-off and hard-off notifications, and the two timers
// CommTimer1 (pacing) and SimTimer1 (simulation steps).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Toolkit.h"
#include "base/com/CommLoop.h"
#include "online/CommLabel.h"
#include "online/ExchangeSettings.h"
#include "online/OnlineHost.h"

namespace velmora::online {

class OnlineExchange;

// Everything the views' exchanges take from the plug-in frame.
struct OnlineEnvironment {
    MessageBoxes* messages = nullptr;
    const Clock* clock = nullptr;
    const PlcControl* plc = nullptr;            // null: treated as not connected
    const PlcErrorDescriber* errors = nullptr;  // the host's error texts (facility 4)
    CommLogSink* log = nullptr;                 // null: no log
    SymbolLookup lookup;                        // IYantVariables operation 8
    std::function<bool()> programChanged;       // code generated since the last compilation
    // The controller's section as the exchange needs it.
    std::function<ExchangeSettings(const std::string& name)> loadSettings;
    // A view's communication button asked for communication (true) or ended it
    // (false); the frame keeps the last answer to resume views after compiling.
    std::function<void(bool wantsOn)> buttonPressed;
};

// The communication state of the labels from the loop's status word.
TCommState CommStateFromStatus(std::uint32_t status);
// Bit 11: the PLC's fixed mark.
inline bool FixedFromStatus(std::uint32_t status) {
    return (status >> 11) & 1u;
}
// Bits 7 and 19: the PLC runs and its data are valid.
inline bool DataValidFromStatus(std::uint32_t status) {
    return ((status >> 7) & 1u) && ((status >> 19) & 1u);
}
// Bits 16 and 17: the loop is connected again.
inline bool ConnectedFromStatus(std::uint32_t status) {
    return ((status >> 16) & 3u) == 3u;
}

class OnlineSession {
public:
    // The timers come from the toolkit; CommTimer1 runs from the start at
    // 125 ms, SimTimer1 (100 ms) only while the loop reports the connection.
    OnlineSession(OnlineEnvironment environment, TimerFactory& timers);
    ~OnlineSession();
    OnlineSession(const OnlineSession&) = delete;
    OnlineSession& operator=(const OnlineSession&) = delete;

    const OnlineEnvironment& environment() const { return env_; }
    OnlineEnvironment& environment() { return env_; }

    // The views in opening order (their exchanges register themselves).
    const std::vector<OnlineExchange*>& views() const { return views_; }

    // The host's communication callback (CommLoopCallback). A re-entrant
    // call from inside a request is ignored.
    void CommLoopCallback(PlcRequestFunction request, std::uint32_t status);
    bool insideCallback() const { return inCallback_; }
    // The host's notifications; they act only when the argument is 0.
    void HardOff(std::uint16_t argument);
    void SoftOff(std::uint16_t argument);

    // CommTimer1: serves one eighth of the views.
    void commTimerTick();
    // SimTimer1: the periodic step of every online view.
    void simTimerTick();
    // A view loaded its controller: CommTimer1 runs every 125 ms × SimT. True
    // when the interval changed (every view was told).
    bool setSampleTime(double simT);
    // Uninstall: both timers stop.
    void stopTimers();
    Timer& commTimer() { return *commTimer_; }
    Timer& simTimer() { return *simTimer_; }
    // Whether the last CommTimer1 tick visited any view.
    bool lastTickVisitedAny() const { return lastTickVisited_; }
    int tickCounter() const { return counter_; }

    TCommState commState() const { return commState_; }
    bool fixed() const { return fixed_; }
    // Set by the notifications, cleared when the loop reports bits 16 and 17.
    bool commPending() const { return commPending_; }
    std::uint16_t commFlags() const { return commFlags_; }

    // The request function of the last pass while the loop was up; null after
    // a soft-off or hard-off until the loop hands one again.
    PlcRequestFunction lastRequestFunction() const { return lastRequest_; }

    bool logEnabled() const { return env_.log && env_.log->enabled(); }
    void log(std::string_view text) const;

private:
    friend class OnlineExchange;
    void attach(OnlineExchange* view);
    void detach(OnlineExchange* view);
    // Removes every view whose closing was requested and gives it the close message.
    void closeRequestedViews(bool sent);
    void commOff(TCommState state, const char* logText);

    // A walk over the list of views that stays right when views leave the
    // list (or are destroyed) while it runs, however deeply walks nest.
    struct Walk {
        std::size_t index = 0;
        bool currentRemoved = false;
    };
    // Calls visit(view, walk) for the views at first, first + stride, …;
    // visit returns false to end the walk.
    template <class Visit>
    void walk(std::size_t first, std::size_t stride, Visit&& visit);

    OnlineEnvironment env_;
    std::unique_ptr<Timer> commTimer_, simTimer_;
    std::vector<OnlineExchange*> views_;
    std::vector<Walk*> walks_;
    bool inCallback_ = false;
    // Counts the off-notifications, so an exchange sees one that came during its requests.
    std::uint32_t offCount_ = 0;

    std::uint16_t counter_ = 0;
    bool lastTickVisited_ = false;
    TCommState commState_ = TCommState::csNoComm;
    bool fixed_ = false;
    bool commPending_ = true;
    std::uint16_t commFlags_ = 0;
    PlcRequestFunction lastRequest_ = nullptr;
};

}  // namespace velmora::online
