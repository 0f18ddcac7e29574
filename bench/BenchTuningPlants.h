#pragma once
// The plants the tuning benchmarks tune: the plant simulation's five types with
// gain 1, Tau1 10 s, Tau2 5 s, Tau3 2 s, Delta 1, Omega 0.5 rad/s, with and
// without a dead time of 0.3 x the dominant lag and the integrating stage
// (TauA 20 s), resting at y 30 %; and the manual bump a user records on them.
#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "BenchPlantResponse.h"
#include "simulation/PlantSimulation.h"
#include "tuning/ProcessModel.h"
#include "tuning/Recording.h"

namespace velmora::bench {

struct TuningPlant {
    static constexpr double kH = PlantSimulation::kStep;  // 0.1 s
    static constexpr double kY0 = 30, kStepSize = 10;
    int type;
    bool dead, astat;

    double dominant() const { return type == 3 ? 2 : 10; }
    double deadTime() const { return dead ? std::lround(0.3 * dominant() / kH) * kH : 0; }
    double lagSum() const {
        const double lags[] = {0, 10, 15,
                               2, 17, 12};  // the oscillating stage by its mean delay 2δ/(ω(1 + δ²))
        return lags[type];
    }
    double timeSum() const { return lagSum() + deadTime(); }
    // The dead time the simulation gives: its ring of dDelta steps hands the input on after dDelta − 1
    // steps, and the step itself holds it over the next.
    double simulatedDeadTime() const { return dead ? deadTime() - kH : 0; }
    // How long the bump's pulse lasts on an integrating plant: y moves by at least 10 % too.
    double pulse() const { return std::max(2 * timeSum(), 20.0); }
    double u0() const { return astat ? 0 : kY0; }
    PlantSettings settings() const {
        PlantSettings s;
        s.simulation = true;
        s.plantType = type;
        s.su = s.su2 = 1;
        s.tau1 = 10, s.tau2 = 5, s.tau3 = 2, s.delta = 1, s.omega = 0.5, s.tauA = 20;
        s.minSU = -100, s.maxSU = 200;
        s.delay = dead;
        s.dDelta = dead ? static_cast<int>(std::lround(deadTime() / kH)) : 1;
        s.astat = astat;
        s.y0 = kY0;
        return s;
    }
    std::string name() const {
        return "type " + std::to_string(type) + (dead ? ", dead time" : "") + (astat ? ", integrating" : "");
    }
    // G(jω) of the plant simulation's model.
    std::complex<double> response(double w) const {
        return PlantResponse(type, astat, simulatedDeadTime(), w);
    }
    // The same plant as a process model: the two lags of type 2 and the three of type 4 as a lag
    // in front of a pair; the oscillating stage (poles −0.5 ± 0.5j) as the pair T √2, ζ 1/√2.
    tuning::ProcessModel model() const {
        tuning::ProcessModel m;
        const double pairT = std::sqrt(2.0), pairZeta = std::sqrt(0.5);
        switch (type) {
            case 1:
                m.lags = 1, m.timeConstant = 10;
                break;
            case 2:
                m.lags = 2, m.timeConstant = std::sqrt(50.0), m.damping = 15 / (2 * std::sqrt(50.0));
                break;
            case 3:
                m.lags = 2, m.timeConstant = pairT, m.damping = pairZeta;
                break;
            case 4:
                m.lags = 3, m.lag = 10, m.timeConstant = std::sqrt(10.0),
                m.damping = 7 / (2 * std::sqrt(10.0));
                break;
            default:
                m.lags = 3, m.lag = 10, m.timeConstant = pairT, m.damping = pairZeta;
                break;
        }
        m.integrating = astat;
        m.gain = astat ? 1 / settings().tauA : 1;
        m.deadTime = simulatedDeadTime();
        return m;
    }
};

// The plant simulation at rest at u0 (its second-order stage starts from 0, so it is run in first).
inline PlantSimulation AtRest(const TuningPlant& p) {
    PlantSimulation sim;
    SimulatedInputs inputs;
    inputs.pidController = false;
    sim.load(p.settings(), inputs);
    sim.setPlantInput(p.u0());
    for (int i = 0; i < 20000; ++i) sim.step();
    return sim;
}

// The manual bump as the graph page records it: rest, then u up by 10 % (a pulse of
// at least 20 s for an integrating plant), y with uniform noise and rounded to 0.01 %.
inline std::vector<tuning::RecordedSample> RecordBump(const TuningPlant& p, double noise, unsigned seed,
                                                      double& length) {
    constexpr double kH = TuningPlant::kH;
    PlantSimulation sim = AtRest(p);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> spread(-noise, noise);
    const double rest = 10, pulse = p.pulse();
    length = p.astat ? pulse + 5 * p.timeSum() : 8 * p.timeSum();
    std::vector<tuning::RecordedSample> r;
    for (long i = 0; i * kH <= rest + length; ++i) {
        const double t = i * kH;
        const bool on = t >= rest && (!p.astat || t < rest + pulse);
        const double u = p.u0() + (on ? TuningPlant::kStepSize : 0);
        const double y = std::round((sim.output() + (noise > 0 ? spread(random) : 0)) * 100) / 100;
        r.push_back({t, TuningPlant::kY0, u, y});
        sim.setPlantInput(u);
        sim.step();
    }
    return r;
}

// NRMSE of the model's open-loop step response against the true plant's, over `horizon`.
inline double StepResponseError(const TuningPlant& p, const tuning::ProcessModel& m, double horizon) {
    constexpr double kH = TuningPlant::kH, kStepSize = TuningPlant::kStepSize;
    PlantSimulation sim = AtRest(p);
    const double y0 = sim.output();
    const int n = static_cast<int>(horizon / kH);
    const std::vector<double> model = tuning::StepResponse(m, kH, n + 1);
    double sum = 0, lo = 0, hi = 0;
    sim.setPlantInput(p.u0() + kStepSize);
    for (int i = 1; i <= n; ++i) {
        sim.step();
        const double truth = sim.output() - y0, e = kStepSize * model[i] - truth;
        sum += e * e, lo = std::min(lo, truth), hi = std::max(hi, truth);
    }
    return std::sqrt(sum / n) / (hi - lo);
}

}  // namespace velmora::bench
