#include "plugin/QtSimulationDialog.h"

#include <QDialogButtonBox>

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "online/QtDialogHelp.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"
#include "plugin/QtFrameWizard.h"
#include "simulation/FormSim1.h"

namespace velmora {

std::function<std::optional<std::string>(const std::string&)> DisturbanceVariablePicker(TFormReg1& frame) {
    // A host without the selection leaves the button disabled with its hint.
    if (!com::Query<IYantDialogs>(frame.host().registerCentre.get())) return {};
    return [&frame](const std::string& preset) { return SelectHostVariable(frame, preset); };
}

bool RunSimulationDialog(TFormReg1& frame, QWidget* owner, const std::string& controllerName) {
    if (frame.projectDirectory().empty() || frame.plcName().empty()) return false;
    // A file object of its own: the wizard that may be calling keeps the frame's.
    const auto path = frame.controllerFilePath();
    IniFile file(path, ProjectFolderOf(path));
    FormSim1Context context;
    context.file = &file;
    context.controllerName = controllerName;
    context.decimalSeparator = frame.toolkit().decimalSeparator;
    context.messages = frame.toolkit().messages;
    context.selectVariable = DisturbanceVariablePicker(frame);
    TFormSim1 form(std::move(context), owner);
    if (auto* buttons = form.findChild<QDialogButtonBox*>())
        online::AddDialogHelp(form, *buttons, "Velmora_Sim",
                              [&frame](const std::string& topic) { ShowHelpTopic(frame, topic); });
    return form.exec() == QDialog::Accepted;
}

}  // namespace velmora
