#include "online/OnlineValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/Texts.h"

namespace velmora::online {

std::optional<double> InputPercent(int input, int minY, int maxY) {
    if (maxY == minY) return std::nullopt;
    return (static_cast<double>(input) - minY) * 100.0 / (static_cast<double>(maxY) - minY);
}

std::string FormatPercent(double value, char decimalSeparator) {
    char text[400];
    std::string out(text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr);
    for (char& c : out)
        if (c == '.') c = decimalSeparator;
    return out + "%";
}

ShownValue PidInputValue(int signal, std::int16_t input, int minY, int maxY, std::uint8_t det,
                         const std::string& name, char decimalSeparator) {
    ShownValue shown;
    const auto percent = InputPercent(input, minY, maxY);
    if (!percent) {
        shown.error = true;
        shown.text = Text(3019);
        shown.hint = "MaxY == MinY!";
        return shown;
    }
    const std::uint8_t errorBit = signal == 3 ? kDetEY[2] : signal == 2 ? kDetEY[1] : kDetEY[0];
    if (det & errorBit) {
        shown.error = true;
        shown.text = Text(3019);
        shown.hint = Text(signal == 3 ? 3469 : signal == 2 ? 3468 : 3467);
        return shown;
    }
    shown.text = FormatPercent(*percent, decimalSeparator);
    const std::string input_ = "_Input" + std::to_string(signal == 2 || signal == 3 ? signal : 1);
    shown.hint =
        "((" + name + input_ + " - " + name + "_MinY) / (" + name + "_MaxY - " + name + "_MinY)) * 100%";
    return shown;
}

ShownValue PidOutputValue(std::int16_t hundredths, const std::string& name, char decimalSeparator) {
    return {FormatPercent(hundredths * 0.01, decimalSeparator), false, name + "_Output * 0,01%"};
}

ShownValue PidmaPercentValue(float percent, char decimalSeparator) {
    if (!std::isfinite(percent)) return {Text(3019), true, {}};
    return {FormatPercent(percent, decimalSeparator), false, {}};
}

}  // namespace velmora::online
