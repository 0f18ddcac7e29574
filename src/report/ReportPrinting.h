#pragma once
// Page layout of the printed report, computed from plain font metrics so the
// report window only paints what this returns.
#include <string>
#include <string_view>
#include <vector>

namespace velmora::report {

// Device units of the printer. The report font (Courier New, 9 pt) is fixed
// pitch, so a text is as wide as its characters times one advance.
struct PrintMetrics {
    int pageWidth = 0;
    int pageHeight = 0;
    int textHeight = 0;  // height of "QWMpqA"
    int charWidth = 0;
};

struct PrintText {
    int x = 0, y = 0;  // top left corner
    std::string text;
    bool operator==(const PrintText&) const = default;
};

struct PrintRule {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const PrintRule&) const = default;
};

struct PrintPage {
    int number = 0;                // 1-based
    std::vector<PrintText> texts;  // header title and caption, body lines, page label
    std::vector<PrintRule> rules;  // header rule, footer rule
    int bodyLines = 0;             // report lines on this page
};

struct PrintLayout {
    int lineHeight = 0;
    int linesPerPage = 0;
    int leftMargin = 0;
    int rightEdge = 0;
    std::vector<PrintPage> pages;
};

// Lays out the report lines on pages: line height = text height + 2, lines per
// page = page height div line height - 5 (at least 1), left margin = page width
// div 6, right edge = page width - 20. Every page has the title at the left and
// the caption right-aligned on the first line, a rule on the second, the body
// from the third, a footer rule half a line below the body and the label
// "Str : n" right-aligned below it. Tabs are expanded to stops every 8
// characters. Blank lines that would open a page after the first are dropped.
// An empty report still gives one page.
PrintLayout LayOutReport(const std::vector<std::string>& lines, const PrintMetrics& metrics,
                         std::string_view title, std::string_view caption);

}  // namespace velmora::report
