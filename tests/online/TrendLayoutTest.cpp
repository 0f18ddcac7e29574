// The graph's settings in the controller file and the axis layout operations.
#include <gtest/gtest.h>

#include <tuple>

#include "base/IniFile.h"
#include "online/TrendSettings.h"
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
    EXPECT_EQ(s.channels[3].bandFrom, 0);
    EXPECT_EQ(s.channels[5].bandFrom, 7);
    // A hidden channel is no partner: y3 with y2's range but y2 hidden would pass it by.
    TrendSettings t = DefaultTrendSettings(ControllerKind::Pid);
    LayoutSplit(t);
    t.channels[0].visible = false;
    LayoutMergeEqual(t);
    EXPECT_EQ(t.channels[3].sameAs, -1);
    EXPECT_EQ(t.channels[4].sameAs, 3);
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
    EXPECT_EQ(back.channels[1].label, "deviation");
    EXPECT_EQ(back.channels[2].colour, 0x123456u);
    EXPECT_EQ(back.time.format, TimeFormat::Absolute);
    EXPECT_EQ(back.time.range, 12.5);
    EXPECT_EQ(back.bufferLength, 2000000);

    const struct {
        const char *key, *value;
    } writes[] = {{"DelkaBuffer", "2500000"},   {"Prubeh1Stejne", "9"},  {"Prubeh2Stejne", "2"},
                  {"Prubeh0VelikostBodu", "0"}, {"OsaXFormatCasu", "7"}, {"OsaXRozsah", "-3"}};
    for (const auto& w : writes) file.writeString(section, w.key, w.value);
    const TrendSettings fixed = ReadTrendSettings(file, section, ControllerKind::Pid);
    EXPECT_EQ(fixed.bufferLength, 2000000);
    EXPECT_EQ(fixed.channels[1].sameAs, -1);
    EXPECT_EQ(fixed.channels[2].sameAs, -1);
    EXPECT_EQ(fixed.channels[0].pointSize, 1);
    EXPECT_EQ(fixed.time.format, TimeFormat::Seconds);
    EXPECT_EQ(fixed.time.range, 100);
}

}  // namespace
}  // namespace velmora::online
