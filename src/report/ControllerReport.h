#pragma once
// The controller report: a plain-text summary of every controller of a PLC,
// built from the controller file and the project's descriptive data.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ProjectDescription;

// What the host tells about the project.
struct ReportProject {
    std::string groupFile;  // project group file; directory and extension are dropped
    std::string plcName;    // the open PLC
    std::string action, programmer, company, copyright;
};

// The project data of one PLC from the project description file.
ReportProject ReportProjectFrom(const ProjectDescription& description, std::string_view plcName);

struct ReportInput {
    ReportProject project;
    std::filesystem::path controllerFile;
    // Localized text by number; empty means velmora::Text.
    std::function<std::string(std::uint32_t)> text;
    // Separator of the decimals that the report writes from decimal texts.
    char decimalSeparator = '.';
};

// The report lines. A missing controller file gives the header, the project
// block and the footer.
std::vector<std::string> BuildReport(const ReportInput& input);

// "group - PLC", the caption of the printed pages.
std::string ReportCaption(const ReportProject& project);

// Lines joined with '\n', each line ended.
std::string JoinReport(const std::vector<std::string>& lines);

}  // namespace velmora
