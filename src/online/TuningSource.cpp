#include "online/TuningSource.h"

#include <span>

#include "base/IniFile.h"
#include "base/PidStructure.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "online/OnlineExchange.h"
#include "online/TrendBuffer.h"
#include "online/TrendSettings.h"
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

std::optional<tuning::LoopController> TunerResult(const OnlineExchange& exchange,
                                                  const tuning::LoopController& running) {
    tuning::LoopController tuned = running;
    if (!exchange.hasData() || !tuning::ApplyTunerResult(exchange.pidmaImage(), tuned)) return std::nullopt;
    return tuned;
}

}  // namespace velmora::online
