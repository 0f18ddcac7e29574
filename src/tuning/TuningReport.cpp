#include "tuning/TuningReport.h"

#include <array>
#include <cstdio>

#include "base/ByteOrder.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"
#include "tuning/NumberText.h"

namespace velmora::tuning {

namespace {

std::string Num(double v, int decimals) {
    if (!std::isfinite(v)) return std::isnan(v) ? "-" : "inf";
    return FixedText(v, decimals);
}

template <class... A>
std::string Format(const char* format, A... args) {
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

PreviewOptions PreviewOf(const TuningRequest& r, const ModelFit& fit) {
    PreviewOptions p;
    p.setpointStep = r.setpointStep, p.loadStep = r.loadStep, p.exchangeDelay = r.exchangeDelay;
    p.scan = r.scan, p.y0 = fit.y0, p.u0 = fit.balance, p.exchangePeriod = r.viewExchange;
    return p;
}

// A plant the view simulates is recorded through the view's exchange: the
// exchange reads y before the value it has just written reaches the block,
// so the recording sees y one exchange late. The models become the plant's;
// the design and the preview put the exchange back as the loop meets it.
void TakeOutExchange(ModelFit& fit, double period) {
    const double before = fit.model.deadTime;
    const auto takeOut = [&](ProcessModel& m) { m.deadTime = std::max(0.0, m.deadTime - period); };
    takeOut(fit.model), takeOut(fit.longest);
    for (ProcessModel& m : fit.plausible) takeOut(m);
    for (FitCandidate& c : fit.candidates) takeOut(c.model);
    fit.notes.push_back("The view simulates this plant and exchanges with the PLC every " +
                        FixedText(period, 2) +
                        " s: the recording sees y one exchange late, so the model's dead time is " +
                        FixedText(before - fit.model.deadTime, 2) +
                        " s shorter than the recording's; the preview holds u and y between exchanges as "
                        "the loop does.");
}

}  // namespace

std::string CheckTuningRequest(const TuningRequest& o, const LoopController& current) {
    if (!std::isfinite(o.exchangeDelay) || o.exchangeDelay < 0 || o.exchangeDelay > 3600)
        return "--exchange-delay must lie within 0 .. 3600 s";
    if (!std::isfinite(o.viewExchange) || o.viewExchange < 0 || o.viewExchange > 3600)
        return "--view-exchange must lie within 0 .. 3600 s";
    if (!std::isfinite(o.scan) || o.scan < 0.001 || o.scan > 10)
        return "--scan must lie within 0.001 .. 10 s";
    if (!std::isfinite(o.setpointStep) || o.setpointStep == 0 || std::abs(o.setpointStep) > 100)
        return "--setpoint-step must be a number other than 0 within -100 .. 100 %";
    if (!std::isnan(o.loadStep) && (!std::isfinite(o.loadStep) || std::abs(o.loadStep) > 200))
        return "--load-step must lie within -200 .. 200 %";
    for (const std::string& t : o.typed) {
        LoopController probe = current;
        if (const std::string bad = ApplyTypedParameters(t, probe); !bad.empty()) return "--try: " + bad;
    }
    return {};
}

TuningRow PreviewRow(const TuningResult& result, const TuningRequest& request, std::string label,
                     const LoopController& controller) {
    TuningRow row{std::move(label), controller, NAN, {}};
    const PreviewOptions options = PreviewOf(request, result.fit);
    row.preview = PreviewLoop(result.fit.model, controller, options);
    SpreadOver(row.preview, result.fit.plausible, controller, options);
    return row;
}

TuningResult RunTuning(std::span<const RecordedSample> recording, const LoopController& current,
                       const TuningRequest& o) {
    TuningResult result;
    if (result.error = CheckTuningRequest(o, current); !result.ok()) return result;
    WindowOutcome window = ExtractWindow(recording, o.from, o.to);
    if (result.error = window.error; !result.ok()) return result;
    result.window = std::move(window.window);
    // The recording holds the view's exchange for a simulated plant: a dead time, never a lag.
    FitOutcome fit = FitModel(result.window, o.viewExchange);
    if (result.error = fit.error; !result.ok()) return result;
    result.fit = std::move(fit.fit);
    if (result.window.from != o.from || result.window.to != o.to)
        result.fit.notes.push_back("The marks reach beyond the recording: the window is " +
                                   FixedText(result.window.from, 2) + " .. " +
                                   FixedText(result.window.to, 2) + " s.");
    if (o.viewExchange > 0) TakeOutExchange(result.fit, o.viewExchange);
    DesignOptions d{o.scan, o.exchangeDelay, result.fit.y0, result.fit.balance, o.setpointStep, o.loadStep,
                    {}};
    d.exchangePeriod = o.viewExchange;
    if (!o.nominal) d.alsoFor = result.fit.plausible;
    result.design = DesignLoop(result.fit.model, current, d);
    result.rows.push_back(PreviewRow(result, o, "current", current));
    for (const Suggestion& s : result.design.suggestions) {
        result.rows.push_back(PreviewRow(result, o, SpeedName(s.speed), s.controller));
        result.rows.back().ms = s.ms;
    }
    for (std::size_t i = 0; i < o.typed.size(); ++i) {
        LoopController typed = current;
        ApplyTypedParameters(o.typed[i], typed);  // checked above
        result.rows.push_back(PreviewRow(result, o, "typed " + std::to_string(i + 1), typed));
    }
    return result;
}

namespace {

// k, ti, td, nd, b, c from six REALs of the _TPIDA_ image at these offsets.
bool ApplyPidaReals(std::span<const std::uint8_t> image, const std::array<int, 6>& at, LoopController& into) {
    if (image.size() < static_cast<std::size_t>(plc::kPidaStructSize)) return false;
    std::array<double, 6> v{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i] = plc::GetReal(image.data() + at[i]);
        if (!std::isfinite(v[i]) || std::abs(v[i]) > 1e6) return false;
    }
    if (v[0] == 0 || v[1] < 0 || v[2] < 0 || v[3] <= 0) return false;
    PidaBlockSettings& p = into.pida;
    p.k = v[0], p.ti = v[1], p.td = v[2], p.nd = v[3], p.b = v[4], p.c = v[5];
    return true;
}

}  // namespace

bool ApplyRunningImage(std::span<const std::uint8_t> image, LoopController& into) {
    if (into.kind == ControllerKind::Pidma)
        return ApplyPidaReals(image,
                              {plc::PidaOffset("k"), plc::PidaOffset("ti"), plc::PidaOffset("td"),
                               plc::PidaOffset("nd"), plc::PidaOffset("b"), plc::PidaOffset("c")},
                              into);
    if (image.size() < static_cast<std::size_t>(plc::kPidStructSize)) return false;
    const int pBnd = plc::GetInt16(image.data() + plc::PidOffset("PBnd"));
    const int ti = plc::GetInt16(image.data() + plc::PidOffset("Ti"));
    const int td = plc::GetInt16(image.data() + plc::PidOffset("Td"));
    const int tiW = plc::GetInt16(image.data() + plc::PidOffset("tiW"));
    if (pBnd < kMinPBnd || pBnd > kMaxPBnd || ti < 0 || ti > kMaxTime || td < 0 || td > kMaxTime || tiW < 0)
        return false;
    into.pid.pBnd = pBnd, into.pid.ti = ti, into.pid.td = td, into.pid.tiW = tiW;
    return true;
}

bool ApplyTunerResult(std::span<const std::uint8_t> image, LoopController& into) {
    if (into.kind != ControllerKind::Pidma) return false;
    return ApplyPidaReals(image,
                          {plc::PidaOffset("pk"), plc::PidaOffset("pti"), plc::PidaOffset("ptd"),
                           plc::PidaOffset("pnd"), plc::PidaOffset("pb"), plc::PidaOffset("pc")},
                          into);
}

// ---------------------------------------------------------------- text

std::string ModelText(const ProcessModel& m) {
    std::string s = "gain " + Num(m.gain, 4) + (m.integrating ? " %/(%·s)" : " %/%");
    for (const ModelTerm& t : TimeTerms(m))
        s += std::string(", ") + t.name + ' ' + (t.seconds ? Num(t.value, 2) + " s" : Num(t.value, 3));
    return s + ", dead time " + Num(m.deadTime, 2) + " s, integrator " + (m.integrating ? "yes" : "no");
}

namespace {

std::string PreviewLine(const std::string& label, const Preview& p) {
    return Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", label.c_str(),
                  Num(p.setpoint.overshoot, 1).c_str(), Num(p.setpoint.settling, 1).c_str(),
                  Num(p.setpoint.iae, 1).c_str(), Num(p.load.peak, 2).c_str(),
                  Num(p.load.settling, 1).c_str(), Num(p.load.iae, 1).c_str(), Num(p.margins.ms, 2).c_str(),
                  Num(p.margins.gainMargin, 2).c_str(), Num(p.margins.phaseMargin, 1).c_str());
}

std::string ModelSection(const std::string& source, const TuningRequest& o, const TuningResult& r) {
    const ModelFit& fit = r.fit;
    std::string s = "Recording: " + source + ", window " + Num(r.window.from, 2) + " .. " +
                    Num(r.window.to, 2) + " s, " + std::to_string(r.window.samples.size()) + " samples\n";
    s += "Model: " + fit.model.name() + "\n  " + ModelText(fit.model) + ", fit NRMSE " +
         Num(100 * fit.nrmse, 2) + " %\n  the window explains dead times up to " +
         Num(fit.longest.deadTime, 2) + " s as well\n  candidates:";
    for (std::size_t i = 0; i < fit.candidates.size(); ++i)
        s += (i ? ", " : " ") + fit.candidates[i].model.name() + ' ' + Num(100 * fit.candidates[i].nrmse, 2) +
             " %" + (static_cast<int>(i) == fit.chosen ? " (chosen)" : "");
    s += '\n';
    for (const std::string& n : fit.notes) s += "  note: " + n + '\n';
    return s;
}

}  // namespace

std::string TuningText(const std::string& source, const TuningRequest& o, const TuningResult& r) {
    std::string s = ModelSection(source, o, r);
    const Preview& first = r.rows.front().preview;
    s += std::string("Suggestions (") +
         (r.rows.front().controller.kind == ControllerKind::Pid ? "PID" : "PIDMA") + ", sampling " +
         Num(first.samplePeriod, 3) + " s; Ms 1.2 slow, 1.4 normal, 1.6 fast):\n";
    for (const Suggestion& g : r.design.suggestions) {
        s += Format("  %-7s ", SpeedName(g.speed)) + DescribeParameters(g.controller) + ", Ms " +
             Num(g.ms, 2) + '\n';
        for (const std::string& n : g.notes) s += "    note: " + n + '\n';
    }
    for (const std::string& n : r.design.notes) s += "  note: " + n + '\n';
    s += "Preview on the model (set-point step " + Num(first.setpointStep, 2) + " %, load step " +
         Num(first.loadStep, 2) + " % at the plant input, exchange delay " + Num(o.exchangeDelay, 2) + " s" +
         (o.viewExchange > 0 ? ", the view's exchange every " + Num(o.viewExchange, 2) + " s" : "") + "):\n";
    s += Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", "", "overshoot", "settling", "IAE",
                "load peak", "settling", "IAE", "Ms", "GM", "PM");
    s += Format("  %-9s %9s %9s %9s | %9s %9s %9s | %5s %6s %6s\n", "", "%", "s", "%·s", "%", "s", "%·s", "",
                "", "deg");
    for (const TuningRow& row : r.rows) s += PreviewLine(row.label, row.preview);
    for (const TuningRow& row : r.rows)
        for (const std::string& n : row.preview.notes) s += "  note (" + row.label + "): " + n + '\n';
    return s;
}

// ---------------------------------------------------------------- JSON

namespace {

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
    if (m.lags == 3) out += ",\"lag\":" + JsonNumber(m.lag);
    if (!m.oscillating()) {
        const auto t = m.lagTimes();
        out += ",\"t1\":" + JsonNumber(t[0]) + ",\"t2\":" + JsonNumber(t[1]);
        if (m.lags == 3) out += ",\"t3\":" + JsonNumber(t[2]);
    }
    return out + ",\"deadTime\":" + JsonNumber(m.deadTime) + ",\"nrmse\":" + JsonNumber(nrmse) + "}";
}

std::string JsonParameters(const LoopController& c) {
    if (c.kind == ControllerKind::Pid)
        return "{\"PBnd\":" + JsonNumber(c.pid.pBnd * 0.1) + ",\"Ti\":" + JsonNumber(c.pid.ti * 0.1) +
               ",\"Td\":" + JsonNumber(c.pid.td * 0.1) + ",\"TiW\":" + std::to_string(c.pid.tiW) +
               ",\"ramp\":" + (c.pid.ramp ? "true" : "false") + "}";
    const PidaBlockSettings& p = c.pida;
    return "{\"k\":" + JsonNumber(p.k) + ",\"ti\":" + JsonNumber(p.ti) + ",\"td\":" + JsonNumber(p.td) +
           ",\"nd\":" + JsonNumber(p.nd) + ",\"b\":" + JsonNumber(p.b) + ",\"c\":" + JsonNumber(p.c) + "}";
}

std::string JsonPreview(const TuningRow& r, bool curves) {
    const Preview& p = r.preview;
    std::string out =
        "{\"label\":" + JsonString(r.label) + ",\"parameters\":" + JsonParameters(r.controller) +
        ",\"setpoint\":{\"overshoot\":" + JsonNumber(p.setpoint.overshoot) +
        ",\"settling\":" + JsonNumber(p.setpoint.settling) + ",\"iae\":" + JsonNumber(p.setpoint.iae) +
        "},\"load\":{\"peak\":" + JsonNumber(p.load.peak) + ",\"settling\":" + JsonNumber(p.load.settling) +
        ",\"iae\":" + JsonNumber(p.load.iae) + "},\"ms\":" + JsonNumber(p.margins.ms) +
        ",\"gainMargin\":" + JsonNumber(p.margins.gainMargin) +
        ",\"phaseMargin\":" + JsonNumber(p.margins.phaseMargin) +
        ",\"settled\":" + (p.settled ? "true" : "false") + ",\"notes\":" + JsonStrings(p.notes) +
        ",\"plausible\":{\"overshoot\":" + JsonNumbers({p.spread.overshootLow, p.spread.overshootHigh}) +
        ",\"settling\":" + JsonNumbers({p.spread.settlingLow, p.spread.settlingHigh}) +
        ",\"unsettled\":" + (p.spread.unsettled ? "true" : "false") + "}";
    if (curves)
        out += ",\"curve\":{\"time\":" + JsonNumbers(p.time) + ",\"w\":" + JsonNumbers(p.w) +
               ",\"y\":" + JsonNumbers(p.y) + ",\"u\":" + JsonNumbers(p.u) + "}";
    return out + "}";
}

std::string JsonFit(const std::string& source, const TuningRequest& o, const TuningResult& r, bool curves) {
    const ModelFit& fit = r.fit;
    std::string out =
        "{\"recording\":" + JsonString(source) + ",\"window\":{\"from\":" + JsonNumber(r.window.from) +
        ",\"to\":" + JsonNumber(r.window.to) + ",\"samples\":" + std::to_string(r.window.samples.size()) +
        "},\"model\":" + JsonModel(fit.model, fit.nrmse) +
        ",\"operatingPoint\":{\"u0\":" + JsonNumber(fit.u0) + ",\"y0\":" + JsonNumber(fit.y0) +
        ",\"balance\":" + JsonNumber(fit.balance) + "},\"longestDeadTime\":" + JsonModel(fit.longest, NAN) +
        ",\"candidates\":[";
    for (std::size_t i = 0; i < fit.candidates.size(); ++i)
        out += (i ? "," : "") + JsonModel(fit.candidates[i].model, fit.candidates[i].nrmse);
    out += "],\"chosen\":" + std::to_string(fit.chosen) + ",\"notes\":" + JsonStrings(fit.notes);
    if (curves)
        out += ",\"fit\":{\"time\":" + JsonNumbers(fit.time) + ",\"measured\":" + JsonNumbers(fit.measured) +
               ",\"fitted\":" + JsonNumbers(fit.fitted) + "}";
    return out;
}

}  // namespace

std::string TuningJson(const std::string& source, const TuningRequest& o, const TuningResult& r,
                       bool curves) {
    const Preview& first = r.rows.front().preview;
    std::string out = JsonFit(source, o, r, curves) + ",\"kind\":" +
                      (r.rows.front().controller.kind == ControllerKind::Pid ? "\"PID\"" : "\"PIDMA\"") +
                      ",\"samplePeriod\":" + JsonNumber(first.samplePeriod) + ",\"suggestions\":[";
    for (std::size_t i = 0; i < r.design.suggestions.size(); ++i) {
        const Suggestion& s = r.design.suggestions[i];
        out += std::string(i ? "," : "") + "{\"speed\":" + JsonString(SpeedName(s.speed)) +
               ",\"targetMs\":" + JsonNumber(TargetMs(s.speed)) + ",\"ms\":" + JsonNumber(s.ms) +
               ",\"parameters\":" + JsonParameters(s.controller) + ",\"notes\":" + JsonStrings(s.notes) + "}";
    }
    out += "],\"designNotes\":" + JsonStrings(r.design.notes) +
           ",\"preview\":{\"setpointStep\":" + JsonNumber(first.setpointStep) +
           ",\"loadStep\":" + JsonNumber(first.loadStep) +
           ",\"exchangeDelay\":" + JsonNumber(o.exchangeDelay) +
           ",\"viewExchange\":" + JsonNumber(o.viewExchange) + ",\"horizon\":" + JsonNumber(first.horizon) +
           ",\"rows\":[";
    for (std::size_t i = 0; i < r.rows.size(); ++i) out += (i ? "," : "") + JsonPreview(r.rows[i], curves);
    return out + "]}}\n";
}

}  // namespace velmora::tuning
