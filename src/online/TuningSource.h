#pragma once
// What a tuning from the online view starts from: the view's recording in
// the controller's units, the controller as its section has it with the
// parameters the PLC runs now, and the PIDMA tuner's result to set beside them.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tuning/LoopSettings.h"
#include "tuning/Recording.h"
#include "tuning/TuningReport.h"

namespace velmora {
class IniFile;
}

namespace velmora::online {

class OnlineExchange;
class TrendBuffer;

// The recording's samples: w, u and y1 in %, time in s from its start.
std::vector<tuning::RecordedSample> RecordedSamples(const TrendBuffer& buffer);

// The controller's settings from its section, with PBnd, Ti, Td, TiW (PID) or
// k, ti, td, nd, b, c (PIDMA) from the PLC once the view has received them.
tuning::LoopController RunningController(const IniFile& file, const std::string& controllerName,
                                         const OnlineExchange& exchange);

// The period of the view's exchange when the view simulates the controller's
// plant (SimT with Simulation 1), else 0: the tuning says so beside the model.
double ViewExchangePeriod(const IniFile& file, const std::string& controllerName);

// The PIDMA tuner's last result as the running controller would run it, once
// the view has received one; nothing for a PID controller or before a result.
std::optional<tuning::LoopController> TunerResult(const OnlineExchange& exchange,
                                                  const tuning::LoopController& running);

// Follows the PIDMA tuner's lamp over the view's recording, so that the
// old/new question can show the tuner's result on a model of its own experiment.
class TunerExperiment {
public:
    // After every communication tick: whether the tuner runs, and the recording so far.
    void follow(bool busy, const TrendBuffer& recording);
    // From a little before the lamp turned lime to the newest sample, once an
    // experiment has run and the recording still holds its start; nothing else.
    std::optional<std::pair<double, double>> window(const TrendBuffer& recording) const;

private:
    bool busy_ = false;
    std::optional<double> start_;
};

// The tuning of that window with the tuner's result as a row of its own
// ("tuner", after the suggestions); the result's error says why there is none.
// No exchange delay is added: the recording holds the block's own mv and pv,
// so a plant the view simulates is already seen through the view's exchange.
struct TunerPreviewResult {
    tuning::TuningRequest request;
    tuning::TuningResult result;
};
TunerPreviewResult TunerPreview(const TrendBuffer& recording, const TunerExperiment& experiment,
                                const tuning::LoopController& running, const tuning::LoopController& tuned,
                                double viewExchange);

}  // namespace velmora::online
