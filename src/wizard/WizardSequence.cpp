#include "wizard/WizardSequence.h"

#include "base/IniFile.h"
#include "base/Log.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

std::string_view PageFormName(WizardPage page) {
    switch (page) {
        case WizardPage::ControlledVariable:
            return "FormY1";
        case WizardPage::ControllerMode:
            return "FormPReg1";
        case WizardPage::PidParameters:
            return "FormPReg2";
        case WizardPage::Setpoint:
            return "FormW1";
        case WizardPage::Output:
            return "FormU1";
        case WizardPage::Start:
            return "FormStr1";
        case WizardPage::PidmaController:
            return "FormPIDMA1";
        case WizardPage::PidmaAutotuner:
            return "FormPIDMA2";
    }
    return "";
}

namespace {

// Only these pages have their steps in the plug-in log.
bool Logged(WizardPage page) {
    return page == WizardPage::ControlledVariable || page == WizardPage::ControllerMode ||
           page == WizardPage::PidParameters;
}

bool Step(WizardContext& context, PageRunner& runner, WizardPage page) {
    std::string name(PageFormName(page));
    if (Logged(page)) Log("Created " + name);
    bool accepted = runner.show(page, context);
    if (Logged(page)) Log("Showed " + name);
    // The page discards the new controller itself; this keeps the rule even
    // when a page could not be shown at all.
    if (!accepted) AfterPageClosed(context, false);
    return accepted;
}

}  // namespace

bool RunWizard(WizardContext& context, PageRunner& runner, const std::function<bool()>& newControllerDialog) {
    Log("Wizard begin");
    if (!newControllerDialog || !newControllerDialog()) return false;
    // The dialog has just written the identity keys; without the file there is
    // nothing to fill.
    if (!context.file || !context.file->fileExists() || !context.wizardRunning) {
        context.wizardRunning = false;
        return false;
    }
    const std::string section = context.section();
    if (SectionReader(*context.file, section, Reader::WizardSequence).kind() != ControllerKind::Pid) {
        context.signalIndex = 0;
        return Step(context, runner, WizardPage::PidmaController) &&
               Step(context, runner, WizardPage::PidmaAutotuner) && Step(context, runner, WizardPage::Start);
    }

    context.signalIndex = 0;
    if (!Step(context, runner, WizardPage::ControlledVariable)) return false;
    if (!Step(context, runner, WizardPage::ControllerMode)) return false;
    // What the mode page has just written decides the further signals.
    const auto keys = [&] {
        return SectionReader(*context.file, section, ControllerKind::Pid, Reader::WizardSequence);
    };
    if (keys().integer(key::InputMode) > 1) {
        context.signalIndex = 1;
        if (!Step(context, runner, WizardPage::ControlledVariable)) return false;
    }
    if (keys().flag(key::Cascade)) {
        context.signalIndex = 2;
        if (!Step(context, runner, WizardPage::ControlledVariable)) return false;
    }
    return Step(context, runner, WizardPage::PidParameters) && Step(context, runner, WizardPage::Setpoint) &&
           Step(context, runner, WizardPage::Output) && Step(context, runner, WizardPage::Start);
}

}  // namespace velmora::wizard
