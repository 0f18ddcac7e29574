#pragma once
// The plant-simulation dialog inside the running plug-in: opened from the
// online view's plant panel and at the end of the new-controller wizard.
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace velmora {

class TFormReg1;

// The host's variable selection for the disturbance variable's "..." button;
// none (the button disabled with a hint) when the host does not offer it.
std::function<std::optional<std::string>(const std::string& preset)> DisturbanceVariablePicker(
    TFormReg1& frame);

// Shows the simulation settings of the controller modally on the open PLC's
// controller file; true after "OK" (the keys are written).
bool RunSimulationDialog(TFormReg1& frame, QWidget* owner, const std::string& controllerName);

}  // namespace velmora
