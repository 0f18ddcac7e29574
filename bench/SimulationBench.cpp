// One model step of the plant simulation, against a bare first-order filter
// step as the baseline of the same run.
#include "simulation/PlantSimulation.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace velmora;

// Third-order oscillating plant with dead time, integrating stage and the raw
// value of a resistance-thermometer input: the most work a step can do.
void BM_PlantStepThirdOrderOscillatingWithDeadTime(benchmark::State& state) {
    PlantSettings p;
    p.simulation = true;
    p.plantType = kPlantThirdOrderOscillating;
    p.delay = true;
    p.dDelta = 25;
    p.astat = true;
    p.addOut = kDisturbanceWord;
    SimulatedInputs in;
    in.y1Mode = 1231;
    in.y3Mode = 1101;
    in.minY = -1000;
    in.maxY = 2600;
    PlantSimulation sim;
    sim.load(p, in);
    sim.setDisturbanceReading({150, 0});
    double u = 40;
    for (auto _ : state) {
        sim.setPlantInput(u);
        sim.step();
        benchmark::DoNotOptimize(sim.firstInput());
        u = u > 60 ? 20 : u + 0.5;
    }
}
BENCHMARK(BM_PlantStepThirdOrderOscillatingWithDeadTime);

void BM_PlantStepFirstOrder(benchmark::State& state) {
    PlantSettings p;
    p.simulation = true;
    p.plantType = kPlantFirstOrder;
    SimulatedInputs in;
    in.pidController = false;
    PlantSimulation sim;
    sim.load(p, in);
    double u = 40;
    for (auto _ : state) {
        sim.setPlantInput(u);
        sim.step();
        benchmark::DoNotOptimize(sim.simulatedOutput());
        u = u > 60 ? 20 : u + 0.5;
    }
}
BENCHMARK(BM_PlantStepFirstOrder);

// Baseline: the arithmetic of a first-order step and nothing else.
void BM_BaselineFirstOrderFilter(benchmark::State& state) {
    const double e = std::exp(-0.1 / 10);
    double y = 0, u = 40;
    for (auto _ : state) {
        y = (y - u) * e + u;
        benchmark::DoNotOptimize(y);
        u = u > 60 ? 20 : u + 0.5;
    }
}
BENCHMARK(BM_BaselineFirstOrderFilter);

}  // namespace

BENCHMARK_MAIN();
