#pragma once
// `velmora report --pdf`: the report's printed pages as a PDF file. Built
// only with the GUI, since the pages are painted with Qt.
#include <filesystem>
#include <string>
#include <vector>

namespace velmora::cli {

// Writes the pages of `lines` with "group - PLC" as the page caption; returns
// an empty text, or why the file was not written.
std::string WriteReportPdf(const std::filesystem::path& target, const std::vector<std::string>& lines,
                           const std::string& caption);

}  // namespace velmora::cli
