#pragma once
// Sampling at the view's communication tick: the six values the schema shows
// (w, e, u, y1, y2, y3), read back from their texts, go into the recording.
#include <array>
#include <string>
#include <string_view>

#include "base/Toolkit.h"
#include "online/TrendBuffer.h"

namespace velmora::online {

class OnlineExchange;

// A value box's text as a channel value: a trailing "%" is removed and the
// rest read as a decimal; a box that cannot be read ("-", "Error") gives 0.
float ChannelValueFromText(std::string_view text);

// The texts of the schema's value boxes for the six channels, from the data
// the exchange received: PID w from ConW, e from Dev (both in % of the
// measured range), u from Output, y1..y3 from the inputs; PIDMA w = sp,
// e = de, u = mv, y1 = pv. A channel the controller does not have is empty.
std::array<std::string, kTrendChannels> ShownChannelTexts(const OnlineExchange& exchange,
                                                          char decimalSeparator);

// Keeps the recording of one view and decides when a tick brings a sample.
class TrendRecorder {
public:
    explicit TrendRecorder(int capacity = kDefaultBufferLength) : buffer_(capacity) {}

    TrendBuffer& buffer() { return buffer_; }
    const TrendBuffer& buffer() const { return buffer_; }

    // A tick with new data (TickResult::newSample) stores a sample stamped
    // with the time the data arrived.
    void sample(const LocalTime& dataTime, const std::array<std::string, kTrendChannels>& shownTexts);

private:
    TrendBuffer buffer_;
};

}  // namespace velmora::online
