#include "report/ReportPrinting.h"

#include "base/Strings.h"
#include "report/ReportLines.h"

#include <algorithm>

namespace velmora::report {
PrintLayout LayOutReport(const std::vector<std::string>& lines, const PrintMetrics& m, std::string_view title,
                         std::string_view caption) {
    PrintLayout layout;
    const int lh = std::max(1, m.textHeight + 2);
    layout.lineHeight = lh;
    layout.linesPerPage = std::max(1, m.pageHeight / lh - 5);
    layout.leftMargin = m.pageWidth / 6;
    layout.rightEdge = m.pageWidth - 20;
    const auto width = [&](std::string_view text) { return int(CharacterCount(text)) * m.charWidth; };

    const auto openPage = [&] {
        PrintPage page;
        page.number = int(layout.pages.size()) + 1;
        page.texts.push_back({layout.leftMargin, lh, std::string(title)});
        page.texts.push_back({layout.rightEdge - width(caption), lh, std::string(caption)});
        page.rules.push_back({layout.leftMargin, 2 * lh, layout.rightEdge, 2 * lh});
        layout.pages.push_back(std::move(page));
    };
    const auto closePage = [&] {
        PrintPage& page = layout.pages.back();
        const int ruleY = (3 + layout.linesPerPage) * lh + lh / 2;
        page.rules.push_back({layout.leftMargin, ruleY, layout.rightEdge, ruleY});
        std::string label = "Str : " + std::to_string(page.number);
        page.texts.push_back({layout.rightEdge - width(label), ruleY + lh / 2, std::move(label)});
    };

    openPage();
    for (const std::string& line : lines) {
        PrintPage* page = &layout.pages.back();
        const bool blank = Trim(line).empty();
        if (page->bodyLines == layout.linesPerPage) {
            if (blank) continue;
            closePage();
            openPage();
            page = &layout.pages.back();
        }
        if (blank && page->bodyLines == 0 && page->number > 1) continue;
        page->texts.push_back({layout.leftMargin, (3 + page->bodyLines) * lh, ExpandTabs(line)});
        ++page->bodyLines;
    }
    closePage();
    return layout;
}

}  // namespace velmora::report
