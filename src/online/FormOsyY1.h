#pragma once
// TFormOsyY1: the Y axes. A check list of the six channels (check = visible)
// and, for the selected one, maximum, minimum, grid step, the positions of
// maximum and minimum, colour, grid, "same as", the points, the caption,
// "Max"/"Min" from the recording and the order buttons, in the module's
// language; Help opens "Velmora_graph".
#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

#include "online/QtDialogHelp.h"
#include "online/TrendSettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velmora::online {

class TFormOsyY1 : public QDialog {
    Q_OBJECT

public:
    TFormOsyY1(const TrendSettings& settings, const TrendBuffer* recording, QWidget* parent = nullptr,
               char decimalSeparator = '.', HelpTopicFunction help = {});
    TrendSettings result() const;
    int selected() const { return selected_; }
    void select(int channel);

    void ButtonMax1Click();  // Maximum from the recorded values of the channel
    void ButtonMin1Click();
    void ButtonUp1Click();  // drawn one place earlier
    void ButtonDown1Click();
    void ButtonBarva1Click();
    // The colour dialog unless replaced.
    std::function<std::optional<std::uint32_t>(std::uint32_t current)> chooseColour;

private:
    void load();   // the selected channel into the edits
    void store();  // the edits into the selected channel
    void swapOrder(int step);
    void showColour();

    TrendSettings settings_;
    const TrendBuffer* recording_;
    char separator_;
    int selected_ = -1;
    QListWidget* list_;
    QLineEdit *max_, *min_, *step_, *posMax_, *posMin_, *pointSize_, *label_;
    QCheckBox *grid_, *points_;
    QComboBox* sameAs_;
    QPushButton* colour_;
};

}  // namespace velmora::online
