#pragma once
// What the wizard pages need from the frame: the current controller, the
// host's variable look-up, the generator, help, message boxes and the PLC.
// The frame fills one context and hands it to the sequence or to a page that
// is opened alone.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/ControllerFile.h"

namespace velmora {

class IniFile;
class MessageBoxes;

namespace wizard {

// The controller's working data in a connected PLC, addressed by the names of
// the generated symbols ("PID_1_Tau1", "PID_1_OutCycle", ...). Values are the
// PLC's little-endian images.
class ControllerData {
public:
    virtual ~ControllerData() = default;
    // True when the PLC is online and every one of the symbols resolves.
    virtual bool reachable(const std::vector<std::string>& symbols) = 0;
    // Writes bytes starting at the symbol's address; false on any failure.
    virtual bool write(const std::string& symbol, const std::vector<std::uint8_t>& bytes) = 0;
    // Reads size bytes starting at the symbol's address; nullopt on any failure.
    virtual std::optional<std::vector<std::uint8_t>> read(const std::string& symbol, int size) = 0;
};

struct WizardContext {
private:
    struct Focus {
        std::string controller;
        bool running = false;
        int signal = 0;
    } own_;  // for a context without a frame

public:
    // The pages work on the frame's current controller, wizard flag and signal
    // index themselves, so whatever a page or the dialog sets is the frame's.
    WizardContext(std::string& controller, bool& running, int& signal)
        : controllerName(controller), wizardRunning(running), signalIndex(signal) {}
    WizardContext() : WizardContext(own_.controller, own_.running, own_.signal) {}
    WizardContext(const WizardContext&) = delete;
    WizardContext& operator=(const WizardContext&) = delete;

    // The open PLC's controller file; every page reads and writes the section
    // of controllerName in it.
    IniFile* file = nullptr;
    std::string& controllerName;
    bool& wizardRunning;
    int& signalIndex;  // 0, 1, 2: the controlled-variable page edits Y1, Y2, Y3

    int plcTypeIndex = -1;  // host's PLC type index; -1 when the host could not tell
    int plcSeries = -1;     // host's PLC series number; -1 when the host could not tell
    char decimalSeparator = '.';

    MessageBoxes* messages = nullptr;

    // The host's address text of a variable name (IYantVariables op 8), or
    // nullopt when the host does not know the name.
    std::function<std::optional<std::string>(const std::string& name)> variableAddress;
    // The host's variable selection dialog, preset with a name; nullopt on cancel.
    std::function<std::optional<std::string>(const std::string& preset)> selectVariable;
    // Generates the code of the named controller.
    std::function<void(const std::string& controllerName)> generate;
    // Shows the help topic of a page (file "Velmora").
    std::function<void(const std::string& topic)> showHelp;
    // Runs after the start page has ended a wizard: the plant-simulation
    // settings and the controller's online view.
    std::function<void()> wizardFinished;

    // The controller's data in the PLC, served by the controller's online view
    // when the page is opened from it. Null means not reachable: pages skip
    // their PLC writes and "Upload from PLC" reports a failed read.
    ControllerData* controllerData = nullptr;

    // A set-point modification the set-point page shows instead of the file's
    // (the tuning's suggestion on "Use vals"): ramp (RF) or filter, TiW in
    // samples; TiW 0 is no modification unless the ramp is kept.
    struct ProposedSetpoint {
        bool ramp = false;
        int tiW = 0;
    };
    std::optional<ProposedSetpoint> proposedSetpoint;

    std::string section() const { return ControllerSection(controllerName); }
    // The generated symbol of a member of this controller's data ("_Tau1" -> "PID_1_Tau1").
    std::string symbol(std::string_view member) const { return controllerName + std::string(member); }
};

}  // namespace wizard
}  // namespace velmora
