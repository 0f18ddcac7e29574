#include "wizard/FormPIDMA1.h"
#include "wizard/FormPIDMA2.h"
#include "wizard/FormPReg1.h"
#include "wizard/FormPReg2.h"
#include "wizard/FormStr1.h"
#include "wizard/FormU1.h"
#include "wizard/FormW1.h"
#include "wizard/FormY1.h"

namespace velmora::wizard {

std::unique_ptr<WizardPageForm> CreateWizardPage(WizardPage page, WizardContext& context, QWidget* owner) {
    switch (page) {
        case WizardPage::ControlledVariable:
            return std::make_unique<TFormY1>(context, owner);
        case WizardPage::ControllerMode:
            return std::make_unique<TFormPReg1>(context, owner);
        case WizardPage::PidParameters:
            return std::make_unique<TFormPReg2>(context, owner);
        case WizardPage::Setpoint:
            return std::make_unique<TFormW1>(context, owner);
        case WizardPage::Output:
            return std::make_unique<TFormU1>(context, owner);
        case WizardPage::Start:
            return std::make_unique<TFormStr1>(context, owner);
        case WizardPage::PidmaController:
            return std::make_unique<TFormPIDMA1>(context, owner);
        case WizardPage::PidmaAutotuner:
            return std::make_unique<TFormPIDMA2>(context, owner);
    }
    return nullptr;
}

}  // namespace velmora::wizard
