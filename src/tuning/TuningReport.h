#pragma once
// One tuning from a recording window, as `velmora model`, the online
// script's "model" action and the graph page's tuning panel all run it: the
// fit, the three suggestions, and the preview of the running parameters, the
// suggestions and any typed ones; printed as text or JSON.
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tuning/LoopDesign.h"
#include "tuning/LoopPreview.h"
#include "tuning/ModelFit.h"

namespace velmora::tuning {

struct TuningRequest {
    double from = 0, to = 0;  // the window, s of the recording
    double exchangeDelay = 0, scan = 0.01, setpointStep = 10, loadStep = NAN;
    std::vector<std::string> typed;  // "PBnd=50,Ti=20" or "k=2,ti=10", each a row of its own
    bool nominal = false;            // design on the fitted model alone
    double viewExchange = 0;         // s: the view simulates the plant and exchanges this often
};

// Why the request's numbers or typed parameters cannot be used (for the
// controller's kind); empty when they can. Messages name the command-line options.
std::string CheckTuningRequest(const TuningRequest& request, const LoopController& current);

struct TuningRow {
    std::string label;  // "current", "slow", "normal", "fast", "typed 1" …
    LoopController controller;
    double ms = NAN;  // the design's Ms (suggestions only)
    Preview preview;
};

struct TuningResult {
    std::string error;  // the window, the excitation or the request; empty when all ran
    Window window;
    ModelFit fit;
    Design design;
    std::vector<TuningRow> rows;  // current, slow, normal, fast, then the typed ones
    bool ok() const { return error.empty(); }
};

TuningResult RunTuning(std::span<const RecordedSample> recording, const LoopController& current,
                       const TuningRequest& request);

// The preview of one more row on the result's model, with the request's steps.
TuningRow PreviewRow(const TuningResult& result, const TuningRequest& request, std::string label,
                     const LoopController& controller);

// "gain 2.0000 %/%, T 8.00 s, dead time 1.00 s, integrator no".
std::string ModelText(const ProcessModel& model);

// `source` names the recording in the output ("FILE" or "live").
std::string TuningText(const std::string& source, const TuningRequest& request, const TuningResult& result);
std::string TuningJson(const std::string& source, const TuningRequest& request, const TuningResult& result,
                       bool curves);

// The parameters a PLC runs now over `into`, from the T_PID image (50 bytes)
// or the _TPIDA_ image (226 bytes) the online view reads; false (nothing
// changed) when the image is too short or holds values outside the block's limits.
bool ApplyRunningImage(std::span<const std::uint8_t> image, LoopController& into);
// The PIDMA tuner's last result (pk, pti, ptd, pnd, pb, pc) over `into`; false
// (nothing changed) for a PID controller, a short image or no result (pk 0).
bool ApplyTunerResult(std::span<const std::uint8_t> image, LoopController& into);

}  // namespace velmora::tuning
