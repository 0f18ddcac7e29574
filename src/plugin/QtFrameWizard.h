#pragma once
// The frame's new-controller wizard with the Qt dialogs: the new-controller
// dialog, then the wizard pages, all working on the frame's current
// controller and wizard flag.
#include <optional>
#include <string>

class QWidget;

namespace velmora {

class TFormReg1;
namespace wizard {
struct WizardContext;
}

// The host's variable selection (IYantDialogs), preset with a name: the
// chosen name, or nullopt when cancelled or the host has none. Every "..."
// button of the plug-in's dialogs goes through it.
std::optional<std::string> SelectHostVariable(TFormReg1& frame, const std::string& preset);

// The frame's part of a wizard context: the open PLC's file, the host's
// look-ups, the generator and help.
void FillWizardContext(TFormReg1& frame, wizard::WizardContext& context);

// Runs the new-controller dialog and the wizard pages on the open PLC's
// controller file; true when every page was accepted.
bool RunFrameWizard(TFormReg1& frame, QWidget* owner);

}  // namespace velmora
