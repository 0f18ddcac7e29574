// The communication callback's pass over 100 online views without pending
// writes, against the bare cost of the 100 request calls it makes.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "MemoryPlc.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"

namespace {

using namespace velmora;
using namespace velmora::online;

using bench::g_registers;
using bench::MemoryRequest;

class Timers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ManualTimer>(); }
};

class AlwaysRunning : public PlcControl {
public:
    int plcState() const override { return 1; }
};

constexpr int kViews = 100;
constexpr std::uint32_t kRunning = (1u << 7) | (1u << 16) | (1u << 17) | (1u << 19);

struct Plant {
    Timers timers;
    AlwaysRunning plc;
    SystemClock clock;
    std::unique_ptr<OnlineSession> session;
    std::vector<std::unique_ptr<OnlineExchange>> views;

    Plant() {
        OnlineEnvironment env;
        env.plc = &plc;
        env.clock = &clock;
        env.lookup = [](const std::string& name) -> std::optional<std::string> {
            // Controller i's structure lies at 100 + 80·i; its variables at 60000.
            if (name.rfind("R", 0) == 0) {
                const auto underscore = name.find('_');
                const int i = std::stoi(name.substr(1, underscore - 1));
                return "INT %R" + std::to_string(100 + 80 * i + (name.ends_with("_Det") ? 0 : 33));
            }
            return std::string("INT %R60000");
        };
        env.loadSettings = [](const std::string& name) {
            ExchangeSettings s;
            s.name = name;
            s.y1Name = "Y";
            s.upName = "U";
            return s;
        };
        session = std::make_unique<OnlineSession>(std::move(env), timers);
        for (int i = 0; i < kViews; ++i) {
            views.push_back(std::make_unique<OnlineExchange>(*session, "R" + std::to_string(i), nullptr));
            views.back()->KomunikaceButton1_Click();
        }
    }
};

// Every view hands its want-data flag over, then one pass reads all 100 structures.
void BM_PassAllViewsExchanging(benchmark::State& state) {
    Plant plant;
    for (auto _ : state) {
        for (auto& v : plant.views) v->commTick();
        plant.session->CommLoopCallback(&MemoryRequest, kRunning);
    }
    state.SetItemsProcessed(state.iterations() * kViews);
}
BENCHMARK(BM_PassAllViewsExchanging)->Unit(benchmark::kMicrosecond);

// The pass alone when no view asks for data (the ticks between two samples).
void BM_PassNoViewWantsData(benchmark::State& state) {
    Plant plant;
    plant.session->CommLoopCallback(&MemoryRequest, kRunning);
    for (auto _ : state) plant.session->CommLoopCallback(&MemoryRequest, kRunning);
}
BENCHMARK(BM_PassNoViewWantsData)->Unit(benchmark::kMicrosecond);

// The floor: the same 100 reads made directly.
void BM_BareRequests(benchmark::State& state) {
    std::array<std::uint8_t, 256> response{};
    for (auto _ : state) {
        for (int i = 0; i < kViews; ++i) {
            const int offset = 100 + 80 * i;
            const std::uint8_t request[4] = {3, static_cast<std::uint8_t>(offset & 0xFF),
                                             static_cast<std::uint8_t>(offset >> 8), 50};
            std::int32_t length = 50;
            MemoryRequest(kPlcRead, 4, request, &length, response.data(), 5000, 0x40);
            benchmark::DoNotOptimize(response);
        }
    }
}
BENCHMARK(BM_BareRequests)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
