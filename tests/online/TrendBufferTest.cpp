// The recording ring: its length rule, the first sample, wrapping, the block summaries the
// redraw relies on instead of the samples, and the sampling from the view's value boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "online/TrendBuffer.h"
#include "online/TrendRecorder.h"

namespace velmora::online {
namespace {

TrendValues All(float v) {
    TrendValues values;
    values.fill(v);
    return values;
}

TEST(TrendBufferLength, TypedTextFollowsTheRule) {
    for (const char* text : {"0", "-5", "abc", "", "12.5", "-99999999999999999999"})
        EXPECT_EQ(BufferLengthFromText(text), 50) << '"' << text << '"';
    for (const char* text : {"2500000", "2000000", "99999999999999999999"})
        EXPECT_EQ(BufferLengthFromText(text), 2000000) << text;
    for (const auto& [text, length] : {std::pair{"1999999", 1999999}, {"49", 49}, {"1", 1}, {" 75 ", 75}})
        EXPECT_EQ(BufferLengthFromText(text), length) << '"' << text << '"';
}

TEST(TrendBufferSampling, FirstSampleStartsTheClockLoadedRecordingsGoOnAndUnreadableValuesAreZero) {
    TrendBuffer b(50);
    EXPECT_EQ(b.total(), -1);
    b.sample(1'000'000'000, All(1));
    EXPECT_EQ(std::tuple(b.total(), b.count(), b.time(0), b.startStamp()),
              std::tuple(0, 1, 0.0f, 1'000'000'000));
    b.sample(1'000'000'000 + 15'000'000, All(2));
    EXPECT_EQ(std::tuple(b.time(1), b.total()), std::tuple(1.5f, 1));
    b.clear();
    b.sample(7, All(3));  // after "Novy" the next sample is a first one again
    EXPECT_EQ(std::tuple(b.count(), b.time(0), b.startStamp()), std::tuple(1, 0.0f, 7));
    // A loaded recording goes on from its newest time.
    b = TrendBuffer(50);
    b.append(10.0f, All(1));
    b.append(20.0f, All(2));
    b.sample(5 * 10'000'000LL, All(3));
    b.sample(6 * 10'000'000LL, All(4));
    EXPECT_EQ(std::tuple(b.time(2), b.time(3)), std::tuple(20.0f, 21.0f));
    // Unreadable values are stored as zero.
    b = TrendBuffer(50);
    TrendValues v = All(5);
    v[2] = std::numeric_limits<float>::quiet_NaN();
    v[4] = std::numeric_limits<float>::infinity();
    b.append(0, v);
    EXPECT_EQ(std::tuple(b.value(2, 0), b.value(4, 0), b.value(3, 0)), std::tuple(0.0f, 0.0f, 5.0f));
}

TEST(TrendBufferRing, KeepsTheNewestCapacitySamplesAndAChangedLengthClears) {
    TrendBuffer b(50);
    for (int i = 0; i < 120; ++i) b.append(static_cast<float>(i), All(static_cast<float>(i) * 2));
    EXPECT_EQ(std::tuple(b.count(), b.total(), b.time(0), b.time(49), b.value(5, 0)),
              std::tuple(50, 119, 70.0f, 119.0f, 140.0f));
    EXPECT_EQ(std::tuple(b.lowerBound(69.5), b.lowerBound(100.0), b.lowerBound(1000.0)),
              std::tuple(0, 30, 50));
    b = TrendBuffer(100);
    b.append(1, All(1));
    b.setCapacity(100);
    EXPECT_EQ(b.count(), 1);
    b.setCapacity(0);  // becomes 50: a change
    EXPECT_EQ(std::tuple(b.capacity(), b.count(), b.total()), std::tuple(50, 0, -1));
}

TEST(TrendDecimation, DenseWindowsKeepEveryPeakSparseOnesTheSamplesAndANeighbourEachSide) {
    TrendBuffer b(200000);
    for (int i = 0; i < 200000; ++i)
        b.append(i * 0.01f, All(i == 123457 ? 99.0f : (i == 54321 ? -77.0f : 1.0f)));
    std::vector<int> bounds;
    ColumnBounds(b, 0, 2000, 100, bounds);
    EXPECT_EQ(std::tuple(bounds.front(), bounds.back()), std::tuple(0, 200000));
    std::vector<TracePoint> points;
    DecimateTrace(b, 3, 0, 2000, 100, bounds, points);
    EXPECT_LE(points.size(), 4u * 100 + 2);
    const auto [lo, hi] =
        std::minmax_element(points.begin(), points.end(),
                            [](const TracePoint& a, const TracePoint& c) { return a.value < c.value; });
    // 1234.57 s of 2000 s in 100 columns
    EXPECT_EQ(std::tuple(lo->value, hi->value, static_cast<int>(hi->x)), std::tuple(-77.0f, 99.0f, 61));
    // A sparse window gives the samples and one neighbour each side.
    b = TrendBuffer(50);
    for (int i = 0; i < 10; ++i) b.append(static_cast<float>(i * 10), All(static_cast<float>(i)));
    ColumnBounds(b, 25, 30, 300, bounds);  // the samples at 30, 40, 50 fall in
    DecimateTrace(b, 0, 25, 30, 300, bounds, points);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(std::tuple(points.front().value, points.back().value), std::tuple(2.0f, 6.0f));
    EXPECT_FLOAT_EQ(points.front().x, -50.0f);
}

TEST(TrendRecorder, ValueBoxTextsAndTimesFromTheFirstSample) {
    const struct {
        const char* text;
        float value;
    } cases[] = {{"12,50%", 12.5f}, {"-3.25%", -3.25f}, {"100.00% ", 100.0f}, {"Error", 0.0f},
                 {"-", 0.0f},       {"", 0.0f},         {"%", 0.0f},          {"7", 7.0f}};
    for (const auto& c : cases) EXPECT_EQ(ChannelValueFromText(c.text), c.value) << '"' << c.text << '"';
    TrendRecorder r(50);
    const std::array<std::string, kTrendChannels> texts{"1%", "2%", "Error", "4%", "", ""};
    r.sample(LocalTime{2024, 5, 1, 23, 59, 59, 500}, texts);
    r.sample(LocalTime{2024, 5, 2, 0, 0, 1, 0}, texts);  // over midnight
    ASSERT_EQ(r.buffer().count(), 2);
    EXPECT_EQ(std::tuple(r.buffer().time(1), r.buffer().value(2, 0), r.buffer().value(3, 1)),
              std::tuple(1.5f, 0.0f, 4.0f));
}

}  // namespace
}  // namespace velmora::online
