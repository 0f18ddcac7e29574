#pragma once
// Joins an online view's plant simulation to its exchange: the reading taken
// from the last received structure, the simulated inputs marked for the next
// exchange, and CommTimer1 following the controller's SimT.
#include <filesystem>
#include <string>

#include "simulation/ViewSimulation.h"

namespace velmora::online {
class OnlineExchange;
class OnlineSession;
}  // namespace velmora::online

namespace velmora {

// What the exchange last received, as the plant sees it.
ControllerReading ReadingOf(const online::OnlineExchange& exchange);
// Marks the values of a step for the exchange's next writes.
void MarkWrites(online::OnlineExchange& exchange, const SimulationWrites& writes);

class ViewSimulationLink {
public:
    ViewSimulationLink(online::OnlineSession& session, online::OnlineExchange& exchange)
        : session_(session), exchange_(exchange) {}

    // The view (re)loaded its controller: the plant is reset from the file
    // (or, with keepUnchanged, only when its settings changed) and CommTimer1
    // takes the controller's SimT. True while the simulation is on.
    bool reload(const std::filesystem::path& controllerFile, const std::string& controllerName,
                int plcTypeIndex, bool keepUnchanged = false);
    // SimTimer1.
    void step();
    void sampleTimeChanged() { simulation_.sampleTimeChanged(); }

    bool active() const { return simulation_.active(); }
    const ViewSimulation& simulation() const { return simulation_; }

private:
    online::OnlineSession& session_;
    online::OnlineExchange& exchange_;
    ViewSimulation simulation_;
};

}  // namespace velmora
