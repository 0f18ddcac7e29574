// The graph's settings in the controller file, the axis layout operations, the
// value axes beside the plot, the shown time window and the time labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "base/IniFile.h"
#include "online/TrendAxes.h"
#include "online/TrendSettings.h"
#include "online/TrendTime.h"
#include "support/Support.h"

namespace velmora::online {
namespace {

using Bands = std::array<std::pair<double, double>, kTrendChannels>;

Bands BandsOf(const TrendSettings& s) {
    Bands b;
    for (int i = 0; i < kTrendChannels; ++i) b[i] = {s.channels[i].bandFrom, s.channels[i].bandTo};
    return b;
}

void ExpectBands(const TrendSettings& s, const Bands& expected, const char* what) {
    for (int i = 0; i < kTrendChannels; ++i) {
        EXPECT_NEAR(s.channels[i].bandFrom, expected[i].first, 0.05) << what << " channel " << i;
        EXPECT_NEAR(s.channels[i].bandTo, expected[i].second, 0.05) << what << " channel " << i;
    }
}

TEST(TrendSettingsDefaults, ColoursRangesAndThePidmaHiddenInputs) {
    const TrendSettings pid = DefaultTrendSettings(ControllerKind::Pid);
    const std::tuple<std::uint32_t, double, double> expected[] = {
        {0x008000, 0, 100}, {0x0000FF, -100, 100}, {0xFF0000, -100, 100},
        {0x000000, 0, 100}, {0x808000, 0, 100},    {0x0080FF, 0, 100}};
    for (int i = 0; i < kTrendChannels; ++i) {
        const TrendChannel& c = pid.channels[i];
        EXPECT_EQ(std::tuple(c.colour, c.min, c.max), expected[i]) << i;
        EXPECT_TRUE(c.visible && c.grid && !c.points && c.pointSize == 4 && c.gridStep == 10) << i;
    }
    EXPECT_EQ(std::tuple(pid.channels[5].red(), pid.channels[5].green(), pid.channels[5].blue()),
              std::tuple(255, 128, 0));
    EXPECT_EQ(std::tuple(pid.time.range, pid.time.gridStep, pid.bufferLength), std::tuple(100.0, 5.0, 10000));
    const TrendSettings pidma = DefaultTrendSettings(ControllerKind::Pidma);
    EXPECT_TRUE(pidma.channels[3].visible && !pidma.channels[4].visible && !pidma.channels[5].visible);
}

TEST(TrendLayout, StackedBandsFromTheBottomInDrawingOrder) {
    const struct {
        const char* what;
        std::function<void(TrendSettings&)> setup;
        Bands expected;
    } cases[] = {
        // Own axes w (order 0) and e (order 3): w below, e above; u follows e, y1..y3 follow w
        // except that y2 and y3 (orders 1, 2) come after w, y1 (order 5) after e.
        {"defaults", [](TrendSettings&) {}, {{{0, 50}, {50, 100}, {50, 100}, {50, 100}, {0, 50}, {0, 50}}}},
        {"three own axes",
         [](TrendSettings& s) {
             s.channels[3].sameAs = -1;  // y1, order 5
             s.channels[4].visible = s.channels[5].visible = false;
         },
         {{{0, 33.3}, {33.3, 66.7}, {33.3, 66.7}, {66.7, 100}, {0, 33.3}, {0, 33.3}}}},
        {"hidden own axis keeps its band",
         [](TrendSettings& s) { s.channels[1].visible = false; },
         {{{0, 100}, {50, 100}, {0, 100}, {0, 100}, {0, 100}, {0, 100}}}},
    };
    for (const auto& c : cases) {
        TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
        c.setup(s);
        EXPECT_TRUE(LayoutStacked(s)) << c.what;
        ExpectBands(s, c.expected, c.what);
    }
    // Without any visible own axis nothing changes.
    TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
    s.channels[0].visible = s.channels[1].visible = false;
    const Bands before = BandsOf(s);
    EXPECT_FALSE(LayoutStacked(s));
    EXPECT_EQ(BandsOf(s), before);
}

TEST(TrendLayout, FullHeightMergeSplitAndAxisOwnersThroughChainsAndLoops) {
    TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
    LayoutSplit(s);
    for (const auto& c : s.channels) EXPECT_EQ(c.sameAs, -1);
    s.channels[3].bandFrom = 10;  // y1 will follow w again and take w's band
    s.channels[4].visible = false;
    s.channels[5].min = -5;  // no partner with this range
    s.channels[5].bandFrom = 7;
    LayoutMergeEqual(s);
    const int sameAs[kTrendChannels] = {-1, -1, 1, 0, 0, -1};
    for (int i = 0; i < kTrendChannels; ++i) EXPECT_EQ(s.channels[i].sameAs, sameAs[i]) << i;
    EXPECT_EQ(std::tuple(s.channels[3].bandFrom, s.channels[5].bandFrom), std::tuple(0.0, 7.0));
    // A hidden channel is no partner: y3 with y2's range but y2 hidden would pass it by.
    TrendSettings t = DefaultTrendSettings(ControllerKind::Pid);
    LayoutSplit(t);
    t.channels[0].visible = false;
    LayoutMergeEqual(t);
    EXPECT_EQ(std::tuple(t.channels[3].sameAs, t.channels[4].sameAs), std::tuple(-1, 3));
    LayoutFullHeight(t);
    for (const auto& c : t.channels)
        EXPECT_EQ(std::make_pair(c.bandFrom, c.bandTo), std::make_pair(0.0, 100.0));
    // The axis owner follows chains and survives loops.
    s = DefaultTrendSettings(ControllerKind::Pid);
    s.channels[4].sameAs = 3;
    s.channels[3].sameAs = 0;
    EXPECT_EQ(s.axisOwner(4), 0);
    s.channels[0].sameAs = 4;  // 0 → 4 → 3 → 0
    EXPECT_EQ(s.axisOwner(4), 4);
    EXPECT_EQ(s.drawingOrder(), (std::array<int, kTrendChannels>{0, 4, 5, 1, 2, 3}));
}

TEST(TrendSettingsFile, LayoutAndSettingsGoThroughTheControllerKeysAndOutOfRangeOnesAreBroughtBack) {
    testing::TempDir dir;
    IniFile file(dir / "PLC1.rglx");
    const std::string section = "Regulator R1";
    file.writeString(section, "Type", "PID");
    TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
    LayoutSplit(s);
    LayoutStacked(s);
    WriteTrendLayout(file, section, s, ',');
    for (const auto& [key, text] :
         {std::pair{"Prubeh2Stejne", "-1"}, {"Prubeh4Pocatek", "16,6666666666667"}, {"Prubeh3Konec", "100"}})
        EXPECT_EQ(file.readString(section, key, ""), text) << key;
    EXPECT_FALSE(file.valueExists(section, "Prubeh0Barva"));  // the layout writes the layout only
    s.channels[1].label = "deviation";
    s.channels[2].colour = 0x123456;
    s.time.format = TimeFormat::Absolute;
    s.time.range = 12.5;
    s.bufferLength = 2000000;
    WriteTrendSettings(file, section, s, ',');
    const TrendSettings back = ReadTrendSettings(file, section, ControllerKind::Pid);
    ExpectBands(back, BandsOf(s), "read back");
    EXPECT_EQ(std::tuple(back.channels[1].label, back.channels[2].colour, back.time.format, back.time.range,
                         back.bufferLength),
              std::tuple("deviation", 0x123456u, TimeFormat::Absolute, 12.5, 2000000));
    const struct {
        const char *key, *value;
    } writes[] = {{"DelkaBuffer", "2500000"},   {"Prubeh1Stejne", "9"},  {"Prubeh2Stejne", "2"},
                  {"Prubeh0VelikostBodu", "0"}, {"OsaXFormatCasu", "7"}, {"OsaXRozsah", "-3"}};
    for (const auto& w : writes) file.writeString(section, w.key, w.value);
    const TrendSettings fixed = ReadTrendSettings(file, section, ControllerKind::Pid);
    EXPECT_EQ(std::tuple(fixed.bufferLength, fixed.channels[1].sameAs, fixed.channels[2].sameAs,
                         fixed.channels[0].pointSize, fixed.time.format, fixed.time.range),
              std::tuple(2000000, -1, -1, 1, TimeFormat::Seconds, 100.0));
}

TEST(TrendAxes, StackedAxesShareAColumnOverlappingOnesMoveOutward) {
    const struct {
        const char* what;
        bool split;                // every channel its own axis, all of the full height
        std::vector<int> visible;  // the rest hidden
        std::vector<AxisPlace> axes;
        int columns;
    } cases[] = {
        // w and e own the axes; their bands 0..50 and 50..100 do not meet.
        {"defaults", false, {0, 1, 2, 3, 4, 5}, {{0, 0}, {1, 0}}, 1},
        // Every axis of the full height: one column each, in drawing order.
        {"split", true, {0, 1, 2, 3, 4, 5}, {{0, 0}, {4, 1}, {5, 2}, {1, 3}, {2, 4}, {3, 5}}, 6},
        {"hidden channels draw no axis", true, {0, 3}, {{0, 0}, {3, 1}}, 2},
        {"nothing visible keeps the margin of one column", false, {}, {}, 1},
    };
    for (const auto& c : cases) {
        TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
        if (c.split) LayoutSplit(s), LayoutFullHeight(s);
        for (int i = 0; i < kTrendChannels; ++i)
            s.channels[static_cast<std::size_t>(i)].visible =
                std::count(c.visible.begin(), c.visible.end(), i) > 0;
        const auto axes = AxesShown(s);
        EXPECT_EQ(axes, c.axes) << c.what;
        EXPECT_EQ(AxisColumns(axes), c.columns) << c.what;
    }
}

TEST(TrendAxes, ValuesMapIntoTheirBand) {
    // A plot whose lowest row ends at 200, 100 rows high; a flat range sits on its band's foot.
    const struct {
        double min, max, bandFrom, bandTo, value, row;
    } cases[] = {{0, 100, 0, 50, 0, 200},   {0, 100, 0, 50, 100, 150},   {0, 100, 0, 50, 50, 175},
                 {0, 100, 50, 100, 0, 150}, {0, 100, 50, 100, 100, 100}, {-100, 100, 0, 100, 0, 150},
                 {5, 5, 0, 100, 5, 200},    {0, 100, 0, 50, 200, 100}};
    for (const auto& c : cases) {
        TrendChannel axis;
        axis.min = c.min, axis.max = c.max, axis.bandFrom = c.bandFrom, axis.bandTo = c.bandTo;
        EXPECT_DOUBLE_EQ(AxisMap(axis, 200, 100).y(c.value), c.row)
            << c.min << ".." << c.max << " at " << c.value;
    }
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
    EXPECT_EQ(TrendStamp({2024, 1, 1, 0, 0, 0, 0}) - TrendStamp({2023, 12, 31, 23, 59, 59, 999}), 10'000);
    EXPECT_EQ(TrendStamp({1970, 1, 1, 0, 0, 1, 0}), kStampsPerSecond);
    EXPECT_EQ(GridTimes({3, 20}, 5), (std::vector<double>{5, 10, 15, 20}));
    EXPECT_EQ(GridValues(100, -100, 50), (std::vector<double>{-100, -50, 0, 50, 100}));
    EXPECT_LE(GridTimes({0, 1e6}, 0.001).size(), 201u);
    EXPECT_TRUE(GridValues(0, 100, 0).empty() && GridValues(0, 100, -5).empty());
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
