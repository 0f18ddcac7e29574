// How well the PIDA autotuner tunes the plants of the plant simulation.
//
// For every plant (types 1-5, with and without dead time, static and with the
// integrating stage) and every speed, the demo project's PIDMA controller gets
// that plant and is tuned as in `velmora-host online --simulate`: the headless
// host compiles the project onto the soft PLC, the controller's view goes
// online and its plant simulation closes the loop in virtual time, "Tune" and
// the answer that takes the result over go through the view's panel. The
// accepted parameters are then judged in a loop of the PIDA block with a
// plant model of this program's own (continuous, fourth-order Runge-Kutta):
// a setpoint step of 10 % and a load step of -10 % at the plant input give
// IAE, overshoot and settling time. The same loop, searched by Nelder-Mead
// over k, ti, td with the maximum sensitivity of the normal speed (1.4), gives
// the optimum; the Ziegler-Nichols and AMIGO step-response rules give the
// classic reference. Prints the table as Markdown.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "BenchPlantResponse.h"
#include "base/IniFile.h"
#include "base/PidaStructure.h"
#include "host/HeadlessSession.h"
#include "online/OnlineValues.h"
#include "online/ParameterPanel.h"
#include "online/PlcItem.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "simulation/SimulationSettings.h"
#include "softplc/Autotuner.h"
#include "softplc/Blocks.h"
#include "tuning/LoopFigures.h"

namespace {

using namespace velmora;
using namespace velmora::softplc;

constexpr double kTs = 0.2;   // controller sample period, s
constexpr double kDt = 0.02;  // step of the evaluation plant, s
constexpr double kMs = 1.4;   // robustness limit of the optimum

struct Plant {
    int type;
    bool dead;
    bool astat;

    PlantSettings settings() const {
        PlantSettings s;
        s.simulation = true;
        s.plantType = type;
        s.su = s.su2 = 1;
        s.tau1 = 10, s.tau2 = 5, s.tau3 = 2;
        s.delta = 1.0, s.omega = 0.5;
        s.tauA = 20;
        s.simT = kTs;
        s.delay = dead;
        s.dDelta = dead ? static_cast<int>(std::lround(0.3 * dominant() / 0.1)) : 1;
        s.astat = astat;
        s.y0 = 30;
        return s;
    }
    // The oscillating stage decays with exp(-delta*omega*t).
    double dominant() const { return type == 3 ? 1 / (1.0 * 0.5) : 10; }
    double deadTime() const { return dead ? std::lround(0.3 * dominant() / 0.1) * 0.1 : 0; }
    // Sum of the time constants (the oscillating stage counts its mean delay 2*delta/(omega(1+delta^2))) and
    // the dead time.
    double timeSum() const {
        const double osc = 2 * 1.0 / (0.5 * 2);
        const double lags[] = {0, 10, 15, osc, 17, 10 + osc};
        return lags[type] + deadTime();
    }
    std::string name() const {
        return "type " + std::to_string(type) + (dead ? ", dead time" : "") + (astat ? ", integrating" : "");
    }
};

// ---------------------------------------------------------------- the plant, independently

class TruePlant {
public:
    explicit TruePlant(const Plant& p)
        : p_(p), delay_(static_cast<std::size_t>(std::lround(p.deadTime() / kDt)) + 1, 0.0) {}
    void rest(double u, double y) {
        // At rest: the integrating stage holds y, a static plant has y = u.
        stage_ = y;
        std::fill(delay_.begin(), delay_.end(), p_.astat ? y : u);
        const std::array<double, 4> rest[] = {{},           {y, 0, 0, 0}, {y, y, 0, 0},
                                              {y, 0, 0, 0}, {y, y, y, 0}, {0, y, y, 0}};
        x_ = rest[p_.type];
        y_ = y;
    }
    // Advances by kDt with the input u held.
    double step(double u) {
        if (p_.astat) stage_ = std::clamp(stage_ + kDt / 20 * u, 0.0, 100.0);
        const double in = p_.astat ? stage_ : u;
        delay_[at_] = in;
        at_ = (at_ + 1) % delay_.size();
        const double ud = delay_.size() > 1 ? delay_[at_] : in;
        // Runge-Kutta over the lags with the delayed input held.
        const auto f = [&](const std::array<double, 4>& x) {
            std::array<double, 4> d{};
            const double wn2 = 0.25 * 2, zw2 = 2 * 1.0 * 0.5;  // omega^2 (1 + delta^2), 2 delta omega
            switch (p_.type) {
                case 1:
                    d[0] = (ud - x[0]) / 10;
                    break;
                case 2:
                    d[1] = (ud - x[1]) / 10, d[0] = (x[1] - x[0]) / 5;
                    break;
                case 3:
                    d[0] = x[1], d[1] = wn2 * (ud - x[0]) - zw2 * x[1];
                    break;
                case 4:
                    d[2] = (ud - x[2]) / 2, d[1] = (x[2] - x[1]) / 10, d[0] = (x[1] - x[0]) / 5;
                    break;
                case 5:
                    d[1] = (ud - x[1]) / 10, d[2] = x[3], d[3] = wn2 * (x[1] - x[2]) - zw2 * x[3], d[0] = 0;
                    break;
            }
            return d;
        };
        const auto add = [](std::array<double, 4> a, const std::array<double, 4>& b, double s) {
            for (int i = 0; i < 4; ++i) a[i] += s * b[i];
            return a;
        };
        const auto k1 = f(x_), k2 = f(add(x_, k1, kDt / 2)), k3 = f(add(x_, k2, kDt / 2)),
                   k4 = f(add(x_, k3, kDt));
        for (int i = 0; i < 4; ++i) x_[i] += kDt / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
        y_ = std::clamp(p_.type == 5 ? x_[2] : x_[0], 0.0, 100.0);
        return y_;
    }
    double y() const { return y_; }

private:
    Plant p_;
    std::vector<double> delay_;
    std::size_t at_ = 0;
    double stage_ = 0, y_ = 0;
    std::array<double, 4> x_{};
};

// G(jw) of the plant, for the maximum sensitivity.
std::complex<double> Response(const Plant& p, double w) {
    return bench::PlantResponse(p.type, p.astat, p.deadTime(), w);
}

// The block's discrete law behind the hold, the plant one sample late as through the exchange.
double TrueMs(const Plant& p, const PidSettings& pid) {
    tuning::ControlLaw law;
    law.k = pid.k, law.ti = pid.ti, law.td = pid.td, law.nd = pid.nd, law.b = pid.b, law.c = pid.c;
    law.integralLate = true;
    const auto late = [&](double w) { return Response(p, w) * std::polar(1.0, -w * kTs); };
    return tuning::LoopFigures(late, law, kTs, 1e-4, 1e3).ms;
}

struct Judged {
    double iae = 0, iaeSp = 0, iaeLoad = 0, overshoot = 0, settling = 0, ms = 0;
    bool stable = true;
};

double Horizon(const Plant& p) {
    return p.astat ? 30 * p.timeSum() + 200 : 15 * p.timeSum() + 60;
}

// The PIDA block (parallel parameters) on the independent plant: setpoint
// 30 -> 40 % at 0, load -10 % at the plant input after one horizon.
Judged Judge(const Plant& plant, const PidSettings& pid, int type) {
    std::uint8_t b[kPidaBytes] = {};
    const auto set = [&](int at, double v) {
        const float f = static_cast<float>(v);
        std::memcpy(b + at, &f, 4);
    };
    const auto get = [&](int at) {
        float f;
        std::memcpy(&f, b + at, 4);
        return double(f);
    };
    const double u0 = plant.astat ? 0 : 30;
    set(plc::PidaOffset("Ts"), kTs), set(plc::PidaOffset("k"), pid.k), set(plc::PidaOffset("ti"), pid.ti),
        set(plc::PidaOffset("td"), pid.td), set(plc::PidaOffset("nd"), pid.nd);
    set(plc::PidaOffset("b"), pid.b), set(plc::PidaOffset("c"), pid.c), set(plc::PidaOffset("tt"), 1),
        set(plc::PidaOffset("hilim"), 100);
    set(plc::PidaOffset("lolim"), plant.astat ? -100 : 0);
    std::memcpy(b + plc::PidaOffset("irType"), &type, 4);
    set(plc::PidaOffset("sp"), 30), set(plc::PidaOffset("pv"), 30), set(plc::PidaOffset("mv"), u0),
        set(plc::PidaOffset("hv"), u0);
    b[plc::PidaOffset("MAN")] = 1;
    RunPidaBlock(b, kTs * 1000);
    b[plc::PidaOffset("MAN")] = 0;
    TruePlant model(plant);
    model.rest(u0, 30);
    const double h = Horizon(plant);
    const int substeps = static_cast<int>(std::lround(kTs / kDt));
    Judged j;
    j.ms = TrueMs(plant, pid);
    set(plc::PidaOffset("sp"), 40);
    double lastOut = 0, exchanged = u0;
    for (double t = 0; t < 2 * h; t += kTs) {
        // As the exchange with the plant runs every sample period, the output
        // computed now reaches the plant one period later.
        set(plc::PidaOffset("pv"), model.y());
        const double u = exchanged - (t >= h ? 10 : 0);
        RunPidaBlock(b, kTs * 1000);
        exchanged = get(plc::PidaOffset("mv"));
        for (int s = 0; s < substeps; ++s) {
            const double y = model.step(u);
            const double e = std::abs(40 - y) * kDt;
            (t < h ? j.iaeSp : j.iaeLoad) += e;
            if (t < h) {
                j.overshoot = std::max(j.overshoot, (y - 40) / 10);
                if (std::abs(y - 40) > 0.2) lastOut = t + (s + 1) * kDt;
            }
        }
        if (t > 2 * h - 20 * kTs && std::abs(model.y() - 40) > 2) j.stable = false;  // never settled
    }
    j.iae = j.iaeSp + j.iaeLoad;
    j.settling = lastOut;
    return j;
}

// ---------------------------------------------------------------- references

template <class F>
double Minimise(F&& f, std::vector<double>& x, double scale, int evaluations) {
    const int n = static_cast<int>(x.size());
    std::vector<std::vector<double>> p(n + 1, x);
    std::vector<double> v(n + 1);
    for (int i = 0; i <= n; ++i) {
        if (i > 0) p[i][i - 1] += scale;
        v[i] = f(p[i]);
    }
    for (int used = n + 1; used < evaluations;) {
        std::vector<int> o(n + 1);
        for (int i = 0; i <= n; ++i) o[i] = i;
        std::sort(o.begin(), o.end(), [&](int a, int c) { return v[a] < v[c]; });
        const int best = o[0], worst = o[n];
        std::vector<double> c(n, 0.0);
        for (int i = 0; i <= n; ++i)
            if (i != worst)
                for (int k = 0; k < n; ++k) c[k] += p[i][k] / n;
        const auto at = [&](double t) {
            std::vector<double> q(n);
            for (int k = 0; k < n; ++k) q[k] = c[k] + t * (p[worst][k] - c[k]);
            return q;
        };
        auto r = at(-1);
        const double fr = f(r);
        ++used;
        if (fr < v[best]) {
            auto e = at(-2);
            const double fe = f(e);
            ++used;
            if (fe < fr)
                p[worst] = e, v[worst] = fe;
            else
                p[worst] = r, v[worst] = fr;
        } else if (fr < v[o[n - 1]]) {
            p[worst] = r, v[worst] = fr;
        } else {
            auto k = at(fr < v[worst] ? -0.5 : 0.5);
            const double fk = f(k);
            ++used;
            if (fk < std::min(fr, v[worst])) {
                p[worst] = k, v[worst] = fk;
            } else {
                for (int i = 0; i <= n; ++i) {
                    if (i == best) continue;
                    for (int m = 0; m < n; ++m) p[i][m] = p[best][m] + 0.5 * (p[i][m] - p[best][m]);
                    v[i] = f(p[i]);
                    ++used;
                }
            }
        }
    }
    const int best = static_cast<int>(std::min_element(v.begin(), v.end()) - v.begin());
    x = p[best];
    return v[best];
}

// The best PID of the judged loop within the robustness limit, searched from
// each start over k, ti, td and the setpoint weight b.
PidSettings Optimum(const Plant& plant, const std::vector<PidSettings>& starts) {
    const auto settings = [](const std::vector<double>& z) {
        PidSettings p;
        p.k = std::exp(z[0]), p.ti = std::exp(z[1]), p.td = std::exp(z[2]);
        p.b = std::clamp(z[3], 0.0, 1.0);
        return p;
    };
    const auto cost = [&](const std::vector<double>& z) {
        const PidSettings p = settings(z);
        const double ms = TrueMs(plant, p);
        if (ms > kMs) return 1e6 * (1 + ms - kMs);
        const Judged j = Judge(plant, p, 7);
        return j.stable ? j.iae : 1e6;
    };
    double best = INFINITY;
    PidSettings result;
    for (const PidSettings& s : starts) {
        PidSettings start = s;
        for (int i = 0; i < 60 && TrueMs(plant, start) > kMs; ++i) start.k *= 0.85;
        std::vector<double> z{std::log(start.k), std::log(std::max(start.ti, 0.1)),
                              std::log(std::max(start.td, 0.05)), start.b};
        Minimise(cost, z, 0.3, 220);
        const double v = Minimise(cost, z, 0.08, 120);
        if (v < best) best = v, result = settings(z);
    }
    return result;
}

// Ziegler-Nichols and AMIGO from the tangent at the steepest point of the unit step response.
struct Rules {
    PidSettings zn, amigo;
};
Rules StepResponseRules(const Plant& plant) {
    TruePlant model(plant);
    const double u0 = plant.astat ? 0 : 30;
    model.rest(u0, 30);
    double steepest = 0, tAt = 0, yAt = 0, y = 30;
    const double end = plant.astat ? 10 * plant.timeSum() : 20 * plant.timeSum();
    for (double t = kDt; t < end; t += kDt) {
        const double next = model.step(u0 + 1);
        if ((next - y) / kDt > steepest) steepest = (next - y) / kDt, tAt = t, yAt = next - 30;
        y = next;
    }
    const double gain = y - 30;
    const double l = std::max(tAt - yAt / steepest, kTs);  // a sampled loop sees at least one period
    Rules r;
    r.zn.k = 1.2 / (steepest * l), r.zn.ti = 2 * l, r.zn.td = 0.5 * l;
    if (plant.astat) {
        r.amigo.k = 0.45 / (steepest * l), r.amigo.ti = 8 * l, r.amigo.td = 0.5 * l;
    } else {
        const double t = gain / steepest;
        r.amigo.k = (0.2 + 0.45 * t / l) / gain;
        r.amigo.ti = (0.4 * l + 0.8 * t) / (l + 0.1 * t) * l;
        r.amigo.td = 0.5 * l * t / (0.3 * l + t);
    }
    return r;
}

// ---------------------------------------------------------------- the tune, online

struct Tuned {
    int error = -1;
    double seconds = 0;  // while the block said TBSY
    PidSettings pid;     // the block's parameters after the result was accepted
};

[[noreturn]] void Fail(const std::string& what, const std::ostringstream& err) {
    std::fprintf(stderr, "%s\n%s", what.c_str(), err.str().c_str());
    std::abort();
}

// The demo project's PIDMA controller (Dryer) with the plant under test and
// the tuner settings, compiled and run by the headless host, its view online
// with the view's plant simulation closing the loop; "Tune" and the accepting
// answer go through the view's panel as a user's would.
Tuned TuneOnline(const Plant& plant, int speed) {
    const std::filesystem::path source = VELMORA_SOURCE_DIR "/examples/demo";
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-tuning-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(pattern.data());
    std::filesystem::copy(source, dir / "demo", std::filesystem::copy_options::recursive);
    setenv("VELMORA_REGISTRY", (dir / "registry.ini").c_str(), 1);
    const std::string section = "Regulator Dryer";
    {
        IniFile file(dir / "demo" / "Velmora" / "PLC1.rglx");
        IniFile::Batch batch(file);
        WritePlantSettings(file, section, plant.settings());
        const std::pair<const char*, std::string> keys[] = {{"Ts", "0,2"},
                                                            {"AM", "0"},
                                                            {"hv", plant.astat ? "0" : "30"},
                                                            {"sp", "30"},
                                                            {"lolim", plant.astat ? "-100" : "0"},
                                                            {"hilim", "100"},
                                                            {"ittype", "7"},
                                                            {"iainf", plant.astat ? "2" : "1"},
                                                            {"ispeed", std::to_string(speed)},
                                                            {"ipid", "1"},
                                                            {"DGC", "0"},
                                                            {"tn", "2"},
                                                            {"amp", "15"},
                                                            {"dy", "5"}};
        for (const auto& [key, value] : keys) file.writeString(section, key, value);
        batch.commit();
    }
    Tuned result;
    std::ostringstream err;
    {
        host::HeadlessSession session((dir / "demo").string(), err);
        if (!session.open("PLC1") || !session.programReady()) Fail("PLC1 did not compile", err);
        HeadlessOnlineView* view = session.goOnline("Dryer");
        std::string why;
        if (!view || !session.simulate("Dryer", why)) Fail("no simulated Dryer: " + why, err);
        // The result's question ("take the new values over?") is answered yes.
        session.frontEnd().answerWith = [](const HeadlessFrontEnd::Message& m) {
            return m.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
        };
        // How long the experiment runs, as the block reports it.
        softplc::PlcEngine& engine = session.soft().engine();
        const std::uint8_t* busy = &session.soft().plc().area(
            kRegisterArea)[session.soft().plc().symbols().locate("Dryer_struct")->offset +
                           plc::PidaOffset("TBSY")];
        double since = -1;
        engine.afterCycle = [&] {
            if (*busy && since < 0) since = engine.now();
            if (!*busy && since >= 0 && result.seconds == 0) result.seconds = (engine.now() - since) / 1000;
        };

        online::ParameterPanel& panel = view->panel();
        const double pass = 8.0 * std::max(session.frame().CommTimer1().interval(), 1);
        const auto run = [&](double ms) {
            for (const double end = session.now() + ms; session.now() < end;) {
                session.advance(pass);
                panel.deliver();
            }
        };
        run(150'000);  // at rest in manual
        panel.StartTuneButton1Click();
        bool lit = false;
        for (const double end = session.now() + 3'000'000; session.now() < end;) {
            run(pass);
            if (panel.lamp() == online::TunerLamp::Lime)
                lit = true;
            else if (lit || panel.lamp() == online::TunerLamp::Red)
                break;
        }
        run(5'000);  // the report, the answer and the take-over written and read back
        const auto& image = view->exchange().pidmaImage();
        const auto real = [&](int at) { return double(plc::GetReal(image.data() + at)); };
        result.error =
            image[plc::PidaOffset("TE")] ? plc::GetInt32(image.data() + plc::PidaOffset("ite")) : 0;
        if (!lit && !result.error) Fail("the lamp never went lime", err);
        result.pid = {real(plc::PidaOffset("k")),  real(plc::PidaOffset("ti")), real(plc::PidaOffset("td")),
                      real(plc::PidaOffset("nd")), real(plc::PidaOffset("b")),  real(plc::PidaOffset("c"))};
        if (!result.error &&
            (result.pid.k != real(plc::PidaOffset("pk")) || result.pid.ti != real(plc::PidaOffset("pti"))))
            Fail("the result was not taken over", err);
        engine.afterCycle = nullptr;
    }
    std::filesystem::remove_all(dir);
    return result;
}

std::string Cell(const Judged& j) {
    char s[64];
    if (!j.stable) return "unstable";
    std::snprintf(s, sizeof s, "%.1f / %.0f %% / %.0f s", j.iae, 100 * j.overshoot, j.settling);
    return s;
}

}  // namespace

// The independent plant against the plant simulation of the product, from rest, input +10 %.
double Disagreement(const Plant& plant) {
    PlantSimulation product;
    product.load(plant.settings());
    TruePlant model(plant);
    const double u = (plant.astat ? 0 : 30) + 10;
    model.rest(u - 10, 30);
    product.setPlantInput(u - 10);
    for (int i = 0; i < 5000; ++i) product.step();  // the simulation starts its second-order stage from 0
    const double y0 = product.output();
    product.setPlantInput(u);
    double worst = 0;
    for (int i = 0; i < 1000; ++i) {
        product.step();
        for (int s = 0; s < 5; ++s) model.step(u);
        worst = std::max(worst, std::abs(product.output() - y0 - (model.y() - 30)));
    }
    return worst;
}

// Optional arguments: "static" or "integrating", then a plant type, to judge only those plants.
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    const int onlyType = argc > 2 ? std::atoi(argv[2]) : 0;
    for (const bool astat : {false, true})
        for (int type = 1; type <= 5; ++type)
            for (const bool dead : {false, true})
                std::fprintf(stderr, "%s: independent plant within %.3f %% of the plant simulation\n",
                             Plant{type, dead, astat}.name().c_str(), Disagreement(Plant{type, dead, astat}));
    std::printf(
        "| plant | Σ T [s] | experiment [s] (× Σ T) | slow: IAE / overshoot / settling | normal | fast | "
        "optimum (Ms ≤ 1.4) | normal ÷ optimum | Ms normal | ZN | AMIGO | errors |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const bool astat : {false, true})
        for (int type = 1; type <= 5; ++type)
            for (const bool dead : {false, true}) {
                if ((only == "static" && astat) || (only == "integrating" && !astat) ||
                    (onlyType && type != onlyType))
                    continue;
                const Plant plant{type, dead, astat};
                Tuned tuned[3];
                Judged judged[3];
                std::string errors;
                double longest = 0;
                for (int speed = 1; speed <= 3; ++speed) {
                    tuned[speed - 1] = TuneOnline(plant, speed);
                    const PidSettings& t = tuned[speed - 1].pid;
                    std::fprintf(stderr, "%s, speed %d: error %d, k %.3f ti %.2f td %.2f b %.2f\n",
                                 plant.name().c_str(), speed, tuned[speed - 1].error, t.k, t.ti, t.td, t.b);
                    longest = std::max(longest, tuned[speed - 1].seconds);
                    if (tuned[speed - 1].error) {
                        errors += (errors.empty() ? "" : ", ") + std::to_string(tuned[speed - 1].error);
                        judged[speed - 1].stable = false;
                    } else {
                        judged[speed - 1] = Judge(plant, tuned[speed - 1].pid, 7);
                    }
                }
                const Rules rules = StepResponseRules(plant);
                std::vector<PidSettings> starts{rules.amigo};
                if (!tuned[1].error) starts.push_back(tuned[1].pid);
                const PidSettings best = Optimum(plant, starts);
                const Judged optimum = Judge(plant, best, 7);
                PidSettings zn = rules.zn, amigo = rules.amigo;
                const Judged znJ = Judge(plant, zn, 7), amigoJ = Judge(plant, amigo, 7);
                char ratio[32] = "-", ms[32] = "-";
                if (judged[1].stable) {
                    std::snprintf(ratio, sizeof ratio, "%.2f", judged[1].iae / optimum.iae);
                    std::snprintf(ms, sizeof ms, "%.2f", judged[1].ms);
                }
                std::string cells[3];
                for (int i = 0; i < 3; ++i)
                    cells[i] = tuned[i].error ? "error " + std::to_string(tuned[i].error) : Cell(judged[i]);
                std::printf("| %s | %.1f | %.0f (%.1f) | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                            plant.name().c_str(), plant.timeSum(), longest, longest / plant.timeSum(),
                            cells[0].c_str(), cells[1].c_str(), cells[2].c_str(), Cell(optimum).c_str(),
                            ratio, ms, Cell(znJ).c_str(), Cell(amigoJ).c_str(),
                            errors.empty() ? "none" : errors.c_str());
                std::fflush(stdout);
            }
    return 0;
}
