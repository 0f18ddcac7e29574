// velmora generate: writes the declarations and code files of a PLC's
// controllers, as the compile-start pass of the IDE does.
//
// Exit status: 1 when the controller file is missing or unreadable, a
// controller named with --controller has no section, a controller's name is
// not legal, a value its code would carry is not a number in its range, its
// files cannot be written, or the project description has a variable line it
// refuses; a section whose Name differs from the controller's name only warns
// (the IDE skips it silently too), exit 0.
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>

#include "Command.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Platform.h"
#include "base/Toolkit.h"
#include "codegen/Generator.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "controllers/ProjectDescription.h"

namespace velmora::cli {

namespace {

// SOURCE_DATE_EPOCH as the footers' time stamp, in UTC, so that a build from
// the same sources gives the same files.
class EpochClock : public Clock {
public:
    explicit EpochClock(std::time_t epoch) : epoch_(epoch) {}
    LocalTime now() const override {
        const std::tm tm = UtcCalendar(epoch_);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    }

private:
    std::time_t epoch_;
};

std::optional<std::time_t> SourceDateEpoch() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (!value || !*value) return std::nullopt;
    char* end = nullptr;
    const long long epoch = std::strtoll(value, &end, 10);
    if (*end != '\0' || epoch < 0) return std::nullopt;
    return static_cast<std::time_t>(epoch);
}

std::string ForwardSlashes(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

// The project description's variable lines that were refused or warned about;
// a refused one fails the command, the controllers are generated all the same.
void ReportDescriptionProblems(const ProjectDescription& description) {
    for (const auto& problem : description.problems) {
        std::cerr << "velmora generate: " << problem.message() << '\n';
        if (problem.error) SetExitCode(1);
    }
}

struct Options {
    std::string project;
    std::string plc;
    std::vector<std::string> controllers;
    std::optional<int> series;
    std::optional<int> plcType;
};

void Run(const Options& o) {
    const std::filesystem::path dir(o.project);
    if (!IsLegalName(o.plc)) {
        std::cerr << "velmora generate: the PLC name \"" << PrintableName(o.plc)
                  << "\" is not a legal name\n";
        SetExitCode(1);
        return;
    }
    const std::string fileName = ControllerFileHostName(o.plc);
    IniFile file(ControllerFilePath(dir, o.plc), dir);
    if (const std::string error = file.readError(); !error.empty()) {
        std::cerr << "velmora generate: " << error << '\n';
        SetExitCode(1);
        return;
    }
    if (!file.fileExists()) {
        std::cerr << "velmora generate: no controller file " << ForwardSlashes(fileName) << " in "
                  << o.project << '\n';
        SetExitCode(1);
        return;
    }

    GeneratorContext ctx;
    ctx.projectDir = dir;
    ctx.plcName = o.plc;
    if (auto description = LoadProjectDescription(dir)) {
        if (const PlcDescription* plc = description->findPlc(o.plc)) {
            ctx.series = plc->series;
            ctx.plcType = plc->type;
        }
        ReportDescriptionProblems(*description);
    }
    if (o.series) ctx.series = *o.series;
    if (o.plcType) ctx.plcType = *o.plcType;
    SystemClock systemClock;
    std::optional<EpochClock> epochClock;
    if (auto epoch = SourceDateEpoch()) epochClock.emplace(*epoch);
    ctx.clock = epochClock ? static_cast<const Clock*>(&*epochClock) : &systemClock;

    std::vector<std::string> files;
    std::vector<std::string> warnings;
    std::vector<std::string> errors;
    if (o.controllers.empty()) {
        PassResult pass = GenerateAllControllers(file, ctx);
        files = std::move(pass.files);
        warnings = std::move(pass.warnings);
        errors = std::move(pass.errors);
    } else {
        IniFile::Batch batch(file);
        for (const auto& name : o.controllers) {
            if (!file.sectionExists(ControllerSection(name))) {
                std::cerr << "velmora generate: no controller " << PrintableName(name) << " in "
                          << ForwardSlashes(fileName) << '\n';
                SetExitCode(1);
                continue;
            }
            GeneratorResult r = GenerateController(file, name, ctx);
            for (auto& f : r.files) files.push_back(std::move(f));
            if (!r.warning.empty()) warnings.push_back(std::move(r.warning));
            if (!r.error.empty()) errors.push_back(std::move(r.error));
        }
        try {
            batch.commit();
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
    }
    for (const auto& w : warnings) std::cerr << "velmora generate: warning: " << w << '\n';
    for (const auto& e : errors) std::cerr << "velmora generate: " << e << '\n';
    for (const auto& f : files) std::cout << ForwardSlashes(f) << '\n';
    if (!errors.empty()) SetExitCode(1);
}

const CommandRegistration registration([](CLI::App& app) {
    auto options = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("generate", "Write the declarations and code files of a PLC's controllers");
    cmd->add_option("--project", options->project, "Project directory")->required();
    cmd->add_option("--plc", options->plc, "PLC name (its controller file is Velmora/<PLC>.rglx)")
        ->required();
    cmd->add_option("--controller", options->controllers,
                    "Controller to generate (repeatable); default: every controller of the file");
    cmd->add_option("--series", options->series,
                    "PLC series number (default: from the project description, else -1)");
    cmd->add_option("--plc-type", options->plcType,
                    "PLC type index (default: from the project description, else 0)");
    cmd->callback([options] { Run(*options); });
});

}  // namespace

}  // namespace velmora::cli
