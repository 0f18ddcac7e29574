#pragma once
// TFormOsaX1: the time axis ("Rozsah", "Mrizka po", "Zobrazit mrizku",
// "Format zobrazeneho casu") and the buffer length ("Pocet ulozenych vzorku").
#include <QDialog>

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
               char decimalSeparator = '.');
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
