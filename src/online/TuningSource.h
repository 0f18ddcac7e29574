#pragma once
// What a tuning from the online view starts from: the view's recording in
// the controller's units, the controller as its section has it with the
// parameters the PLC runs now, and the PIDMA tuner's result to set beside them.
#include <optional>
#include <string>
#include <vector>

#include "tuning/LoopSettings.h"
#include "tuning/Recording.h"

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

// The PIDMA tuner's last result as the running controller would run it, once
// the view has received one; nothing for a PID controller or before a result.
std::optional<tuning::LoopController> TunerResult(const OnlineExchange& exchange,
                                                  const tuning::LoopController& running);

}  // namespace velmora::online
