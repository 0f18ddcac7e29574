#pragma once
// The new-controller wizard: which pages follow each other for a controller
// kind and structure, run through a modal page runner so that tests can
// script each page.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/WizardContext.h"

namespace velmora::wizard {

enum class WizardPage {
    ControlledVariable,  // TFormY1, for the signal index of the context
    ControllerMode,      // TFormPReg1
    PidParameters,       // TFormPReg2
    Setpoint,            // TFormW1
    Output,              // TFormU1
    Start,               // TFormStr1
    PidmaController,     // TFormPIDMA1
    PidmaAutotuner,      // TFormPIDMA2
};

// The form class's name without its "T" ("FormY1"), as the log names it.
std::string_view PageFormName(WizardPage page);

// Shows one page modally; true when it was accepted with OK.
class PageRunner {
public:
    virtual ~PageRunner() = default;
    virtual bool show(WizardPage page, WizardContext& context) = 0;
};

// Runs the wizard after the new-controller dialog, which sets the current
// controller, writes its identity keys and sets wizard running; it returns
// false on cancel. Returns true when every page was accepted.
bool RunWizard(WizardContext& context, PageRunner& runner, const std::function<bool()>& newControllerDialog);

}  // namespace velmora::wizard
