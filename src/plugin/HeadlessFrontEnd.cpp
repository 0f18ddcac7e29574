#include "plugin/HeadlessFrontEnd.h"

#include "base/Platform.h"
#include "controllers/InputValue.h"

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "online/TrendSettings.h"
#include "online/TuningSource.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"
#include "tuning/TuningReport.h"

namespace velmora {

class HeadlessFrontEnd::Messages : public MessageBoxes {
public:
    explicit Messages(HeadlessFrontEnd& owner) : owner_(owner) {}
    MessageAnswer show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        Message m{caption, text, icon, buttons};
        owner_.messages_.push_back(m);
        owner_.note("message: " + caption + ": " + text);
        if (owner_.onMessage) owner_.onMessage(m);
        if (owner_.answerWith) return owner_.answerWith(m);
        switch (buttons) {
            case MessageButtons::Ok:
                return MessageAnswer::Ok;
            case MessageButtons::YesNo:
                return MessageAnswer::No;
            case MessageButtons::OkCancel:
            case MessageButtons::YesNoCancel:
                return MessageAnswer::Cancel;
        }
        return MessageAnswer::Cancel;
    }

private:
    HeadlessFrontEnd& owner_;
};

class HeadlessFrontEnd::Timers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ManualTimer>(); }
};

namespace {

class HeadlessManager : public ControllerManagerForm {
public:
    explicit HeadlessManager(HeadlessFrontEnd& fe) : fe_(fe) { fe_.note("manager created"); }
    ~HeadlessManager() override { fe_.note("manager destroyed"); }
    void* handle() override { return this; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    FormBounds bounds() const override { return bounds_; }
    void setBounds(const FormBounds& bounds) override { bounds_ = bounds; }
    void show() override { fe_.note("manager shown"); }
    void hide() override { fe_.note("manager hidden"); }
    void localize() override { fe_.note("manager localized"); }

private:
    HeadlessFrontEnd& fe_;
    std::string caption_;
    FormBounds bounds_;
};

class HeadlessCompileMessages : public CompileMessageForm {
public:
    explicit HeadlessCompileMessages(HeadlessFrontEnd& fe) : fe_(fe) {}
    ~HeadlessCompileMessages() override { fe_.note("compile messages: destroyed"); }
    void setProject(const std::string& plcName) override { fe_.note("compile messages: project " + plcName); }
    void setFile(const std::string& fileName) override {
        fe_.note("compile messages: file " + fileName);
        fe_.noteCompileFile(fileName);
    }
    void setCounter(const std::string& text) override { fe_.note("compile messages: counter " + text); }
    void show() override { fe_.note("compile messages: shown"); }
    void hide() override { fe_.note("compile messages: hidden"); }

private:
    HeadlessFrontEnd& fe_;
};

}  // namespace

class HeadlessFrontEnd::Forms : public FormFactory {
public:
    explicit Forms(HeadlessFrontEnd& fe) : fe_(fe) {}
    std::unique_ptr<ControllerManagerForm> createControllerManager(void*, TFormReg1&) override {
        return std::make_unique<HeadlessManager>(fe_);
    }
    std::unique_ptr<ReportForm> createReport(void*, TFormReg1& frame) override {
        return std::make_unique<HeadlessReport>(fe_, frame);
    }
    std::unique_ptr<CompileMessageForm> createCompileMessages() override {
        fe_.note("compile messages: created");
        return std::make_unique<HeadlessCompileMessages>(fe_);
    }
    OnlineViewForm* createOnlineView(void*, TFormReg1& frame, const std::string& controllerName) override {
        return new HeadlessOnlineView(fe_, frame, controllerName);
    }

private:
    HeadlessFrontEnd& fe_;
};

HeadlessFrontEnd::HeadlessFrontEnd()
    : messageBoxes_(std::make_unique<Messages>(*this)),
      timers_(std::make_unique<Timers>()),
      forms_(std::make_unique<Forms>(*this)) {
    toolkit_.messages = messageBoxes_.get();
    toolkit_.timers = timers_.get();
    toolkit_.clock = &systemClock_;
    toolkit_.processEvents = [] {};
}

HeadlessFrontEnd::~HeadlessFrontEnd() = default;

FormFactory& HeadlessFrontEnd::forms() {
    return *forms_;
}

HelpViewer HeadlessFrontEnd::helpViewer() {
    // The desktop's books, by the same path rule; with no window to show a
    // page in, the journal names the page that would open.
    HelpViewer viewer;
    viewer.extension = std::string(HelpFileExtension());
    viewer.open = [this](const std::filesystem::path& file) {
        note("help: " + file.string() + " (no window: the help viewer needs one)");
        return true;
    };
    viewer.lookup = [this](const std::filesystem::path& file, HelpLookup kind, const std::string& keywords) {
        // A topic is found by its anchor, a keyword by its word in the book.
        const FileContent book = ReadWholeFile(file);
        const std::string mark = kind == HelpLookup::Topic ? "<a name=\"" + keywords + "\">" : keywords;
        if (!book.error.empty() || book.bytes.find(mark) == std::string::npos) return false;
        note("help: " + file.string() + "#" + keywords + " (no window: the help viewer needs one)");
        return true;
    };
    viewer.messages = messageBoxes_.get();
    return viewer;
}

void HeadlessFrontEnd::setClock(const Clock* clock) {
    toolkit_.clock = clock ? clock : &systemClock_;
}

HeadlessOnlineView::HeadlessOnlineView(HeadlessFrontEnd& frontEnd, TFormReg1& frame,
                                       std::string controllerName)
    : frontEnd_(frontEnd), frame_(frame), name_(std::move(controllerName)) {
    exchange_ = std::make_unique<online::OnlineExchange>(frame.onlineSession(), name_, this);
    simulation_ = std::make_unique<ViewSimulationLink>(frame.onlineSession(), *exchange_);
    panel_ =
        std::make_unique<online::ParameterPanel>(*exchange_, *this, frontEnd_.toolkit().decimalSeparator);
    // The recording's length comes from the section, as the graph page reads it.
    const IniFile file(frame.controllerFilePath());
    const std::string section = ControllerSection(name_);
    recording_ = std::make_shared<online::TrendRecorder>(
        online::ReadTrendSettings(file, section, SectionReader(file, section, Reader::OnlineView).kind())
            .bufferLength);
    panel_->beforeTunerQuestion = [this] { previewTunerResult(); };
    frontEnd_.note("view created: " + name_);
    reloadSimulation();
}

void HeadlessOnlineView::previewTunerResult() {
    const IniFile file(frame_.controllerFilePath());
    const tuning::LoopController running = online::RunningController(file, name_, *exchange_);
    const auto tuned = online::TunerResult(*exchange_, running);
    if (!tuned) return;
    const auto preview = online::TunerPreview(recording_->buffer(), tunerExperiment_, running, *tuned,
                                              online::ViewExchangePeriod(file, name_));
    tunerPreview_ = preview.result.ok() ? tuning::TuningText("live", preview.request, preview.result)
                                        : "no preview: " + preview.result.error + "\n";
}

bool HeadlessOnlineView::reloadSimulation() {
    return simulation_->reload(frame_.controllerFilePath(), name_, frame_.plcTypeIndex);
}

void HeadlessOnlineView::simulationStep() {
    simulation_->step();
}

void HeadlessOnlineView::sampleTimeChanged() {
    // The session tells every view, this one included while it is being built.
    if (simulation_) simulation_->sampleTimeChanged();
}

HeadlessOnlineView::~HeadlessOnlineView() {
    simulation_.reset();
    panel_.reset();
    exchange_.reset();
    frame_.forgetView(this);
    frontEnd_.note("view destroyed: " + name_);
}

void HeadlessOnlineView::show() {
    visible_ = true;
    frontEnd_.note("view shown: " + name_);
}
void HeadlessOnlineView::hide() {
    visible_ = false;
}
void HeadlessOnlineView::localize() {
    frontEnd_.note("view localized: " + name_);
}
void HeadlessOnlineView::openGraph() {
    graphShown_ = true;
    frontEnd_.note("view graph: " + name_);
}
void HeadlessOnlineView::selectTab(int index) {
    tab_ = index;
    graphShown_ = index == 1;
    exchange_->setGraphShown(index == 1);
    exchange_->setStructureView(index == 2);
}
void HeadlessOnlineView::close() {
    frontEnd_.note("view closed: " + name_);
    delete this;
}
void HeadlessOnlineView::destroy() {
    delete this;
}
void HeadlessOnlineView::showCommState(online::TCommState state, bool fixed) {
    commState_ = state;
    fixed_ = fixed;
}
MessageBoxes* HeadlessOnlineView::messages() {
    return frontEnd_.toolkit().messages;
}
std::filesystem::path HeadlessOnlineView::controllerFile() {
    return frame_.controllerFilePath();
}
std::optional<double> HeadlessOnlineView::askValue(const online::ValueRequest& request) {
    // The dialog's own checks: a value it refuses leaves it open, which a
    // script cannot answer, so it counts as cancelled.
    const std::optional<std::string> text = std::move(nextInput);
    nextInput.reset();
    frontEnd_.note("input: " + request.text);
    if (!text || !messages()) return std::nullopt;
    InputValue input(*messages());
    input.minimum = static_cast<float>(request.minimum);
    input.maximum = static_cast<float>(request.maximum);
    input.expressionMode = true;
    input.okClick(*text);
    return input.mayClose() ? input.value() : std::nullopt;
}
bool HeadlessOnlineView::openTunerPage() {
    frontEnd_.note("tuner page: " + name_);
    return false;
}
void HeadlessOnlineView::onlineChanged(bool online) {
    dataState_ = online::TDataState::dsNoComm;
    if (panel_) panel_->onlineChanged(online);
}
void HeadlessOnlineView::commTicked(const online::TickResult& result) {
    dataState_ = result.state;
    if (result.newSample && exchange_->lastDataTime())
        recording_->sample(*exchange_->lastDataTime(),
                           online::ShownChannelTexts(*exchange_, frontEnd_.toolkit().decimalSeparator));
    panel_->commTicked();
    tunerExperiment_.follow(panel_->lamp() == online::TunerLamp::Lime, recording_->buffer());
}
void HeadlessOnlineView::refreshPendingControls() {
    panel_->refreshPendingControls();
}
void HeadlessOnlineView::tunerReport(int code) {
    panel_->post(code);
}
void HeadlessOnlineView::writeFailed(const char* logText) {
    frontEnd_.note(std::string("write failed: ") + logText);
}
void HeadlessOnlineView::closeMessage(bool sent) {
    frontEnd_.note(std::string(sent ? "view close sent: " : "view close posted: ") + name_);
    delete this;
}

}  // namespace velmora

namespace velmora {

HeadlessReport::HeadlessReport(HeadlessFrontEnd& frontEnd, TFormReg1& frame)
    : frontEnd_(frontEnd), frame_(frame) {}

void HeadlessReport::show() {
    frontEnd_.note("report shown");
}
void HeadlessReport::hide() {
    frontEnd_.note("report hidden");
}

void HeadlessReport::setEditorFont(const std::string& name, int size) {
    frontEnd_.note("report font: " + name + " " + std::to_string(size));
}

bool HeadlessReport::buildReport() {
    if (!shown_) return true;
    lines_ = BuildReport(HostReportInput(frame_));
    frontEnd_.note("report built");
    return true;
}

void HeadlessReport::setText(const std::string& text) {
    lines_ = {text};
    frontEnd_.note("report text: " + text);
}

void HeadlessReport::appendLine(const std::string& line) {
    lines_.push_back(line);
    frontEnd_.note("report line: " + line);
}

}  // namespace velmora
