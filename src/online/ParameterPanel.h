#pragma once
// The graph page's side panel and the schema's value boxes without their
// widgets: the parameter edits with their gain rules and limits, "Use vals"
// and "Save vals", the setpoint, filter, manual and second-input entries, the
// mode buttons, Restart and the autotuner's buttons, lamp and reports. Every
// change becomes a pending mark of the view's OnlineExchange; the next
// exchange writes it.
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "online/ExchangeSettings.h"
#include "online/LoopSchema.h"
#include "online/OnlineExchange.h"

namespace velmora {
class IniFile;
class MessageBoxes;
}  // namespace velmora

namespace velmora::online {

// The parameter edits of the side panel; a PIDMA controller uses the same
// edits for other members (k, b, c, ti, td, tt, nd).
enum class PanelEdit { PBnd, G1, RelCool, G2, Ti, Td, EGap, IGap, DGap, Count };
constexpr std::size_t kPanelEdits = static_cast<std::size_t>(PanelEdit::Count);

// The component name ("EditPBnd1", "EditG1", "EditRegCool1", ...).
const char* PanelEditName(PanelEdit edit);
// The edit a parameter name stands for: the component name, or the member
// name of the controller kind ("PBnd", "K+", "RelCool", "K-", "Ti" … for
// PID; "k", "b", "c", "ti", "td", "tt", "nd" for PIDMA), case ignored.
std::optional<PanelEdit> PanelEditByName(std::string_view name, ControllerKind kind);
// Whether the edit serves the kind (PIDMA has no band, no DGap).
bool PanelEditUsed(PanelEdit edit, ControllerKind kind);

// The values behind the edits and the rules that keep them consistent.
class ParameterValues {
public:
    ParameterValues(ControllerKind kind, char decimalSeparator);

    ControllerKind kind() const { return kind_; }
    // The controller's values from its section.
    void load(const IniFile& file, const std::string& controllerName);
    // Tuned values of a PIDMA controller (k, ti, td, nd, b, c).
    void setTuned(float k, float ti, float td, float nd, float b, float c);

    const std::string& text(PanelEdit edit) const { return texts_[index(edit)]; }
    double value(PanelEdit edit) const { return values_[index(edit)]; }
    // What the user typed; nothing is checked until the edit is left.
    void type(PanelEdit edit, std::string text) { texts_[index(edit)] = std::move(text); }
    // Leaving the edit (or Enter in it): parse, clamp, show and derive.
    void leave(PanelEdit edit);

    PidParameterBlock pidBlock() const;
    PidmaParameterBlock pidmaBlock() const;
    // The shown values into the controller's section, in one atomic rewrite.
    // Throws IniFileError when the file cannot be written; it is then unchanged.
    void save(IniFile& file, const std::string& controllerName) const;

private:
    static std::size_t index(PanelEdit e) { return static_cast<std::size_t>(e); }
    void set(PanelEdit edit, double value);
    void bandRule(double pBnd);
    void coolRule(double relCool);

    ControllerKind kind_;
    char separator_;
    std::array<double, kPanelEdits> values_{};
    std::array<std::string, kPanelEdits> texts_{};
};

// A value the user is asked for with the input dialog.
struct ValueRequest {
    std::string text;  // the value box's text
    double minimum = 0, maximum = 0;
    std::string what;  // what is entered, in our own English wording ("set point")
};
// The dialog's line above the edit: what is entered and the allowed range,
// in the module's language ("Enter set point (from -10000 to 10000):").
std::string ValuePrompt(const ValueRequest& request, char decimalSeparator);

// The view around the panel.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    virtual MessageBoxes* messages() = 0;
    virtual std::filesystem::path controllerFile() = 0;
    // The input dialog (TFormInput1); nothing when cancelled.
    virtual std::optional<double> askValue(const ValueRequest& request) = 0;
    // Opens the tuner settings page modally; true after "OK" (the page
    // regenerates the controller's code itself).
    virtual bool openTunerPage() = 0;
};

enum class TunerLamp { Grey, Lime, Red };
const char* TunerLampName(TunerLamp lamp);  // "grey", "lime", "red"

class ParameterPanel {
public:
    ParameterPanel(OnlineExchange& exchange, PanelHost& host, char decimalSeparator);

    ParameterValues& values() { return values_; }
    const ParameterValues& values() const { return values_; }
    ControllerKind kind() const { return values_.kind(); }
    // Reloads the edits from the controller file (after loading the
    // controller, going offline, a changed tuner page).
    void reload();

    // EditEnter1: the edit is being changed.
    void enter(PanelEdit edit);
    // The Exit handlers and Enter in an edit.
    void leave(PanelEdit edit);
    void UseSettingsBtn1Click();
    // False (after saying so) when the controller file could not be written.
    bool SaveSettingsBtn1Click();
    bool useEnabled() const { return useEnabled_; }
    bool saveEnabled() const { return saveEnabled_; }
    // The edits hold values the file does not: typed, or the tuner's accepted ones.
    bool edited() const { return saveEnabled_ || active_.has_value(); }

    // The value boxes of the schema (W1Edit1, WFEdit1, Edit1, Y2Edit2).
    void W1Edit1MouseDown();
    void WFEdit1MouseDown();
    void Edit1MouseDown();
    void Y2Edit2MouseDown();
    // The box's text while its write is pending (the entered value); nothing
    // otherwise.
    std::optional<std::string> pendingText(SchemaValue box) const;
    bool boxEnabled(SchemaValue box) const;

    // "Man" and "Auto" (autoDown: whether "Auto" is down after the click).
    void AutoButton1Click(bool autoDown);
    bool autoDown() const { return autoDown_; }
    // "Restart" with its new down state.
    void RestartButton1Click(bool down);
    bool restartDown() const { return restartDown_; }
    bool restartEnabled() const { return restartEnabled_; }

    void StartTuneButton1Click();
    void BreakTuneButton1Click();
    void ParamsButton1Click();
    void ErrorButton1Click();
    // The tuner image: its settings page; after "OK" (true) the edits are reloaded.
    bool TunerImage1Click();
    TunerLamp lamp() const { return lamp_; }
    std::string lampHint() const;

    // From the view's OnlineViewSink: the want-data flag was set again.
    void refreshPendingControls();
    // From the view's communication tick: follows the new data.
    void commTicked();
    // The tuner report (0x85DF) arrives inside the callback; it is shown
    // when deliver() runs outside it. A failed write is in the comm log only.
    void post(int reportCode) { posted_.push_back(reportCode); }
    void deliver();
    // Called just before the tuner's old/new question opens.
    std::function<void()> beforeTunerQuestion;
    // Going offline: nothing is pending any more.
    void onlineChanged(bool online);

private:
    bool pidma() const { return kind() == ControllerKind::Pidma; }
    void showReport(int code);
    ExchangeSettings settings() const;
    std::uint16_t controlWord() const;

    OnlineExchange& exchange_;
    PanelHost& host_;
    char separator_;
    ParameterValues values_;
    std::optional<PanelEdit> active_;
    std::array<bool, kPanelEdits> tags_{};
    bool useEnabled_ = false, saveEnabled_ = false, useWaiting_ = false;
    bool autoDown_ = true, modeWaiting_ = false, modeSettling_ = false;
    bool restartDown_ = false, restartEnabled_ = true;
    std::array<std::optional<std::string>, kSchemaValues> boxTexts_{};
    TunerLamp lamp_ = TunerLamp::Grey;
    std::deque<int> posted_;
};

// The report texts of the tuner (message 0x85DF) from the last image.
std::string TunerReportText(int code, const std::array<std::uint8_t, plc::kPidaStructSize>& image);
// The question of the "Error" button for a tuner error code.
std::string TunerErrorQuestion(int ite);
// The second input entered in its units, as the raw value of Y2's variable
// by the controller's linear measurement (Y2Measure, Y2x1, Y2x2, Y2y1, Y2y2).
double SecondInputRaw(double entered, bool measure, double x1, double x2, double y1, double y2);

}  // namespace velmora::online
