#pragma once
// TFormOsaX1: the time axis (range, grid step, grid, shown time format) and
// the buffer length, in the module's language; Help opens "Velmora_graph".
#include <QDialog>

#include "online/QtDialogHelp.h"
#include "online/TrendSettings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmora::online {

class TFormOsaX1 : public QDialog {
    Q_OBJECT

public:
    // newest: the time of the newest sample, which "Vse" makes the range.
    TFormOsaX1(const TrendSettings& settings, double newest, QWidget* parent = nullptr,
               char decimalSeparator = '.', HelpTopicFunction help = {});
    // The settings with what the dialog shows; the buffer length by the
    // typed-length rule (0 when not an integer, below 1 → 50, capped at 2,000,000).
    TrendSettings result() const;

    void ButtonVse1Click();

private:
    TrendSettings settings_;
    double newest_;
    char separator_;
    QLineEdit *range_, *step_, *buffer_;
    QCheckBox* grid_;
    QComboBox* format_;
};

}  // namespace velmora::online
