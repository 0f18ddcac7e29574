// The recording ring: its length rule, the first-sample rule, wrapping, the
// block summaries that the redraw relies on instead of the samples, the
// sampling from the view's value boxes; the shown time window (follow, scroll,
// zoom, pointer) and the time labels; the recording's data file as written,
// read back, written by hand or damaged (refused, or read up to the last good
// row, the recording kept when refused), and the CSV of the shown window.
#include <gtest/gtest.h>

#include <algorithm>

#include "online/TrendBuffer.h"
#include "online/TrendDataFile.h"
#include "online/TrendRecorder.h"
#include "online/TrendTime.h"
#include "support/Support.h"

namespace velmora::online {
namespace {

using velmora::testing::ReadBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteBytes;

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
    EXPECT_EQ(b.total(), 0);
    EXPECT_EQ(b.count(), 1);
    EXPECT_FLOAT_EQ(b.time(0), 0.0f);
    EXPECT_EQ(b.startStamp(), 1'000'000'000);
    b.sample(1'000'000'000 + 15'000'000, All(2));
    EXPECT_FLOAT_EQ(b.time(1), 1.5f);
    EXPECT_EQ(b.total(), 1);
    b.clear();
    b.sample(7, All(3));  // after "Novy" the next sample is a first one again
    EXPECT_EQ(b.count(), 1);
    EXPECT_FLOAT_EQ(b.time(0), 0.0f);
    EXPECT_EQ(b.startStamp(), 7);
    // A loaded recording goes on from its newest time.
    b = TrendBuffer(50);
    b.append(10.0f, All(1));
    b.append(20.0f, All(2));
    b.sample(5 * 10'000'000LL, All(3));
    b.sample(6 * 10'000'000LL, All(4));
    EXPECT_FLOAT_EQ(b.time(2), 20.0f);
    EXPECT_FLOAT_EQ(b.time(3), 21.0f);
    // Unreadable values are stored as zero.
    b = TrendBuffer(50);
    TrendValues v = All(5);
    v[2] = std::numeric_limits<float>::quiet_NaN();
    v[4] = std::numeric_limits<float>::infinity();
    b.append(0, v);
    EXPECT_EQ(b.value(2, 0), 0.0f);
    EXPECT_EQ(b.value(4, 0), 0.0f);
    EXPECT_EQ(b.value(3, 0), 5.0f);
}

TEST(TrendBufferRing, KeepsTheNewestCapacitySamplesAndAChangedLengthClears) {
    TrendBuffer b(50);
    for (int i = 0; i < 120; ++i) b.append(static_cast<float>(i), All(static_cast<float>(i) * 2));
    EXPECT_EQ(b.count(), 50);
    EXPECT_EQ(b.total(), 119);
    EXPECT_FLOAT_EQ(b.time(0), 70.0f);
    EXPECT_FLOAT_EQ(b.time(49), 119.0f);
    EXPECT_FLOAT_EQ(b.value(5, 0), 140.0f);
    EXPECT_EQ(b.lowerBound(69.5), 0);
    EXPECT_EQ(b.lowerBound(100.0), 30);
    EXPECT_EQ(b.lowerBound(1000.0), 50);
    b = TrendBuffer(100);
    b.append(1, All(1));
    b.setCapacity(100);
    EXPECT_EQ(b.count(), 1);
    b.setCapacity(0);  // becomes 50: a change
    EXPECT_EQ(b.capacity(), 50);
    EXPECT_EQ(b.count(), 0);
    EXPECT_EQ(b.total(), -1);
}

TEST(TrendDecimation, DenseWindowsKeepEveryPeakSparseOnesTheSamplesAndANeighbourEachSide) {
    TrendBuffer b(200000);
    for (int i = 0; i < 200000; ++i)
        b.append(i * 0.01f, All(i == 123457 ? 99.0f : (i == 54321 ? -77.0f : 1.0f)));
    std::vector<int> bounds;
    ColumnBounds(b, 0, 2000, 100, bounds);
    EXPECT_EQ(bounds.front(), 0);
    EXPECT_EQ(bounds.back(), 200000);
    std::vector<TracePoint> points;
    DecimateTrace(b, 3, 0, 2000, 100, bounds, points);
    EXPECT_LE(points.size(), 4u * 100 + 2);
    const auto [lo, hi] =
        std::minmax_element(points.begin(), points.end(),
                            [](const TracePoint& a, const TracePoint& c) { return a.value < c.value; });
    EXPECT_EQ(lo->value, -77.0f);
    EXPECT_EQ(hi->value, 99.0f);
    EXPECT_EQ(static_cast<int>(hi->x), 61);  // 1234.57 s of 2000 s in 100 columns
    // A sparse window gives the samples and one neighbour each side.
    b = TrendBuffer(50);
    for (int i = 0; i < 10; ++i) b.append(static_cast<float>(i * 10), All(static_cast<float>(i)));
    ColumnBounds(b, 25, 30, 300, bounds);  // the samples at 30, 40, 50 fall in
    DecimateTrace(b, 0, 25, 30, 300, bounds, points);
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points.front().value, 2.0f);
    EXPECT_FLOAT_EQ(points.front().x, -50.0f);
    EXPECT_EQ(points.back().value, 6.0f);
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
    EXPECT_FLOAT_EQ(r.buffer().time(1), 1.5f);
    EXPECT_EQ(r.buffer().value(2, 0), 0.0f);
    EXPECT_EQ(r.buffer().value(3, 1), 4.0f);
}

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

TEST(TrendDataFile, WordCountAndTabSeparatedRowsWithCrLfRoundTripThroughTheAtomicWriter) {
    TrendBuffer b(50);
    b.append(0.0f, {12.5f, -3.0f, 100.0f, 1e-7f, 123456789.0f, 0.1f});
    b.append(1.25f, {0, 0, 0, 0, 0, -0.5f});
    EXPECT_EQ(TrendDataText(b),
              "Regulatory\r\n2\r\n"
              "0\t12.5\t-3\t100\t1e-07\t1.23457e+08\t0.1\r\n"
              "1.25\t0\t0\t0\t0\t0\t-0.5\r\n");

    TempDir dir;
    b = TrendBuffer(100);
    for (int i = 0; i < 250; ++i)  // wrapped: the file holds the newest 100, oldest first
        b.append(i * 0.5f,
                 {static_cast<float>(i), -static_cast<float>(i) / 3, 1, 2, 3, static_cast<float>(i % 7)});
    ASSERT_EQ(SaveTrendDataFile(dir / "rec.txt", b), "");
    EXPECT_EQ(ReadBytes(dir / "rec.txt"), TrendDataText(b));
    TrendBuffer back(100);
    const TrendLoadResult r = LoadTrendDataFile(dir / "rec.txt", back);
    ASSERT_TRUE(r.loaded) << r.message;
    ASSERT_EQ(back.count(), 100);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(back.time(i), b.time(i));
        for (int c = 0; c < kTrendChannels; ++c) EXPECT_NEAR(back.value(c, i), b.value(c, i), 1e-4) << i;
    }
    // A shorter recording keeps the newest rows of a longer file.
    TrendBuffer shorter(60);
    ASSERT_TRUE(LoadTrendDataFile(dir / "rec.txt", shorter).loaded);
    EXPECT_EQ(shorter.count(), 60);
    EXPECT_EQ(shorter.newestTime(), b.newestTime());
}

TEST(TrendDataFile, ReadsAFileWrittenByHand) {
    TempDir dir;
    // Spaces as well as tabs, a blank line, a count on the word's line, a last line without its end.
    WriteBytes(dir / "hand.txt",
               "Regulatory 3\n"
               "0\t1\t2\t3\t4\t5\t6\r\n"
               "\n"
               "0.5  -1.5e1 +2 3 4 5 6\n"
               "1\t7\t7\t7\t7\t7\t7.75");
    TrendBuffer b(50);
    const TrendLoadResult r = LoadTrendDataFile(dir / "hand.txt", b);
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(r.message, "");
    ASSERT_EQ(b.count(), 3);
    EXPECT_EQ(b.value(0, 1), -15.0f);
    EXPECT_EQ(b.value(1, 1), 2.0f);
    EXPECT_EQ(b.value(5, 2), 7.75f);
    EXPECT_EQ(b.time(2), 1.0f);
}

TEST(TrendDataFile, BadFilesAreRefusedOrReadUpToTheLastGoodRow) {
    const std::string row = "1\t2\t3\t4\t5\t6\t7\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool loaded;
        int rows;
        const char* message;
    } cases[] = {
        {"wrong word", "Regulator\r\n1\r\n" + row, false, 0, "does not begin with \"Regulatory\""},
        {"empty file", "", false, 0, "empty"},
        {"no count", "Regulatory\r\n", false, 0, "ends before the number"},
        {"letters for the count", "Regulatory\r\nten\r\n" + row, false, 0, "line 2 is not a count"},
        {"negative count", "Regulatory\r\n-1\r\n", false, 0, "not a count"},
        {"short row", "Regulatory\r\n3\r\n" + row + "1\t2\t3\r\n" + row, true, 1, "Line 4 is not"},
        {"letters in a row", "Regulatory\r\n3\r\n" + row + row + "1\t2\tx\t4\t5\t6\t7\r\n", true, 2,
         "Line 5"},
        {"comma decimals", "Regulatory\r\n1\r\n1,5\t2\t3\t4\t5\t6\t7\r\n", true, 0, "Line 3"},
        {"extra field", "Regulatory\r\n1\r\n1\t2\t3\t4\t5\t6\t7\t8\r\n", true, 0, "Line 3"},
        {"not a number", "Regulatory\r\n1\r\nnan\t2\t3\t4\t5\t6\t7\r\n", true, 0, "Line 3"},
        {"count of 10^9", "Regulatory\r\n1000000000\r\n" + row + row, true, 2, "after 2 of the 1000000000"},
        {"rows past the count are left", "Regulatory\r\n1\r\n" + row + "junk\r\n", true, 1, ""},
        {"a line too long", "Regulatory\r\n2\r\n" + row + std::string(5000, '1') + "\r\n", true, 1, "longer"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteBytes(dir / "bad.txt", c.bytes);
        TrendBuffer b(50);
        b.append(42, {9, 9, 9, 9, 9, 9});
        const TrendLoadResult r = LoadTrendDataFile(dir / "bad.txt", b);
        EXPECT_EQ(r.loaded, c.loaded) << c.what;
        EXPECT_EQ(r.rows, c.rows) << c.what;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << c.what << ": " << r.message;
        if (c.message[0] == '\0') {
            EXPECT_EQ(r.message, "") << c.what;
        }
        if (!c.loaded) {
            ASSERT_EQ(b.count(), 1) << c.what << ": a refused file leaves the recording";
            EXPECT_EQ(b.time(0), 42.0f);
        } else {
            EXPECT_EQ(b.count(), c.rows) << c.what;
        }
    }
}

TEST(TrendDataFile, AHugeFileIsNotHeldInMemoryAndAMissingOneIsRefused) {
    TempDir dir;
    const auto path = dir / "huge.txt";
    WriteBytes(path, "Regulatory\r\n3\r\n1\t2\t3\t4\t5\t6\t7\r\n");
    std::filesystem::resize_file(path, 2'000'000'000ULL);  // the rest: NUL bytes, one endless line
    TrendBuffer b(50);
    const TrendLoadResult r = LoadTrendDataFile(path, b);
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(r.rows, 1);
    EXPECT_NE(r.message.find("longer"), std::string::npos);
    // A missing file is refused.
    const TrendLoadResult missing = LoadTrendDataFile(dir / "none.txt", b);
    EXPECT_FALSE(missing.loaded);
    EXPECT_NE(missing.message.find("cannot be opened"), std::string::npos);
}

TEST(TrendCsv, ShownWindowWithHeaderOfNamesAndUnits) {
    TrendBuffer b(50);
    for (int i = 0; i < 10; ++i) b.append(static_cast<float>(i), {static_cast<float>(i), 0.5f, 0, 0, 0, 0});
    EXPECT_EQ(TrendCsvText(b, {2.5, 2}),
              "time [s],w [%],e [%],u [%],y1 [%],y2 [%],y3 [%]\r\n"
              "3,3,0.5,0,0,0,0\r\n"
              "4,4,0.5,0,0,0,0\r\n");
}

}  // namespace
}  // namespace velmora::online
