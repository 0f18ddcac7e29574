#include "online/TuningSource.h"

#include <algorithm>
#include <span>

#include "base/IniFile.h"
#include "base/PidStructure.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "online/OnlineExchange.h"
#include "online/TrendBuffer.h"
#include "online/TrendSettings.h"
#include "simulation/SimulationSettings.h"
#include "tuning/TuningReport.h"

namespace velmora::online {

std::vector<tuning::RecordedSample> RecordedSamples(const TrendBuffer& buffer) {
    std::vector<tuning::RecordedSample> samples;
    samples.reserve(static_cast<std::size_t>(buffer.count()));
    for (int i = 0; i < buffer.count(); ++i)
        samples.push_back({buffer.time(i), buffer.value(kChannelW, i), buffer.value(kChannelU, i),
                           buffer.value(kChannelY1, i)});
    return samples;
}

tuning::LoopController RunningController(const IniFile& file, const std::string& controllerName,
                                         const OnlineExchange& exchange) {
    tuning::LoopController c = tuning::ReadLoopController(
        SectionReader(file, ControllerSection(controllerName), Reader::GeneratorCode));
    if (!exchange.hasData()) return c;
    if (c.kind == ControllerKind::Pid)
        tuning::ApplyRunningImage(std::span(exchange.tpid(), plc::kPidStructSize), c);
    else
        tuning::ApplyRunningImage(exchange.pidmaImage(), c);
    return c;
}

double ViewExchangePeriod(const IniFile& file, const std::string& controllerName) {
    const PlantSettings plant = ReadPlantSettings(file, ControllerSection(controllerName));
    return plant.simulation && plant.simT > 0 && plant.simT <= 3600 ? plant.simT : 0;
}

std::optional<tuning::LoopController> TunerResult(const OnlineExchange& exchange,
                                                  const tuning::LoopController& running) {
    tuning::LoopController tuned = running;
    if (!exchange.hasData() || !tuning::ApplyTunerResult(exchange.pidmaImage(), tuned)) return std::nullopt;
    return tuned;
}

void TunerExperiment::follow(bool busy, const TrendBuffer& recording) {
    if (busy && !busy_) start_ = recording.empty() ? std::optional<double>() : recording.newestTime();
    busy_ = busy;
}

std::optional<std::pair<double, double>> TunerExperiment::window(const TrendBuffer& recording) const {
    if (!start_ || recording.count() < 2) return std::nullopt;
    const double oldest = recording.time(0), newest = recording.newestTime();
    // A recording cleared or cut since the start no longer holds the experiment.
    if (*start_ < oldest || *start_ >= newest) return std::nullopt;
    // The steady state before the pulse tells the fit where the process stood.
    const double lead = std::max(0.2 * (newest - *start_), 10 * (newest - oldest) / (recording.count() - 1));
    return std::pair(std::max(oldest, *start_ - lead), newest);
}

TunerPreviewResult TunerPreview(const TrendBuffer& recording, const TunerExperiment& experiment,
                                const tuning::LoopController& running, const tuning::LoopController& tuned,
                                double viewExchange) {
    TunerPreviewResult preview;
    preview.request.viewExchange = viewExchange;
    const auto window = experiment.window(recording);
    if (!window) {
        preview.result.error = "the recording does not hold the tuner's experiment";
        return preview;
    }
    preview.request.from = window->first;
    preview.request.to = window->second;
    const auto samples = RecordedSamples(recording);
    preview.result = tuning::RunTuning(samples, running, preview.request);
    if (preview.result.ok())
        preview.result.rows.push_back(tuning::PreviewRow(preview.result, preview.request, "tuner", tuned));
    return preview;
}

}  // namespace velmora::online
