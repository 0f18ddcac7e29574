#pragma once
// What a test can read back from a report PDF: its page objects and, with
// poppler's pdftotext installed, the text of each page.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/Support.h"

namespace velmora::testing {

// Page objects ("/Type /Page", not the "/Type /Pages" tree).
inline int PdfPageCount(const std::string& bytes) {
    int pages = 0;
    const std::string tag = "/Type /Page";
    for (auto at = bytes.find(tag); at != std::string::npos; at = bytes.find(tag, at + 1))
        if (at + tag.size() >= bytes.size() || bytes[at + tag.size()] != 's') ++pages;
    return pages;
}

// The lines of each page as pdftotext -layout reads them, or nullopt without pdftotext.
inline std::optional<std::vector<std::vector<std::string>>> PdfPageLines(const std::filesystem::path& pdf) {
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) return std::nullopt;
    FILE* pipe = popen(("pdftotext -layout '" + pdf.string() + "' -").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    if (pclose(pipe) != 0) return std::nullopt;
    std::vector<std::vector<std::string>> pages(1);
    for (const std::string& line : SplitLines(text, false)) {
        std::string rest = line;
        for (auto feed = rest.find('\f'); feed != std::string::npos; feed = rest.find('\f')) {
            pages.back().push_back(rest.substr(0, feed));
            pages.emplace_back();
            rest.erase(0, feed + 1);
        }
        pages.back().push_back(rest);
    }
    // Blank lines are layout, not text; pdftotext ends the last page with a feed.
    for (auto& page : pages) std::erase_if(page, [](const std::string& l) { return l.find_first_not_of(' ') == std::string::npos; });
    std::erase_if(pages, [](const auto& page) { return page.empty(); });
    return pages;
}

}  // namespace velmora::testing
