#pragma once
// The open-as dialog: under which name an imported controller is stored.
#include <QDialog>

#include "controllers/FormNew1.h"  // HelpFunction
#include "controllers/OpenAs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace velmora {

class TFormOpenAs1 : public QDialog {
    Q_OBJECT
public:
    // Without a help function the module's help is shown.
    TFormOpenAs1(MessageBoxes& messages, HelpFunction help = {}, QWidget* parent = nullptr);

    void localize();
    // The caller presets the name and reads name and dialect after OK (result 1).
    void setName(const std::string& name);
    std::string name() const;
    bool headerInST() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateOk();
    void Button1Click();
    void HelpClick();

    OpenAs openAs_;
    HelpFunction help_;
    QLabel* Label1;
    QLineEdit* Edit1;
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QPushButton* Button2;
    QToolButton* HelpButton1;
};

}  // namespace velmora
