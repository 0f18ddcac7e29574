#pragma once
// The decisions of the value input dialog TFormInput1: reading the typed text
// as an integer, a real number or an expression, and checking it against the
// caller's limits.
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class MessageBoxes;

// The text in upper case read like scanf's "$%X" when it begins with "$"
// (hexadecimal), otherwise like "%i" (decimal, "0X" hexadecimal, leading-0
// octal). Leading blanks and a sign are accepted, trailing text is ignored;
// nullopt when no number begins the text.
std::optional<long long> ReadIntegerText(std::string_view text);
// Every "," becomes "." and the text is read like scanf's "%lf", independent of
// the process locale; nullopt when no number begins the text.
std::optional<double> ReadRealText(std::string_view text);

class InputValue {
public:
    explicit InputValue(MessageBoxes& messages) : messages_(messages) {}

    float minimum = 0.0f;
    float maximum = 0.0f;
    bool integerMode = false;
    bool expressionMode = false;
    bool unchecked = false;

    // OK click with Edit1's text: sets may close for a valid value within the
    // limits, otherwise shows why not and leaves the dialog open.
    void okClick(const std::string& text);
    void cancelClick() { mayClose_ = true; }
    bool closeQuery() const { return mayClose_; }
    bool mayClose() const { return mayClose_; }
    // The value the last successful OK click read.
    std::optional<double> value() const { return value_; }

private:
    MessageBoxes& messages_;
    bool mayClose_ = false;
    std::optional<double> value_;
};

}  // namespace velmora
