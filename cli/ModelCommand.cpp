// velmora model: a process model fitted to a window of a graph-page recording,
// the suggested parameters at three speeds and the preview of each on the
// model, beside the parameters the controller runs now and any typed ones.
//
// Exit status 1, with the reason on standard error: the recording cannot be
// read, the window is not before its end or outside the recording, u does not
// change in it, y does not answer or is saturated, the controller cannot be
// read or a typed parameter is not one.
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
#include "tuning/LoopDesign.h"
#include "tuning/LoopPreview.h"
#include "tuning/ModelFit.h"

namespace velmora::cli {
namespace {

using namespace tuning;

struct ModelOptions {
    std::string recording, controllerFile, project, plc, controller, kind;
    double from = 0, to = 0, exchangeDelay = 0, scan = 0.01, setpointStep = 10, loadStep = NAN;
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
    std::vector<RecordedSample> samples;
    for (int i = 0; i < buffer->count(); ++i)
        samples.push_back({buffer->time(i), buffer->value(online::kChannelW, i),
                           buffer->value(online::kChannelU, i), buffer->value(online::kChannelY1, i)});
    return samples;
}

// The controller's settings from its file, or the kind's defaults without one.
std::optional<LoopController> ReadController(const ModelOptions& o) {
    std::filesystem::path path = o.controllerFile;
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
    if (!o.kind.empty() && (o.kind == "PIDMA") != (c.kind == ControllerKind::Pidma))
        return Fail("--kind " + o.kind + " does not match the controller \"" + o.controller + "\""),
               std::nullopt;
    return c;
}

struct Row {
    std::string label;
    LoopController controller;
    double ms = NAN;  // the design's Ms (suggestions only)
    Preview preview;
};

std::string Num(double v, int decimals) {
    if (!std::isfinite(v)) return std::isnan(v) ? "-" : "inf";
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string ModelText(const ProcessModel& m) {
    std::string s = "gain " + Num(m.gain, 4) + (m.integrating ? " %/(%·s)" : " %/%");
    if (const auto lags = m.realLags())
        s += m.lags == 1 ? ", T " + Num(lags->first, 2) + " s"
                         : ", T1 " + Num(lags->first, 2) + " s, T2 " + Num(lags->second, 2) + " s";
    else
        s += ", T " + Num(m.timeConstant, 2) + " s, damping " + Num(m.damping, 3);
    return s + ", dead time " + Num(m.deadTime, 2) + " s, integrator " + (m.integrating ? "yes" : "no");
}

template <class... A>
std::string Format(const char* format, A... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string PreviewLine(const std::string& label, const Preview& p) {
    return Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", label.c_str(),
                  Num(p.setpoint.overshoot, 1).c_str(), Num(p.setpoint.settling, 1).c_str(),
                  Num(p.setpoint.iae, 1).c_str(), Num(p.load.peak, 2).c_str(),
                  Num(p.load.settling, 1).c_str(), Num(p.load.iae, 1).c_str(), Num(p.margins.ms, 2).c_str(),
                  Num(p.margins.gainMargin, 2).c_str(), Num(p.margins.phaseMargin, 1).c_str());
}

void PrintModel(const ModelOptions& o, const Window& w, const ModelFit& fit) {
    std::cout << "Recording: " << o.recording << ", window " << Num(o.from, 2) << " .. " << Num(o.to, 2)
              << " s, " << w.samples.size() << " samples\n";
    std::cout << "Model: " << fit.model.name() << "\n  " << ModelText(fit.model) << ", fit NRMSE "
              << Num(100 * fit.nrmse, 2) << " %\n  the window explains dead times up to "
              << Num(fit.longest.deadTime, 2) << " s as well\n  candidates:";
    for (std::size_t i = 0; i < fit.candidates.size(); ++i)
        std::cout << (i ? "," : "") << ' ' << fit.candidates[i].model.name() << ' '
                  << Num(100 * fit.candidates[i].nrmse, 2) << " %"
                  << (static_cast<int>(i) == fit.chosen ? " (chosen)" : "");
    std::cout << '\n';
    for (const std::string& n : fit.notes) std::cout << "  note: " << n << '\n';
}

void PrintText(const ModelOptions& o, const Window& w, const ModelFit& fit, const Design& design,
               const std::vector<Row>& rows) {
    PrintModel(o, w, fit);
    const Preview& first = rows.front().preview;
    std::cout << "Suggestions (" << (rows.front().controller.kind == ControllerKind::Pid ? "PID" : "PIDMA")
              << ", sampling " << Num(first.samplePeriod, 3) << " s; Ms 1.2 slow, 1.4 normal, 1.6 fast):\n";
    for (const Suggestion& s : design.suggestions) {
        std::cout << Format("  %-7s ", SpeedName(s.speed)) << DescribeParameters(s.controller) << ", Ms "
                  << Num(s.ms, 2) << '\n';
        for (const std::string& n : s.notes) std::cout << "    note: " << n << '\n';
    }
    for (const std::string& n : design.notes) std::cout << "  note: " << n << '\n';
    std::cout << "Preview on the model (set-point step " << Num(first.setpointStep, 2) << " %, load step "
              << Num(first.loadStep, 2) << " % at the plant input, exchange delay " << Num(o.exchangeDelay, 2)
              << " s):\n";
    std::cout << Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", "", "overshoot", "settling",
                        "IAE", "load peak", "settling", "IAE", "Ms", "GM", "PM");
    std::cout << Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", "", "%", "s", "%·s", "%", "s",
                        "%·s", "", "", "deg");
    for (const Row& r : rows) std::cout << PreviewLine(r.label, r.preview);
    for (const Row& r : rows)
        for (const std::string& n : r.preview.notes) std::cout << "  note (" << r.label << "): " << n << '\n';
}

// ---------------------------------------------------------------- JSON

std::string JsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += '\\', out += c;
        else if (static_cast<unsigned char>(c) < 0x20)
            out += Format("\\u%04x", c);
        else
            out += c;
    }
    return out + '"';
}

std::string JsonStrings(const std::vector<std::string>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + JsonString(v[i]);
    return out + "]";
}

std::string JsonNumbers(const std::vector<double>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + JsonNumber(v[i]);
    return out + "]";
}

std::string JsonModel(const ProcessModel& m, double nrmse) {
    std::string out = "{\"structure\":" + JsonString(m.name()) + ",\"lags\":" + std::to_string(m.lags) +
                      ",\"integrating\":" + (m.integrating ? "true" : "false") +
                      ",\"gain\":" + JsonNumber(m.gain) + ",\"timeConstant\":" + JsonNumber(m.timeConstant) +
                      ",\"damping\":" + JsonNumber(m.damping);
    if (const auto lags = m.realLags())
        out += ",\"t1\":" + JsonNumber(lags->first) + ",\"t2\":" + JsonNumber(lags->second);
    return out + ",\"deadTime\":" + JsonNumber(m.deadTime) + ",\"nrmse\":" + JsonNumber(nrmse) + "}";
}

std::string JsonParameters(const LoopController& c) {
    if (c.kind == ControllerKind::Pid)
        return "{\"PBnd\":" + JsonNumber(c.pid.pBnd * 0.1) + ",\"Ti\":" + JsonNumber(c.pid.ti * 0.1) +
               ",\"Td\":" + JsonNumber(c.pid.td * 0.1) + ",\"TiW\":" + std::to_string(c.pid.tiW) + "}";
    const PidaBlockSettings& p = c.pida;
    return "{\"k\":" + JsonNumber(p.k) + ",\"ti\":" + JsonNumber(p.ti) + ",\"td\":" + JsonNumber(p.td) +
           ",\"nd\":" + JsonNumber(p.nd) + ",\"b\":" + JsonNumber(p.b) + ",\"c\":" + JsonNumber(p.c) + "}";
}

std::string JsonPreview(const Row& r, bool curves) {
    const Preview& p = r.preview;
    std::string out =
        "{\"label\":" + JsonString(r.label) + ",\"parameters\":" + JsonParameters(r.controller) +
        ",\"setpoint\":{\"overshoot\":" + JsonNumber(p.setpoint.overshoot) +
        ",\"settling\":" + JsonNumber(p.setpoint.settling) + ",\"iae\":" + JsonNumber(p.setpoint.iae) +
        "},\"load\":{\"peak\":" + JsonNumber(p.load.peak) + ",\"settling\":" + JsonNumber(p.load.settling) +
        ",\"iae\":" + JsonNumber(p.load.iae) + "},\"ms\":" + JsonNumber(p.margins.ms) +
        ",\"gainMargin\":" + JsonNumber(p.margins.gainMargin) +
        ",\"phaseMargin\":" + JsonNumber(p.margins.phaseMargin) +
        ",\"settled\":" + (p.settled ? "true" : "false") + ",\"notes\":" + JsonStrings(p.notes);
    if (curves)
        out += ",\"curve\":{\"time\":" + JsonNumbers(p.time) + ",\"w\":" + JsonNumbers(p.w) +
               ",\"y\":" + JsonNumbers(p.y) + ",\"u\":" + JsonNumbers(p.u) + "}";
    return out + "}";
}

std::string JsonFit(const ModelOptions& o, const Window& w, const ModelFit& fit) {
    std::string out = "{\"recording\":" + JsonString(o.recording) +
                      ",\"window\":{\"from\":" + JsonNumber(o.from) + ",\"to\":" + JsonNumber(o.to) +
                      ",\"samples\":" + std::to_string(w.samples.size()) +
                      "},\"model\":" + JsonModel(fit.model, fit.nrmse) +
                      ",\"operatingPoint\":{\"u0\":" + JsonNumber(fit.u0) + ",\"y0\":" + JsonNumber(fit.y0) +
                      ",\"balance\":" + JsonNumber(fit.balance) +
                      "},\"longestDeadTime\":" + JsonModel(fit.longest, NAN) + ",\"candidates\":[";
    for (std::size_t i = 0; i < fit.candidates.size(); ++i)
        out += (i ? "," : "") + JsonModel(fit.candidates[i].model, fit.candidates[i].nrmse);
    out += "],\"chosen\":" + std::to_string(fit.chosen) + ",\"notes\":" + JsonStrings(fit.notes);
    if (o.curves)
        out += ",\"fit\":{\"time\":" + JsonNumbers(fit.time) + ",\"measured\":" + JsonNumbers(fit.measured) +
               ",\"fitted\":" + JsonNumbers(fit.fitted) + "}";
    return out;
}

void PrintJson(const ModelOptions& o, const Window& w, const ModelFit& fit, const Design& design,
               const std::vector<Row>& rows) {
    const Preview& first = rows.front().preview;
    std::string out = JsonFit(o, w, fit) + ",\"kind\":" +
                      (rows.front().controller.kind == ControllerKind::Pid ? "\"PID\"" : "\"PIDMA\"") +
                      ",\"samplePeriod\":" + JsonNumber(first.samplePeriod) + ",\"suggestions\":[";
    for (std::size_t i = 0; i < design.suggestions.size(); ++i) {
        const Suggestion& s = design.suggestions[i];
        out += std::string(i ? "," : "") + "{\"speed\":" + JsonString(SpeedName(s.speed)) +
               ",\"targetMs\":" + JsonNumber(TargetMs(s.speed)) + ",\"ms\":" + JsonNumber(s.ms) +
               ",\"parameters\":" + JsonParameters(s.controller) + ",\"notes\":" + JsonStrings(s.notes) + "}";
    }
    out += "],\"designNotes\":" + JsonStrings(design.notes) +
           ",\"preview\":{\"setpointStep\":" + JsonNumber(first.setpointStep) +
           ",\"loadStep\":" + JsonNumber(first.loadStep) +
           ",\"exchangeDelay\":" + JsonNumber(o.exchangeDelay) + ",\"horizon\":" + JsonNumber(first.horizon) +
           ",\"rows\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) out += (i ? "," : "") + JsonPreview(rows[i], o.curves);
    std::cout << out << "]}}\n";
}

// ---------------------------------------------------------------- the run

std::string CheckNumbers(const ModelOptions& o) {
    if (!std::isfinite(o.exchangeDelay) || o.exchangeDelay < 0 || o.exchangeDelay > 3600)
        return "--exchange-delay must lie within 0 .. 3600 s";
    if (!std::isfinite(o.scan) || o.scan < 0.001 || o.scan > 10)
        return "--scan must lie within 0.001 .. 10 s";
    if (!std::isfinite(o.setpointStep) || o.setpointStep == 0 || std::abs(o.setpointStep) > 100)
        return "--setpoint-step must be a number other than 0 within -100 .. 100 %";
    if (!std::isnan(o.loadStep) && (!std::isfinite(o.loadStep) || std::abs(o.loadStep) > 200))
        return "--load-step must lie within -200 .. 200 %";
    return {};
}

std::vector<Row> Rows(const LoopController& current, const Design& design, const ModelOptions& o) {
    std::vector<Row> rows{{"current", current, NAN, {}}};
    for (const Suggestion& s : design.suggestions)
        rows.push_back({SpeedName(s.speed), s.controller, s.ms, {}});
    for (std::size_t i = 0; i < o.typed.size(); ++i) {
        LoopController typed = current;
        ApplyTypedParameters(o.typed[i], typed);  // checked before the fit
        rows.push_back({"typed " + std::to_string(i + 1), typed, NAN, {}});
    }
    return rows;
}

void RunModel(const ModelOptions& o) {
    if (const std::string bad = CheckNumbers(o); !bad.empty()) return void(Fail(bad));
    const auto controller = ReadController(o);
    if (!controller) return;
    for (const std::string& t : o.typed) {
        LoopController probe = *controller;
        if (const std::string bad = ApplyTypedParameters(t, probe); !bad.empty())
            return void(Fail("--try: " + bad));
    }
    const auto recording = ReadRecording(o.recording);
    if (!recording) return;
    const WindowOutcome window = ExtractWindow(*recording, o.from, o.to);
    if (!window.ok()) return void(Fail(window.error));
    const FitOutcome fit = FitModel(window.window);
    if (!fit.ok()) return void(Fail(fit.error));
    DesignOptions d{o.scan, o.exchangeDelay, fit.fit.y0, fit.fit.balance, o.setpointStep, o.loadStep, {}};
    if (!o.nominal) d.alsoFor = fit.fit.plausible;
    const Design design = DesignLoop(fit.fit.model, *controller, d);
    std::vector<Row> rows = Rows(*controller, design, o);
    PreviewOptions p;
    p.setpointStep = o.setpointStep, p.loadStep = o.loadStep, p.exchangeDelay = o.exchangeDelay,
    p.scan = o.scan;
    p.y0 = fit.fit.y0, p.u0 = fit.fit.balance;
    for (Row& r : rows) r.preview = PreviewLoop(fit.fit.model, r.controller, p);
    if (o.json)
        PrintJson(o, window.window, fit.fit, design, rows);
    else
        PrintText(o, window.window, fit.fit, design, rows);
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
                    "A further delay in the loop the recording did not see, s");
    cmd->add_option("--scan", o->scan, "PLC cycle the block is called at, s (default 0.01)");
    cmd->add_option("--setpoint-step", o->setpointStep, "Set-point step of the preview, % (default 10)");
    cmd->add_option("--load-step", o->loadStep,
                    "Load step at the plant input, % (default: moves y as the set point)");
    cmd->add_flag("--nominal", o->nominal,
                  "Design on the fitted model alone, not also on the models the window explains as well");
    cmd->add_flag("--json", o->json, "Print JSON instead of text");
    cmd->add_flag("--curves", o->curves, "With --json: the fitted and previewed curves too");
    cmd->callback([o] {
        if (!o->controllerFile.empty() && !o->project.empty())
            return void(Fail("give either --controller-file or --project, not both"));
        if (!o->project.empty() && (o->plc.empty() || o->controller.empty()))
            return void(Fail("--project needs --plc and --controller"));
        if (!o->controllerFile.empty() && o->controller.empty())
            return void(Fail("--controller-file needs --controller"));
        RunModel(*o);
    });
}

const CommandRegistration registration(SetUpModel);

}  // namespace
}  // namespace velmora::cli
