// Sampling from the view's value boxes: the text rule and the "newer data" rule.
#include <gtest/gtest.h>

#include "online/TrendRecorder.h"

namespace velmora::online {
namespace {

TEST(TrendRecorder, ValueBoxTextsAreSampledOnlyWhenNewerByMoreThanAMillisecond) {
    const struct {
        const char* text;
        float value;
    } cases[] = {{"12,50%", 12.5f}, {"-3.25%", -3.25f}, {"100.00% ", 100.0f}, {"Error", 0.0f},
                 {"-", 0.0f},       {"", 0.0f},         {"%", 0.0f},        {"7", 7.0f}};
    for (const auto& c : cases) EXPECT_EQ(ChannelValueFromText(c.text), c.value) << '"' << c.text << '"';
    TrendRecorder r(50);
    const std::array<std::string, kTrendChannels> texts{"1%", "2%", "Error", "4%", "", ""};
    EXPECT_FALSE(r.sampleIfNewer(std::nullopt, texts));
    const struct {
        int second, millisecond;
        bool taken;
    } ticks[] = {{10, 0, true}, {10, 1, false}, {10, 2, true}, {10, 2, false}, {11, 500, true}};
    for (const auto& t : ticks)
        EXPECT_EQ(r.sampleIfNewer(LocalTime{2024, 5, 1, 8, 0, t.second, t.millisecond}, texts), t.taken)
            << t.second << "." << t.millisecond;
    ASSERT_EQ(r.buffer().count(), 3);
    EXPECT_FLOAT_EQ(r.buffer().time(2), 1.5f);
    EXPECT_EQ(r.buffer().value(2, 0), 0.0f);
    EXPECT_EQ(r.buffer().value(3, 2), 4.0f);
}

}  // namespace
}  // namespace velmora::online
