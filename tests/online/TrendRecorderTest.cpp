// Sampling from the view's value boxes: the text rule and the clock.
#include <gtest/gtest.h>

#include "online/TrendRecorder.h"

namespace velmora::online {
namespace {

TEST(TrendRecorder, ValueBoxTextsAndTimesFromTheFirstSample) {
    const struct {
        const char* text;
        float value;
    } cases[] = {{"12,50%", 12.5f}, {"-3.25%", -3.25f}, {"100.00% ", 100.0f}, {"Error", 0.0f},
                 {"-", 0.0f},       {"", 0.0f},         {"%", 0.0f},        {"7", 7.0f}};
    for (const auto& c : cases) EXPECT_EQ(ChannelValueFromText(c.text), c.value) << '"' << c.text << '"';
    TrendRecorder r(50);
    const std::array<std::string, kTrendChannels> texts{"1%", "2%", "Error", "4%", "", ""};
    r.sample(LocalTime{2024, 5, 1, 23, 59, 59, 500}, texts);
    r.sample(LocalTime{2024, 5, 2, 0, 0, 1, 0}, texts);  // over midnight
    ASSERT_EQ(r.buffer().count(), 2);
    EXPECT_FLOAT_EQ(r.buffer().time(1), 1.5f);
    EXPECT_EQ(r.buffer().value(2, 0), 0.0f);
    EXPECT_EQ(r.buffer().value(3, 1), 4.0f);
}

}  // namespace
}  // namespace velmora::online
