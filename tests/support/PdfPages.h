#pragma once
// What a test can read back from a report PDF: its page objects and, with
// poppler's pdftotext installed, the non-blank lines of each page.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/Support.h"

namespace velmora::testing {

// Page objects ("/Type /Page", not the "/Type /Pages" tree).
inline int PdfPageCount(const std::string& bytes) {
    int pages = 0;
    for (auto at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1))
        pages += bytes.compare(at, 12, "/Type /Pages") != 0;
    return pages;
}

// nullopt when pdftotext is not installed.
inline std::optional<std::vector<std::vector<std::string>>> PdfPageLines(const std::filesystem::path& pdf) {
    FILE* pipe = popen(("pdftotext -layout '" + pdf.string() + "' - 2>/dev/null").c_str(), "r");
    std::string text;
    char buffer[4096];
    for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    if (!pipe || pclose(pipe) != 0) return std::nullopt;
    std::vector<std::vector<std::string>> pages;
    std::istringstream in(text);
    for (std::string page; std::getline(in, page, '\f');) {
        pages.emplace_back();
        for (const std::string& line : SplitLines(page, false))
            if (line.find_first_not_of(' ') != std::string::npos) pages.back().push_back(line);
    }
    if (!pages.empty() && pages.back().empty()) pages.pop_back();  // the feed after the last page
    return pages;
}

}  // namespace velmora::testing
