#include "online/OnlineSession.h"

#include <algorithm>
#include <cmath>

#include "online/OnlineExchange.h"
#include "simulation/PlantSimulation.h"

namespace velmora::online {

namespace {

constexpr int kCommTimerBaseMs = 125;  // CommTimerInterval(1.0)
constexpr int kSimTimerMs = 100;

// The pacing counter's three bits reversed: neighbouring views fall into different ticks.
std::size_t ReverseThreeBits(unsigned v) {
    return ((v & 1u) << 2) | (v & 2u) | ((v & 4u) >> 2);
}

}  // namespace

TCommState CommStateFromStatus(std::uint32_t status) {
    const bool run = (status >> 7) & 1u;
    if (run) return ((status >> 19) & 1u) ? TCommState::csRUN : TCommState::csRUNn;
    if ((status & 1u) || ((status >> 3) & 1u)) return TCommState::csERR;
    return TCommState::csHALT;
}

OnlineSession::OnlineSession(OnlineEnvironment environment, TimerFactory& timers)
    : env_(std::move(environment)), commTimer_(timers.create()), simTimer_(timers.create()) {
    commTimer_->setInterval(kCommTimerBaseMs);
    commTimer_->onTick = [this] { commTimerTick(); };
    commTimer_->setEnabled(true);
    simTimer_->setInterval(kSimTimerMs);
    simTimer_->onTick = [this] { simTimerTick(); };
    simTimer_->setEnabled(false);
}

OnlineSession::~OnlineSession() {
    stopTimers();
    // Views that outlive the session must not reach back into it.
    for (OnlineExchange* view : views_) view->detachedFromSession();
}

void OnlineSession::log(std::string_view text) const {
    if (logEnabled()) env_.log->write(text);
}

void OnlineSession::attach(OnlineExchange* view) {
    views_.push_back(view);
}

void OnlineSession::detach(OnlineExchange* view) {
    const auto found = std::find(views_.begin(), views_.end(), view);
    if (found == views_.end()) return;
    const auto index = static_cast<std::size_t>(found - views_.begin());
    views_.erase(found);
    for (Walk* w : walks_) {
        if (index < w->index)
            --w->index;
        else if (index == w->index)
            w->currentRemoved = true;
    }
}

template <class Visit>
void OnlineSession::walk(std::size_t first, std::size_t stride, Visit&& visit) {
    Walk w;
    w.index = first;
    walks_.push_back(&w);
    struct Pop {
        std::vector<Walk*>& walks;
        ~Pop() { walks.pop_back(); }
    } pop{walks_};
    while (w.index < views_.size()) {
        w.currentRemoved = false;
        if (!visit(views_[w.index], w)) break;
        // A view that left the list made room for the next one at its index.
        w.index += w.currentRemoved ? stride - 1 : stride;
    }
}

void OnlineSession::closeRequestedViews(bool sent) {
    walk(0, 1, [&](OnlineExchange* view, Walk&) {
        if (!view->closeRequested()) return true;
        OnlineViewSink* sink = view->sink_;
        log("WM_MY_CLOSE - " + view->name());
        detach(view);
        view->detachedFromSession();
        if (sink) sink->closeMessage(sent);
        return true;
    });
}

void OnlineSession::CommLoopCallback(PlcRequestFunction request, std::uint32_t status) {
    if (inCallback_) return;
    inCallback_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inCallback_};

    if (commPending_ && ConnectedFromStatus(status)) {
        simTimer_->setEnabled(true);
        commPending_ = false;
        log("Communication on!");
    }
    closeRequestedViews(false);
    if (!request) return;
    // Kept for requests outside the callback (the wizard pages' PLC data).
    lastRequest_ = commPending_ ? nullptr : request;

    commFlags_ = static_cast<std::uint16_t>(status & 0xFFFFu);
    const bool dataValid = DataValidFromStatus(status);
    walk(0, 1, [&](OnlineExchange* view, Walk& w) {
        if (!commPending_) {
            fixed_ = FixedFromStatus(status);
            commState_ = CommStateFromStatus(status);
        }
        if (view->sink_) {
            view->sink_->showCommState(commState_, fixed_);
            if (w.currentRemoved) return true;
        }
        if (!view->online()) return true;
        const bool logging = logEnabled();
        const std::string name = logging ? view->name() : std::string();
        if (logging) log("Enter comm - " + name);
        const int result = view->NovaKomunikace(request, dataValid);
        if (logging) log("Leave comm - " + name);
        if (result == 0) {
            log("pForm->NovaKomunikace return 0");
            return false;
        }
        return true;
    });
}

void OnlineSession::commOff(TCommState state, const char* logText) {
    ++offCount_;
    commPending_ = true;
    lastRequest_ = nullptr;
    log(logText);
    simTimer_->setEnabled(false);
    commState_ = state;
    walk(0, 1, [&](OnlineExchange* view, Walk&) {
        if (view->sink_) view->sink_->showCommState(commState_, fixed_);
        return true;
    });
    closeRequestedViews(true);
}

void OnlineSession::HardOff(std::uint16_t argument) {
    if (argument != 0) return;
    commOff(TCommState::csCommErr, "No Communication! (Hard Off)");
}

void OnlineSession::SoftOff(std::uint16_t argument) {
    if (argument != 0) return;
    commOff(TCommState::csNoComm, "No Communication! (Soft Off)");
}

void OnlineSession::commTimerTick() {
    const std::size_t start = ReverseThreeBits(counter_);
    if (++counter_ >= 8) counter_ = 0;
    lastTickVisited_ = false;
    walk(start, 8, [&](OnlineExchange* view, Walk&) {
        if (view->online()) {
            lastTickVisited_ = true;
            view->commTick();
        }
        return true;
    });
}

void OnlineSession::simTimerTick() {
    walk(0, 1, [&](OnlineExchange* view, Walk&) {
        if (view->online() && view->sink_) view->sink_->simulationStep();
        return true;
    });
}

bool OnlineSession::setSampleTime(double simT) {
    if (!std::isfinite(simT) || simT <= 0) return false;
    const int interval = CommTimerInterval(simT);
    if (interval == commTimer_->interval()) return false;
    commTimer_->setInterval(interval);
    walk(0, 1, [&](OnlineExchange* view, Walk&) {
        if (view->sink_) view->sink_->sampleTimeChanged();
        return true;
    });
    return true;
}

void OnlineSession::stopTimers() {
    simTimer_->setEnabled(false);
    commTimer_->setEnabled(false);
}

}  // namespace velmora::online
