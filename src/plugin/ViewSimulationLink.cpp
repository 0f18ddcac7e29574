#include "plugin/ViewSimulationLink.h"

#include <variant>

#include "base/FloatToInt.h"
#include "base/IniFile.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"

namespace velmora {

namespace {

online::RawValue RawOf(const RawInputValue& v) {
    if (v.real) return static_cast<float>(v.value);
    return TruncateSaturated<std::int16_t>(v.value);
}

std::optional<online::RawValue> RawOf(const std::optional<RawInputValue>& v) {
    if (!v) return std::nullopt;
    return RawOf(*v);
}

}  // namespace

ControllerReading ReadingOf(const online::OnlineExchange& exchange) {
    ControllerReading r;
    r.valid = exchange.hasData();
    if (!r.valid) return r;
    if (exchange.kind() == ControllerKind::Pid) {
        const std::uint8_t* t = exchange.tpid();
        r.curOut = plc::GetInt16(t + plc::PidOffset("CurOut"));
        r.up = t[plc::PidOffset("Status")] & online::kStatusUH;
        r.down = t[plc::PidOffset("Status")] & online::kStatusUC;
    } else {
        r.mv = plc::GetReal(exchange.pidmaImage().data() + plc::PidaOffset("mv"));
    }
    r.disturbance = exchange.additionalOutput();
    return r;
}

void MarkWrites(online::OnlineExchange& exchange, const SimulationWrites& writes) {
    if (writes.y1 || writes.y2 || writes.y3)
        exchange.markSimulatedInputs(RawOf(writes.y1), RawOf(writes.y2), RawOf(writes.y3));
    if (writes.pv) {
        exchange.markPv(*writes.pv);
        exchange.markInputVariable(*writes.pv);
    }
}

bool ViewSimulationLink::reload(const std::filesystem::path& controllerFile,
                                const std::string& controllerName, int plcTypeIndex, bool keepUnchanged) {
    const IniFile file(controllerFile);
    simulation_.load(file, controllerName, plcTypeIndex, keepUnchanged);
    // Every view is served once per eight ticks, so every SimT seconds.
    session_.setSampleTime(simulation_.sampleTime());
    return simulation_.active();
}

void ViewSimulationLink::step() {
    MarkWrites(exchange_, simulation_.step(ReadingOf(exchange_)));
}

}  // namespace velmora
