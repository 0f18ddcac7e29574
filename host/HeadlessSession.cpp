// The plug-in object runs in this process (its class factory linked into the
// host) on a headless front end the commands can see into: the frame it
// creates and the online views it opens. A module loaded from the registry
// would keep both out of reach.
#include "host/HeadlessSession.h"

#include <ostream>

#include "base/Strings.h"
#include "base/com/Guids.h"
#include "host/softplc/VirtualClock.h"
#include "plugin/ClassFactory.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "softplc/VirtualClock.h"

namespace velmora::host {

// A headless front end that remembers the frame it serves.
class HeadlessSession::WatchedFrontEnd : public velmora::FrontEnd {
public:
    explicit WatchedFrontEnd(std::ostream& err) : forms_(*this) {
        inner_.onMessage = [&err](const HeadlessFrontEnd::Message& m) {
            err << "Velmora: " << m.caption << ": " << m.text << "\n";
        };
    }
    Toolkit& toolkit() override { return inner_.toolkit(); }
    FormFactory& forms() override { return forms_; }
    HelpViewer helpViewer() override { return inner_.helpViewer(); }
    void setClock(const Clock* clock) { inner_.setClock(clock); }

    TFormReg1* frame = nullptr;
    HeadlessFrontEnd& headless() { return inner_; }
    const HeadlessFrontEnd& headless() const { return inner_; }

private:
    class Forms : public FormFactory {
    public:
        explicit Forms(WatchedFrontEnd& fe) : fe_(fe) {}
        std::unique_ptr<ControllerManagerForm> createControllerManager(void* owner,
                                                                       TFormReg1& frame) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createControllerManager(owner, frame);
        }
        std::unique_ptr<ReportForm> createReport(void* owner, TFormReg1& frame) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createReport(owner, frame);
        }
        std::unique_ptr<CompileMessageForm> createCompileMessages() override {
            return fe_.inner_.forms().createCompileMessages();
        }
        OnlineViewForm* createOnlineView(void* owner, TFormReg1& frame, const std::string& name) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createOnlineView(owner, frame, name);
        }

    private:
        WatchedFrontEnd& fe_;
    };

    HeadlessFrontEnd inner_;
    Forms forms_;
};

HeadlessSession::HeadlessSession(const std::string& projectDir, std::ostream& err)
    : err_(err), messages_(err), ide_(projectDir) {
    ide_.trace = [this](const std::string& line) { messages_(line); };
}

HeadlessSession::~HeadlessSession() {
    if (installed_) ide_.closePlc();
    if (plugin_) {
        if (installed_) plugin_->UninstallPlugin();
        com::ComPtr<IUnknown> identity;
        plugin_->QueryInterface(com::kIidUnknown, identity.putVoid());
        ide_.forgetPlugin(identity.get());
        identity.reset();
        plugin_.reset();
    }
    soft_.reset();  // saves the retained memory
}

TFormReg1& HeadlessSession::frame() {
    return *frontEnd_->frame;
}

bool HeadlessSession::open(const std::string& plc, double cycleMs) {
    if (!ide_.project().findPlc(plc)) {
        err_ << "velmora-host: the project has no PLC " << plc << "\n";
        return false;
    }
    soft_ = std::make_unique<HostSoftPlc>(ide_);
    soft_->engine().setCycleMs(cycleMs);
    com::ComPtr<IClassFactory> factory;
    HRESULT hr = GetClassObject(com::kClsidVelmoraCoClass, com::kIidClassFactory, factory.putVoid(), [&] {
        auto made = std::make_unique<WatchedFrontEnd>(err_);
        frontEnd_ = made.get();
        return std::unique_ptr<velmora::FrontEnd>(std::move(made));
    });
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IYantPlugin::iid, plugin_.putVoid());
    factory.reset();
    if (FAILED(hr) || !plugin_ || !frontEnd_) {
        err_ << "velmora-host: the plug-in object could not be created\n";
        return false;
    }
    ide_.application()->AddRef();
    if (FAILED(plugin_->InstallPlugin(ide_.application())) || !frontEnd_->frame) {
        err_ << "velmora-host: the plug-in could not be installed\n";
        return false;
    }
    installed_ = true;
    clock_ = std::make_unique<softplc::VirtualClock>(soft_->engine());
    frontEnd_->setClock(clock_.get());
    // The exchanges took the clock when the frame was made: their data time stamps run virtual too.
    frame().onlineSession().environment().clock = clock_.get();
    ide_.loadProject();
    ide_.openPlc(plc);
    ide_.fillTree();
    ide_.loadDesktop();
    if (!ide_.compile()) return false;  // the reason is already printed
    scheduleTimers();
    return true;
}

void HeadlessSession::scheduleTimers() {
    softplc::PlcEngine& engine = soft_->engine();
    // The IDE's communication loop passes ten times a second.
    engine.every(
        100, [this] { commLoopPass(); }, 0.0);
    // The plug-in's timers tick at whatever interval they have at the time.
    for (Timer* timer : {&frame().CommTimer1(), &frame().SimTimer1()}) {
        auto* manual = dynamic_cast<ManualTimer*>(timer);
        if (!manual) continue;
        timerTicks_.push_back(std::make_unique<std::function<void()>>());
        std::function<void()>* tick = timerTicks_.back().get();
        *tick = [manual, tick, &engine] {
            manual->tick();
            engine.at(engine.now() + std::max(manual->interval(), 1), [tick] { (*tick)(); });
        };
        engine.at(engine.now() + std::max(manual->interval(), 1), [tick] { (*tick)(); });
    }
}

void HeadlessSession::commLoopPass() {
    if (!statusOverride_) {
        soft_->pass();
        return;
    }
    // As the soft PLC's own pass, with the status word given.
    soft_->plc().makeCurrent();
    const auto request = ide_.requestFunction();
    if (!soft_->loop().connectionUp()) ide_.setRequestFunction(nullptr);
    ide_.commLoopPass(*statusOverride_);
    ide_.setRequestFunction(request);
}

HeadlessFrontEnd& HeadlessSession::frontEnd() {
    return frontEnd_->headless();
}

HeadlessOnlineView* HeadlessSession::view(const std::string& controller) {
    if (!frontEnd_ || !frontEnd_->frame) return nullptr;
    for (OnlineViewForm* v : frame().views())
        if (EqualNoCase(v->controllerName(), controller)) return dynamic_cast<HeadlessOnlineView*>(v);
    return nullptr;
}

HeadlessOnlineView* HeadlessSession::goOnline(const std::string& controller) {
    frame().openOnlineView(controller);
    HeadlessOnlineView* v = view(controller);
    if (!v) {
        err_ << "velmora-host: no online view of " << controller << " could be opened\n";
        return nullptr;
    }
    // The loop reports the connection first, as the IDE's does when it starts.
    soft_->pass();
    v->exchange().KomunikaceButton1_Click();
    if (!v->exchange().online()) {
        err_ << "velmora-host: the view of " << controller << " did not go online\n";
        return nullptr;
    }
    return v;
}

bool HeadlessSession::simulate(const std::string& controller, std::string& why) {
    HeadlessOnlineView* v = view(controller);
    if (!v) {
        why = "controller " + controller + " has no open view";
        return false;
    }
    // The view simulates its plant itself, stepped by SimTimer1 and written
    // by its exchange; the session only makes sure it runs on the file as it is.
    if (!v->reloadSimulation()) {
        why = "controller " + controller + " has no plant simulation (Simulation=1)";
        return false;
    }
    return true;
}

bool HeadlessSession::finish() {
    if (!soft_) return false;
    const auto& fault = soft_->engine().fault();
    if (fault) err_ << "velmora-host: PLC error: " << fault->text << " at " << fault->position << "\n";
    soft_->stop();
    return !fault && soft_->retainedFailures() == 0 && !eventFailed() && !stopMessageShown();
}

bool HeadlessSession::stopMessageShown() const {
    if (!frontEnd_) return false;
    for (const auto& m : frontEnd_->headless().messages())
        if (m.icon == MessageIcon::Stop) return true;
    return false;
}

}  // namespace velmora::host
