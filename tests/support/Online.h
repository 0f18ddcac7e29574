#pragma once
// Scripted stand-ins for the toolkit and the view, shared by the online tests.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Toolkit.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"
#include "support/Support.h"

namespace velmora::online::testing {

using velmora::testing::ScriptedMessages;

class ManualTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override {
        auto timer = std::make_unique<ManualTimer>();
        created.push_back(timer.get());
        return timer;
    }
    std::vector<ManualTimer*> created;
};

// A clock that moves only when told, 1 ms per call by default.
class SteppingClock : public Clock {
public:
    LocalTime now() const override {
        LocalTime t{2026, 3, 14, 10, 0, 0, 0};
        const long long ms = elapsed;
        t.millisecond = static_cast<int>(ms % 1000);
        t.second = static_cast<int>((ms / 1000) % 60);
        t.minute = static_cast<int>((ms / 60000) % 60);
        t.hour = 10 + static_cast<int>(ms / 3600000);
        elapsed += step;
        return t;
    }
    mutable long long elapsed = 0;
    long long step = 1000;
};

class RecordingLog : public CommLogSink {
public:
    bool enabled() const override { return on; }
    void write(std::string_view line) override { lines.emplace_back(line); }
    bool contains(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }
    bool on = true;
    std::vector<std::string> lines;
};

class FixedPlcControl : public PlcControl {
public:
    int plcState() const override { return state; }
    int state = 1;
};

// A view that records what the exchange told it.
class RecordingView : public OnlineViewSink {
public:
    void showCommState(TCommState state, bool fixed) override {
        ++labelUpdates;
        lastState = state;
        lastFixed = fixed;
        if (onShowState) onShowState();
    }
    void onlineChanged(bool online) override { onlineCalls.push_back(online); }
    void commTicked(const TickResult& result) override { ticks.push_back(result); }
    void refreshPendingControls() override { ++refreshes; }
    void tunerReport(int code) override { reports.push_back(code); }
    void closeMessage(bool sent) override {
        closes.push_back(sent);
        if (onClose) onClose();
    }
    void openVariablePage(VariablePage page) override { pages.push_back(page); }
    void simulationStep() override { ++steps; }
    void sampleTimeChanged() override { ++sampleTimeChanges; }

    int labelUpdates = 0;
    TCommState lastState = TCommState::csNoComm;
    bool lastFixed = false;
    std::vector<bool> onlineCalls;
    std::vector<TickResult> ticks;
    int refreshes = 0;
    std::vector<int> reports;
    std::vector<bool> closes;
    std::vector<VariablePage> pages;
    int steps = 0;
    int sampleTimeChanges = 0;
    std::function<void()> onClose, onShowState;
};

// The toolkit pieces and a session over them.
struct SessionFixture {
    ScriptedMessages messages;
    ManualTimers timers;
    SteppingClock clock;
    RecordingLog log;
    FixedPlcControl plc;
    std::map<std::string, ExchangeSettings> controllers;
    std::map<std::string, std::string> symbols;  // name -> address text
    std::unique_ptr<OnlineSession> session;

    SessionFixture() {
        OnlineEnvironment env;
        env.messages = &messages;
        env.clock = &clock;
        env.plc = &plc;
        env.log = &log;
        env.lookup = [this](const std::string& name) -> std::optional<std::string> {
            const auto found = symbols.find(name);
            if (found == symbols.end()) return std::nullopt;
            return found->second;
        };
        env.loadSettings = [this](const std::string& name) {
            const auto found = controllers.find(name);
            return found == controllers.end() ? ExchangeSettings{} : found->second;
        };
        session = std::make_unique<OnlineSession>(std::move(env), timers);
    }
    ManualTimer& commTimer() { return *timers.created.at(0); }
    ManualTimer& simTimer() { return *timers.created.at(1); }
};

}  // namespace velmora::online::testing
