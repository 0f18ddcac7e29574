// velmora model: a process model fitted to a window of a graph-page recording,
// the suggested parameters at three speeds and the preview of each on the
// model, beside the parameters the controller runs now and any typed ones.
//
// Exit status 1, with the reason on standard error: the recording cannot be
// read, the window is not before its end or outside the recording, u does not
// change in it, y does not answer or is saturated, the controller cannot be
// read, a typed parameter is not one, or --write could not store the suggestion.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "Command.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "online/TrendDataFile.h"
#include "online/TrendSettings.h"
#include "online/TuningSource.h"
#include "tuning/TuningReport.h"

namespace velmora::cli {
namespace {

using namespace tuning;

struct ModelOptions {
    std::string recording, controllerFile, project, plc, controller, kind, write;
    double from = 0, to = 0, exchangeDelay = 0, scan = 0.01, setpointStep = 10, loadStep = NAN;
    std::optional<double> viewExchange;  // none: from the controller's section
    std::vector<std::string> typed;
    bool json = false, curves = false, nominal = false;
};

bool Fail(const std::string& why) {
    std::cerr << "velmora model: " << why << '\n';
    SetExitCode(1);
    return false;
}

// The recording's samples in the controller's units (w, u, y1).
std::optional<std::vector<RecordedSample>> ReadRecording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail("the recording " + path + " cannot be opened"), std::nullopt;
    auto buffer = std::make_unique<online::TrendBuffer>(online::kMaxBufferLength);
    online::TrendDataReader reader(*buffer);
    std::vector<char> chunk(1 << 20);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (!reader.feed(std::string_view(chunk.data(), static_cast<std::size_t>(in.gcount())))) break;
    }
    const online::TrendLoadResult loaded = reader.finish();
    if (!loaded.loaded) return Fail(path + ": " + loaded.message), std::nullopt;
    if (!loaded.message.empty()) std::cerr << "velmora model: " << path << ": " << loaded.message << '\n';
    return online::RecordedSamples(*buffer);
}

// The controller's settings from its file, or the kind's defaults without one.
// `viewExchange` gets the view's exchange period when it simulates that controller's plant,
// `path` the controller file (empty without one).
std::optional<LoopController> ReadController(const ModelOptions& o, double& viewExchange,
                                             std::filesystem::path& path) {
    path = o.controllerFile;
    if (path.empty() && !o.project.empty()) {
        const auto found = ControllerFileToRead("model", o.project, o.plc);
        if (!found) return std::nullopt;
        path = *found;
    }
    LoopController c;
    c.kind = o.kind == "PIDMA" ? ControllerKind::Pidma : ControllerKind::Pid;
    if (path.empty()) return c;
    const IniFile file(path);
    if (const std::string error = file.readError(); !error.empty()) return Fail(error), std::nullopt;
    if (!file.fileExists()) return Fail("controller file not found: " + path.string()), std::nullopt;
    const std::string section = ControllerSection(o.controller);
    if (o.controller.empty() || !file.sectionExists(section))
        return Fail("no controller \"" + o.controller + "\" in " + path.string()), std::nullopt;
    c = ReadLoopController(SectionReader(file, section, Reader::GeneratorCode));
    viewExchange = online::ViewExchangePeriod(file, o.controller);
    if (!o.kind.empty() && (o.kind == "PIDMA") != (c.kind == ControllerKind::Pidma))
        return Fail("--kind " + o.kind + " does not match the controller \"" + o.controller + "\""),
               std::nullopt;
    return c;
}

// The chosen speed's suggestion into the controller's section, as "Save vals" would store it.
void WriteSuggestion(const ModelOptions& o, const std::filesystem::path& path, const TuningResult& result) {
    for (const Suggestion& s : result.design.suggestions) {
        if (o.write != SpeedName(s.speed)) continue;
        try {
            IniFile file(path);
            IniFile::Batch batch(file);
            SectionWriter section(file, ControllerSection(o.controller), s.controller.kind);
            WriteLoopParameters(section, s.controller);
            batch.commit();
        } catch (const std::exception& e) {
            return void(
                Fail("the " + o.write + " suggestion was not written to " + path.string() + ": " + e.what()));
        }
        (o.json ? std::cerr : std::cout)
            << "Written to " << path.string() << " [" << ControllerSection(o.controller) << "]: " << o.write
            << ", " << DescribeParameters(s.controller) << '\n';
        return;
    }
    Fail("no " + o.write + " suggestion to write");
}

void RunModel(const ModelOptions& o) {
    double viewExchange = 0;
    std::filesystem::path path;
    const auto controller = ReadController(o, viewExchange, path);
    if (!controller) return;
    TuningRequest request{o.from,         o.to,       o.exchangeDelay, o.scan,
                          o.setpointStep, o.loadStep, o.typed,         o.nominal};
    request.viewExchange = o.viewExchange.value_or(viewExchange);
    if (const std::string bad = CheckTuningRequest(request, *controller); !bad.empty())
        return void(Fail(bad));
    const auto recording = ReadRecording(o.recording);
    if (!recording) return;
    const TuningResult result = RunTuning(*recording, *controller, request);
    if (!result.ok()) return void(Fail(result.error));
    std::cout << (o.json ? TuningJson(o.recording, request, result, o.curves)
                         : TuningText(o.recording, request, result));
    if (!o.write.empty()) WriteSuggestion(o, path, result);
}

void SetUpModel(CLI::App& app) {
    auto o = std::make_shared<ModelOptions>();
    CLI::App* cmd = app.add_subcommand(
        "model",
        "Fit a process model to a window of a graph-page recording, suggest parameters, preview them");
    cmd->add_option("--recording", o->recording, "The recording saved on the graph page")->required();
    cmd->add_option("--from", o->from, "Start of the window (A mark), s")->required();
    cmd->add_option("--to", o->to, "End of the window (B mark), s")->required();
    cmd->add_option("--kind", o->kind, "Controller kind without a controller file (default PID)")
        ->check(CLI::IsMember({"PID", "PIDMA"}));
    cmd->add_option("--controller-file", o->controllerFile,
                    "The controller file (.rglx) to read the controller from");
    cmd->add_option("--project", o->project, "Project directory (with --plc and --controller)");
    cmd->add_option("--plc", o->plc, "PLC name (controller file Velmora/<PLC>.rglx)");
    cmd->add_option("--controller", o->controller, "Controller name");
    cmd->add_option("--try", o->typed,
                    "Parameters to preview too, e.g. PBnd=50,Ti=20,Td=2,TiW=4 or k=2,ti=10,b=0.5");
    cmd->add_option("--exchange-delay", o->exchangeDelay,
                    "A further delay in the loop the recording did not see, s (default 0)");
    cmd->add_option("--view-exchange", o->viewExchange,
                    "The online view simulated the plant and exchanged with the PLC every this many s: "
                    "it comes out of the model and goes into the preview (default: the controller's "
                    "SimT when its plant is simulated; 0: a real plant)");
    cmd->add_option("--scan", o->scan, "PLC cycle the block is called at, s (default 0.01)");
    cmd->add_option("--setpoint-step", o->setpointStep, "Set-point step of the preview, % (default 10)");
    cmd->add_option("--load-step", o->loadStep,
                    "Load step at the plant input, % (default: moves y as the set point)");
    cmd->add_flag("--nominal", o->nominal,
                  "Design on the fitted model alone, not also on the models the window explains as well");
    cmd->add_option("--write", o->write,
                    "Store that speed's suggestion in the controller's section, as Save vals does (needs "
                    "--project or --controller-file)")
        ->check(CLI::IsMember({"slow", "normal", "fast"}));
    cmd->add_flag("--json", o->json, "Print JSON instead of text");
    cmd->add_flag("--curves", o->curves, "With --json: the fitted and previewed curves too");
    cmd->callback([o] {
        if (!o->controllerFile.empty() && !o->project.empty())
            return void(Fail("give either --controller-file or --project, not both"));
        if (!o->project.empty() && (o->plc.empty() || o->controller.empty()))
            return void(Fail("--project needs --plc and --controller"));
        if (!o->controllerFile.empty() && o->controller.empty())
            return void(Fail("--controller-file needs --controller"));
        if (!o->write.empty() && o->controller.empty())
            return void(Fail("--write needs the controller's file: --project or --controller-file"));
        RunModel(*o);
    });
}

const CommandRegistration registration(SetUpModel);

}  // namespace
}  // namespace velmora::cli
