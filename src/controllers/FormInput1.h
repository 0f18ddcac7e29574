#pragma once
// The value input dialog: one number within the caller's limits.
#include <QDialog>

#include "controllers/InputValue.h"

class QLineEdit;
class QPushButton;

namespace velmora {

class TFormInput1 : public QDialog {
    Q_OBJECT
public:
    explicit TFormInput1(MessageBoxes& messages, QWidget* parent = nullptr);

    void localize();
    // Limits, modes and the expression evaluator, set before showing.
    InputValue& input() { return input_; }
    void setText(const std::string& text);
    std::string text() const;

    void reject() override;  // Escape is Cancel

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Button1Click();
    void Button2Click();

    InputValue input_;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;
};

}  // namespace velmora
