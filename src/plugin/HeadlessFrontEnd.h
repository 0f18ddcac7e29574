#pragma once
// The front end of a host without windows (velmora-host's commands, tests):
// forms that draw nothing but keep what they were asked to show, message boxes
// that answer without asking, timers that tick only when driven.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "online/OnlineExchange.h"
#include "online/ParameterPanel.h"
#include "online/TrendRecorder.h"
#include "online/TuningSource.h"
#include "plugin/FormFactory.h"
#include "plugin/ViewSimulationLink.h"

namespace velmora {

class HeadlessFrontEnd : public FrontEnd {
public:
    struct Message {
        std::string caption, text;
        MessageIcon icon = MessageIcon::None;
        MessageButtons buttons = MessageButtons::Ok;
    };

    HeadlessFrontEnd();
    ~HeadlessFrontEnd() override;

    Toolkit& toolkit() override { return toolkit_; }
    FormFactory& forms() override;
    // The desktop's help books by the same path rule; notes the page it was
    // asked to open ("help: <path>[#a_<topic>] (no window: ...)").
    HelpViewer helpViewer() override;

    // Message boxes shown so far. Unless answerWith says otherwise, a box is
    // answered with the button that changes nothing (Ok, Cancel or No).
    const std::vector<Message>& messages() const { return messages_; }
    std::function<MessageAnswer(const Message&)> answerWith;
    // Each message box is also written to this stream when set (velmora-host: stderr).
    std::function<void(const Message&)> onMessage;

    // One line per thing a window was asked to do, in order, e.g.
    // "compile messages: file Reg1.orv" or "view created: Reg1".
    const std::vector<std::string>& journal() const { return journal_; }
    // The file lines the compile-message window showed, in order.
    const std::vector<std::string>& compileFileLines() const { return compileFiles_; }

    void setClock(const Clock* clock);

    // Used by the headless windows.
    void note(std::string line) { journal_.push_back(std::move(line)); }
    void noteCompileFile(const std::string& file) { compileFiles_.push_back(file); }

private:
    class Messages;
    class Timers;
    class Forms;
    std::unique_ptr<Messages> messageBoxes_;
    std::unique_ptr<Timers> timers_;
    std::unique_ptr<Forms> forms_;
    SystemClock systemClock_;
    Toolkit toolkit_;
    std::vector<Message> messages_;
    std::vector<std::string> journal_;
    std::vector<std::string> compileFiles_;
};

// The online view of the headless front end: keeps its layout and flags so
// that desktop passes can be checked, and exchanges with the PLC through its
// OnlineExchange like any view.
class HeadlessOnlineView : public OnlineViewForm, public online::OnlineViewSink, public online::PanelHost {
public:
    HeadlessOnlineView(HeadlessFrontEnd& frontEnd, TFormReg1& frame, std::string controllerName);
    ~HeadlessOnlineView() override;

    void* handle() override { return this; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    FormBounds bounds() const override { return bounds_; }
    void setBounds(const FormBounds& bounds) override { bounds_ = bounds; }
    void show() override;
    void hide() override;
    void localize() override;

    std::string controllerName() const override { return name_; }
    bool graphShown() const override { return graphShown_; }
    void openGraph() override;
    void selectTab(int index) override;
    void close() override;
    void destroy() override;

    online::OnlineExchange& exchange() { return *exchange_; }
    // The graph page's side panel and the schema's value boxes.
    online::ParameterPanel& panel() { return *panel_; }
    // The text the next input dialog is answered with (its OK is pressed);
    // without one the dialog is cancelled.
    std::optional<std::string> nextInput;
    // The data state of the last communication tick.
    online::TDataState dataState() const { return dataState_; }
    void setGraphShown(bool shown) { graphShown_ = shown; }
    int selectedTab() const { return tab_; }
    bool visible() const { return visible_; }
    online::TCommState commState() const { return commState_; }
    bool fixed() const { return fixed_; }
    // Loads the controller's plant simulation again, as the window does after
    // the simulation dialog; true while it is on.
    bool reloadSimulation();
    const ViewSimulationLink& simulation() const { return *simulation_; }
    // What the view recorded at its communication ticks, as the graph page
    // records it; shared so that it outlives a view that closes.
    std::shared_ptr<online::TrendRecorder> recording() const { return recording_; }
    // What the window shows beside the tuner's old/new question, as text
    // (model, suggestions and the tuner's row on its own experiment); taken once.
    std::string takeTunerPreview() { return std::exchange(tunerPreview_, {}); }

    // PanelHost
    MessageBoxes* messages() override;
    std::filesystem::path controllerFile() override;
    std::optional<double> askValue(const online::ValueRequest& request) override;
    bool openTunerPage() override;

private:
    void showCommState(online::TCommState state, bool fixed) override;
    void closeMessage(bool sent) override;
    void simulationStep() override;
    void previewTunerResult();
    void sampleTimeChanged() override;
    void onlineChanged(bool online) override;
    void commTicked(const online::TickResult& result) override;
    void refreshPendingControls() override;
    void tunerReport(int code) override;
    void writeFailed(const char* logText) override;

    HeadlessFrontEnd& frontEnd_;
    TFormReg1& frame_;
    std::string name_, caption_;
    FormBounds bounds_;
    bool graphShown_ = false, visible_ = false, fixed_ = false;
    int tab_ = -1;
    online::TCommState commState_ = online::TCommState::csNoComm;
    online::TDataState dataState_ = online::TDataState::dsNoComm;
    std::unique_ptr<online::OnlineExchange> exchange_;
    std::unique_ptr<ViewSimulationLink> simulation_;
    std::unique_ptr<online::ParameterPanel> panel_;
    std::shared_ptr<online::TrendRecorder> recording_;
    online::TunerExperiment tunerExperiment_;
    std::string tunerPreview_;
};

// The report view of the headless front end: builds the report's lines as
// the window would show them.
class HeadlessReport : public ReportForm {
public:
    HeadlessReport(HeadlessFrontEnd& frontEnd, TFormReg1& frame);
    void* handle() override { return this; }
    void show() override;
    void hide() override;
    void setEditorFont(const std::string& name, int size) override;
    bool buildReport() override;
    void setText(const std::string& text) override;
    void appendLine(const std::string& line) override;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    HeadlessFrontEnd& frontEnd_;
    TFormReg1& frame_;
    std::vector<std::string> lines_;
};

}  // namespace velmora
