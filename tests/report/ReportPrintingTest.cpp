// Pages of the printed report: how many lines fit, where header, body and
// footer go, and what happens to tabs and blank lines at a page top.
#include "report/ReportPrinting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora::report {
namespace {

// Line height 20, 50 rows: 45 report lines per page, margin 100, right edge 580
// (the positions below pin all four).
constexpr PrintMetrics kMetrics{600, 1000, 18, 10};

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
}

// Title and caption come first, the page label last.
std::vector<std::string> BodyOf(const PrintPage& page) {
    std::vector<std::string> body;
    for (std::size_t i = 2; i + 1 < page.texts.size(); ++i) body.push_back(page.texts[i].text);
    return body;
}

TEST(ReportPages, MetricsFromFontAndPageAndLinesFlowOntoFollowingPagesUnderHeaderAndFooter) {
    const PrintLayout layout =
        LayOutReport(Numbered(100), kMetrics, "Controllers information", "Plant - PLC1");
    ASSERT_EQ(layout.pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(layout.pages[i].number, i + 1);
        EXPECT_EQ(layout.pages[i].bodyLines, i < 2 ? 45 : 10);
    }
    EXPECT_EQ(BodyOf(layout.pages[2]).back(), "line 100");
    const PrintPage& page = layout.pages[1];
    EXPECT_EQ(page.texts.front(), (PrintText{100, 20, "Controllers information"}));
    EXPECT_EQ(page.texts[1], (PrintText{580 - 12 * 10, 20, "Plant - PLC1"}));
    ASSERT_EQ(page.rules.size(), 2u);
    EXPECT_EQ(page.rules[0], (PrintRule{100, 40, 580, 40}));
    EXPECT_EQ(page.rules[1], (PrintRule{100, 970, 580, 970}));
    EXPECT_EQ(page.texts.back(), (PrintText{580 - 7 * 10, 980, "Str : 2"}));
    // Body from the third line height on, one line height apart.
    EXPECT_EQ(page.texts[2], (PrintText{100, 60, "line 46"}));
    EXPECT_EQ(page.texts[3], (PrintText{100, 80, "line 47"}));
    EXPECT_EQ(layout.pages[0].texts[2 + 44].y, 940);
}

// A page opens only for a line that does not fit: not after an exactly full
// page, not for trailing blank lines; an empty report still has its page, and
// a page too small for five rows still takes one line.
TEST(ReportPages, PageCounts) {
    std::vector<std::string> trailingBlanks = Numbered(45);
    trailingBlanks.insert(trailingBlanks.end(), {"", ""});
    const PrintMetrics tiny{600, 90, 18, 10};
    const struct {
        std::vector<std::string> lines;
        PrintMetrics metrics;
        std::size_t pages;
    } rows[] = {{Numbered(90), kMetrics, 2},
                {Numbered(91), kMetrics, 3},
                {trailingBlanks, kMetrics, 1},
                {{}, kMetrics, 1},
                {Numbered(3), tiny, 3}};
    for (const auto& r : rows) EXPECT_EQ(LayOutReport(r.lines, r.metrics, "T", "C").pages.size(), r.pages);
}

// Tabs are expanded in the body, too.
TEST(ReportPages, BlankLinesDroppedOnlyAtTopOfFollowingPages) {
    std::vector<std::string> lines{"", "ab\t(1000)"};
    for (int i = 0; i < 43; ++i) lines.push_back("x");
    lines.insert(lines.end(), {"", " \t", "next", "", "last"});
    const PrintLayout layout = LayOutReport(lines, kMetrics, "T", "C");
    ASSERT_EQ(layout.pages.size(), 2u);
    EXPECT_EQ(BodyOf(layout.pages[0])[0], "");
    EXPECT_EQ(BodyOf(layout.pages[0])[1], "ab      (1000)");
    EXPECT_EQ(BodyOf(layout.pages[1]), (std::vector<std::string>{"next", "", "last"}));
}

}  // namespace
}  // namespace velmora::report
