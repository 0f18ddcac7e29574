#include "online/TrendRecorder.h"

#include <cmath>

#include "base/ParseDecimal.h"
#include "online/OnlineExchange.h"
#include "online/TrendSettings.h"
#include "online/TrendTime.h"

namespace velmora::online {

float ChannelValueFromText(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    const double v = ParseDecimal(text);
    return std::isfinite(v) ? static_cast<float>(v) : 0.0f;
}

std::array<std::string, kTrendChannels> ShownChannelTexts(const OnlineExchange& x, char sep) {
    std::array<std::string, kTrendChannels> texts;
    if (!x.hasData()) return texts;
    if (x.kind() == ControllerKind::Pidma) {
        const auto& img = x.pidmaImage();
        texts[kChannelW] = PidmaPercentValue(plc::GetReal(img.data() + plc::PidaOffset("sp")), sep).text;
        texts[kChannelE] = PidmaPercentValue(plc::GetReal(img.data() + plc::PidaOffset("de")), sep).text;
        texts[kChannelU] = PidmaPercentValue(plc::GetReal(img.data() + plc::PidaOffset("mv")), sep).text;
        texts[kChannelY1] = PidmaPercentValue(plc::GetReal(img.data() + plc::PidaOffset("pv")), sep).text;
        return texts;
    }
    const std::uint8_t* t = x.tpid();
    const auto word = [t](int at) { return plc::GetInt16(t + at); };
    const int minY = x.minY(), maxY = x.maxY();
    const std::uint8_t det = t[plc::PidOffset("Det")];
    const std::string& name = x.name();
    if (const auto w = InputPercent(word(plc::PidOffset("ConW")), minY, maxY))
        texts[kChannelW] = FormatPercent(*w, sep);
    if (maxY != minY)
        texts[kChannelE] =
            FormatPercent(word(plc::PidOffset("Dev")) * 100.0 / (static_cast<double>(maxY) - minY), sep);
    texts[kChannelU] = PidOutputValue(word(plc::PidOffset("Output")), name, sep).text;
    texts[kChannelY1] = PidInputValue(1, word(plc::PidOffset("Input1")), minY, maxY, det, name, sep).text;
    if (x.settings().hasInput2())
        texts[kChannelY2] = PidInputValue(2, x.input2(), minY, maxY, det, name, sep).text;
    if (x.settings().hasInput3())
        texts[kChannelY3] = PidInputValue(3, x.input3(), minY, maxY, det, name, sep).text;
    return texts;
}

void TrendRecorder::sample(const LocalTime& dataTime, const std::array<std::string, kTrendChannels>& texts) {
    TrendValues values{};
    for (int c = 0; c < kTrendChannels; ++c) values[c] = ChannelValueFromText(texts[c]);
    buffer_.sample(TrendStamp(dataTime), values);
}

}  // namespace velmora::online
