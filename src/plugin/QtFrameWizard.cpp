#include "plugin/QtFrameWizard.h"

#include "base/Help.h"
#include "base/com/TaskString.h"
#include "controllers/FormNew1.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"
#include "plugin/NewControllerFrame.h"
#include "plugin/QtSimulationDialog.h"
#include "wizard/FormWizardPage.h"

namespace velmora {

std::optional<std::string> SelectHostVariable(TFormReg1& frame, const std::string& preset) {
    auto dialogs = com::Query<IYantDialogs>(frame.host().registerCentre.get());
    if (!dialogs) return std::nullopt;
    com::TaskStringOut chosen;
    if (dialogs->SelectVariable(preset.c_str(), chosen.put()) != S_OK || chosen.str().empty())
        return std::nullopt;
    return chosen.str();
}

void FillWizardContext(TFormReg1& frame, wizard::WizardContext& context) {
    context.file = &frame.openControllerFile();
    // The unit lists follow the PLC the host has open now, event or no event.
    context.plcTypeIndex = HostPlcType(frame);
    context.plcSeries = HostPlcSeries(frame);
    context.decimalSeparator = frame.toolkit().decimalSeparator;
    context.messages = frame.toolkit().messages;
    context.variableAddress = [&frame](const std::string& name) -> std::optional<std::string> {
        auto variables = com::Query<IYantVariables>(frame.host().registerCentre.get());
        if (!variables) return std::nullopt;
        com::TaskStringOut address;
        if (FAILED(variables->TranslateSymbol(name.c_str(), address.put())) || address.str().empty())
            return std::nullopt;
        return address.str();
    };
    context.selectVariable = [&frame](const std::string& preset) {
        return SelectHostVariable(frame, preset);
    };
    context.generate = [&frame](const std::string& name) { frame.generate(name); };
    context.showHelp = [&frame](const std::string& topic) {
        ShowHelp(frame.frontEnd().helpViewer(), frame.language(), "Velmora", topic, "");
    };
}

bool RunFrameWizard(TFormReg1& frame, QWidget* owner) {
    // Without an open PLC there is no controller file to add to.
    if (frame.projectDirectory().empty() || frame.plcName().empty()) return false;
    MessageBoxes& messages = *frame.toolkit().messages;
    wizard::WizardContext context(frame.currentController, frame.wizardRunning, frame.signalIndex);
    FillWizardContext(frame, context);
    // The new controller's plant simulation is set before its view first loads it.
    context.wizardFinished = [&frame, owner] {
        RunSimulationDialog(frame, owner, frame.currentController);
        frame.openOnlineView(frame.currentController);
    };

    FrameNewControllerHost host(frame);
    const bool done = wizard::RunControllerWizard(
        context, owner, [&] { return RunNewControllerDialog(host, messages, owner, context.showHelp); });
    frame.releaseControllerFile();
    return done;
}

}  // namespace velmora
