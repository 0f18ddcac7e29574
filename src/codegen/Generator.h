#pragma once
// The code generator: turns one controller's section of the PLC's controller
// file into its declarations file and code file, and the compile-start pass
// that does so for every controller of the file.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controllers/ControllerFile.h"

namespace velmora {

class Clock;
class IniFile;

struct GeneratorContext {
    std::filesystem::path projectDir;
    std::string plcName;
    int plcType = 0;  // PLC type index: decides which conversion modes are valid
    int series = -1;  // PLC series number, -1 unknown: decides dialect, CRC instruction, macro
    // Registers a written file with the host ("Velmora\\Boiler.orv"). Empty or
    // false: the file is saved but not registered.
    std::function<bool(const std::string& hostRelativeName)> registerFile;
    std::function<void()> rebuildReport;
    const Clock* clock = nullptr;  // time stamps of the footers; nullptr: the system clock
    std::function<void(std::string_view)> log;
    // Localized texts by number; empty: velmora::Text.
    std::function<std::string(std::uint32_t)> text;
};

struct GeneratorResult {
    bool generated = false;          // both files written
    std::vector<std::string> files;  // host-relative names, declarations first
    std::string warning;             // why nothing was generated (the IDE skips such a section)
    std::string error;               // a name that is not legal, a file that could not be written
};

// One generation run for the controller `name` (the section "Regulator name").
// Corrects conversion modes that do not fit the PLC type, writes both files
// atomically, registers them, increments its ReleaseNumber once both are
// written, rebuilds the report. Nothing is written when the file is missing,
// the section's Name differs or is not a legal name (LegalName.h); a file
// that cannot be written is reported in `error`, as is an illegal name.
GeneratorResult GenerateController(IniFile& controllerFile, std::string_view name,
                                   const GeneratorContext& ctx);

// The error of a section whose Name is not a legal name.
std::string IllegalNameError(std::string_view section, std::string_view name);

struct PassResult {
    int generated = 0;                  // controllers whose files were written
    std::vector<std::string> files;     // host-relative names, in generation order
    std::vector<std::string> warnings;  // one per controller that produced nothing
    std::vector<std::string> errors;    // GeneratorResult::error of each controller, and a failed rewrite
};

// Where the pass stands, reported before and after each controller.
struct PassProgress {
    std::string_view controller;  // its Name
    bool done = false;            // false: about to be generated; true: finished with
    int warnings = 0;             // controllers of this pass so far that produced nothing
};
using PassObserver = std::function<void(const PassProgress&)>;

// The compile-start pass: every section whose Name is not empty, in file order,
// with the controller file's writes collected into one rewrite and the report
// rebuilt once at the end. A controller that fails does not stop the others.
// `observer` (the progress window, which also lets the
// message loop run) hears of each controller before and after it is generated.
PassResult GenerateAllControllers(IniFile& controllerFile, const GeneratorContext& ctx,
                                  const PassObserver& observer = {});

}  // namespace velmora
