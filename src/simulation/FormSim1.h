#pragma once
// TFormSim1: the plant-simulation settings of one controller, with a preview
// of the plant's open-loop step response drawn by the same model the online
// view runs.
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "simulation/SimulationDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class IniFile;
class MessageBoxes;

struct FormSim1Context {
    IniFile* file = nullptr;  // the open PLC's controller file
    std::string controllerName;
    char decimalSeparator = '.';
    MessageBoxes* messages = nullptr;
    // The host's variable selection, preset with a name; nullopt on cancel.
    // Empty when the host offers none: the "..." button is then disabled.
    std::function<std::optional<std::string>(const std::string& preset)> selectVariable;
};

class TFormSim1 : public QDialog {
    Q_OBJECT
public:
    TFormSim1(FormSim1Context context, QWidget* parent = nullptr);

    // Fills the controls from the controller's section.
    void FormActivate();
    // OK: checks the fields; writes every key and closes, or tells the user
    // which field is wrong and writes nothing.
    void Button1Click();
    // "...": the disturbance variable.
    void ButtonAddOut1Click();
    void Localize();

    // The settings the fields give now, or nothing while one is not valid.
    std::optional<PlantSettings> shownSettings() const;
    // The step response the preview draws.
    const std::vector<double>& preview() const { return preview_; }

private:
    void build();
    void updateEnabled();
    void updatePreview();
    SimChoices choices() const;
    std::array<std::string, kSimFields> fieldTexts() const;

    FormSim1Context context_;
    PlantSettings loaded_;
    std::vector<double> preview_;
    double previewSeconds_ = 0;
    double previewInput_ = 100;

    QCheckBox* CheckBoxSim1 = nullptr;
    std::array<QRadioButton*, 6> typeButtons_{};
    std::array<QLineEdit*, kSimFields> edits_{};
    std::array<QLabel*, kSimFields> labels_{};
    QCheckBox* CheckBoxAstat1 = nullptr;
    QCheckBox* CheckBoxDelay1 = nullptr;
    std::array<QRadioButton*, 3> addButtons_{};
    QLineEdit* EditAddOutName1 = nullptr;
    QLabel* LabelAddOutName1 = nullptr;
    QPushButton* ButtonAddOut1 = nullptr;
    QWidget* groupType_ = nullptr;
    QWidget* groupAdd_ = nullptr;
    QWidget* groupAstat_ = nullptr;
    QLabel* previewTitle_ = nullptr;
    QWidget* Preview1 = nullptr;
};

}  // namespace velmora
