#pragma once
// The new-controller dialog: the first page of the new-controller wizard.
#include <QDialog>

#include <functional>
#include <string>

#include "controllers/NewController.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace velmora {

// Shows a help topic of the file "Velmora".
using HelpFunction = std::function<void(const std::string& topic)>;
// The module's help in the loaded language, shown by the desktop's viewer; a
// missing topic is reported through messages.
HelpFunction ModuleHelp(MessageBoxes& messages);

class TFormNew1 : public QDialog {
    Q_OBJECT
public:
    // Without a help function the module's help is shown.
    TFormNew1(NewControllerHost& host, MessageBoxes& messages, HelpFunction help = {},
              QWidget* parent = nullptr);

    void localize();
    const NewController& controller() const { return controller_; }

    void reject() override;  // Cancel, Escape and the window's close button

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateOk();
    void Button1Click();
    void Button2Click();
    void HelpClick();

    NewController controller_;
    HelpFunction help_;
    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QToolButton* HelpButton1;
};

// Shows the dialog modally (the wizard's first step); true when it was accepted.
bool RunNewControllerDialog(NewControllerHost& host, MessageBoxes& messages, QWidget* owner = nullptr,
                            HelpFunction help = {});

}  // namespace velmora
