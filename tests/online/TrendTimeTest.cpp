// The shown time window (follow, scroll, zoom, pointer) and the time labels.
#include <gtest/gtest.h>

#include "online/TrendTime.h"

namespace velmora::online {
namespace {

TEST(TrendTimeWindow, FollowScrollAndTheTimeUnderThePointerClampedToThePlot) {
    const struct {
        double newest, width;
        int position;
        double follow, scrolled;
        int maximum;
    } cases[] = {
        {50, 100, 10, 0, 0, 0},          // less than a window recorded
        {250, 100, 10, 150, 10, 151},    // a position inside the range stays
        {250, 100, 400, 150, 151, 151},  // past the end: the last whole start
        {250.7, 100, 400, 150.7, 151, 151},
        {99.5, 100, 3, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(FollowStart(c.newest, c.width), c.follow) << c.newest;
        EXPECT_DOUBLE_EQ(ScrollStart(c.position, c.newest, c.width), c.scrolled)
            << c.newest << " " << c.position;
        EXPECT_EQ(ScrollMaximum(c.newest, c.width), c.maximum) << c.newest;
    }
    const TimeSpan shown{20, 100};
    for (const auto& [x, t] :
         {std::pair{40, 20.0}, {0, 20.0}, {540, 120.0}, {900, 120.0}, {290, 70.0}, {41, 20.2}})
        EXPECT_DOUBLE_EQ(TimeAtPixel(shown, x, 40, 500), t) << x;
    EXPECT_DOUBLE_EQ(PixelOfTime(shown, 70, 40, 500), 290);
}

TEST(TrendTimeWindow, ZoomByTwoTimesInEitherOrderAndByTheWheel) {
    const TimeSpan shown{100, 200};
    const struct {
        const char* what;
        TimeSpan got;
        double start, width;
    } cases[] = {
        {"drag right", ZoomBetween(shown, 130, 170), 130, 40},
        {"drag left", ZoomBetween(shown, 170, 130), 130, 40},
        {"click zooms in around the point", ZoomBetween(shown, 150, 150), 125, 100},
        {"wheel in keeps the pointer's time", ZoomAround(shown, 250, true), 175, 100},
        {"wheel out", ZoomAround(shown, 150, false), 50, 400},
        {"wheel out stops at the start", ZoomAround({10, 200}, 60, false), 0, 400},
        {"narrowest", ZoomAround({0, 0.0015}, 0, true), 0, 0.001},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(c.got.start, c.start) << c.what;
        EXPECT_DOUBLE_EQ(c.got.width, c.width) << c.what;
    }
}

TEST(TrendTimeLabels, FourFormats) {
    // 13:05:07.250 local on some day, as the recording's start.
    const std::int64_t start = TrendStamp({2024, 3, 9, 13, 5, 7, 250});
    const struct {
        double seconds;
        TimeFormat format;
        const char* text;
    } cases[] = {
        {12.5, TimeFormat::Seconds, "12,5"},
        {3725.257, TimeFormat::Seconds, "3725,257"},
        {0, TimeFormat::MinutesSeconds, "0:00,00"},
        {125.256, TimeFormat::MinutesSeconds, "2:05,26"},
        {3725.5, TimeFormat::MinutesSeconds, "62:05,50"},
        {3725.5, TimeFormat::HoursMinutesSeconds, "1:02:05,50"},
        {59.999, TimeFormat::HoursMinutesSeconds, "0:01:00,00"},
        {0, TimeFormat::Absolute, "13:05:07,25"},
        {3725.5, TimeFormat::Absolute, "14:07:12,75"},
        {11 * 3600.0, TimeFormat::Absolute, "0:05:07,25"},  // past midnight
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatTrendTime(c.seconds, c.format, start, ','), c.text)
            << c.seconds << " " << int(c.format);
}

TEST(TrendTimeLabels, StampsCountHundredNanosecondsAcrossDaysAndGridLinesFallOnMultiples) {
    const std::int64_t a = TrendStamp({2023, 12, 31, 23, 59, 59, 999});
    const std::int64_t b = TrendStamp({2024, 1, 1, 0, 0, 0, 0});
    EXPECT_EQ(b - a, 10'000);
    EXPECT_EQ(TrendStamp({1970, 1, 1, 0, 0, 1, 0}), kStampsPerSecond);
    EXPECT_EQ(GridTimes({3, 20}, 5), (std::vector<double>{5, 10, 15, 20}));
    EXPECT_EQ(GridValues(100, -100, 50), (std::vector<double>{-100, -50, 0, 50, 100}));
    EXPECT_LE(GridTimes({0, 1e6}, 0.001).size(), 201u);
    EXPECT_TRUE(GridValues(0, 100, 0).empty());
    EXPECT_TRUE(GridValues(0, 100, -5).empty());
}

// Labels come at a regular step: one stride for the axis, aligned to its multiples.
TEST(TrendTime, TimeLabelsTakeOneRegularStride) {
    const struct {
        double stepPixels, labelPixels;
        int stride;
    } cases[] = {{40, 30, 1}, {20, 30, 2}, {8, 30, 5}, {2, 30, 20}, {0, 30, 1}, {0.001, 1e9, 1'000'000'000}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeLabelStride(c.stepPixels, c.labelPixels), c.stride)
            << c.stepPixels << " " << c.labelPixels;
    std::vector<double> labelled;
    for (double t : GridTimes({3, 60}, 5))
        if (LabelledGridTime(t, 5, 2)) labelled.push_back(t);
    EXPECT_EQ(labelled, (std::vector<double>{10, 20, 30, 40, 50, 60}));
}

}  // namespace
}  // namespace velmora::online
