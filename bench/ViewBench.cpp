// The online view's cost on the user-interface thread, offscreen:
//  - one schema repaint with new values (target: 1 ms or less), beside the
//    same repaint with unchanged values;
//  - 50 open views served by the communication timer for 60 s of virtual
//    time, every view updated at each of its ticks: the thread's CPU time as
//    a percentage of one core over those 60 s (target: under 20 %).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MemoryPlc.h"
#include "base/IniFile.h"
#include "online/FormVisual1.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"

namespace {

using namespace velmora;
using namespace velmora::online;

using bench::g_registers;
using bench::MemoryRequest;

// New process values: every measured and output word of every structure moves.
void Step(int n) {
    for (std::size_t at = 0; at + 1 < g_registers.size(); at += 2) {
        const int v = 1000 + (n * 37 + static_cast<int>(at)) % 8000;
        g_registers[at] = static_cast<std::uint8_t>(v & 0xFF);
        g_registers[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

class Timers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ManualTimer>(); }
};

class AlwaysRunning : public PlcControl {
public:
    int plcState() const override { return 1; }
};

// Virtual time: advanced by the scenario, never by the wall clock.
class VirtualClock : public Clock {
public:
    LocalTime now() const override {
        LocalTime t{2026, 1, 1, 0, 0, 0, 0};
        const long long ms = millis;
        t.millisecond = static_cast<int>(ms % 1000);
        t.second = static_cast<int>(ms / 1000 % 60);
        t.minute = static_cast<int>(ms / 60000 % 60);
        t.hour = static_cast<int>(ms / 3600000 % 24);
        return t;
    }
    long long millis = 0;
};

constexpr std::uint32_t kRunning = (1u << 7) | (1u << 16) | (1u << 17) | (1u << 19);

struct Views : VisualHost {
    Timers timers;
    AlwaysRunning plc;
    VirtualClock clock;
    std::filesystem::path file;
    std::unique_ptr<OnlineSession> s;
    std::vector<TFormVisual1*> views;

    explicit Views(int count) {
        file = std::filesystem::temp_directory_path() / "velmora-view-bench.rglx";
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            for (int i = 0; i < count; ++i)
                out << "[Regulator R" << i << "]\r\nName=R" << i << "\r\nType=PID\r\nY1Name=Y" << i
                    << "\r\nUpName=U" << i << "\r\nMinY=0\r\nMaxY=10000\r\n";
        }
        OnlineEnvironment env;
        env.plc = &plc;
        env.clock = &clock;
        env.lookup = [](const std::string& name) -> std::optional<std::string> {
            // Controller i's structure lies at 100 + 80·i, its variables above 60000.
            const int i = std::stoi(name.substr(1));
            if (name[0] == 'R')
                return "INT %R" + std::to_string(100 + 80 * i + (name.ends_with("_Det") ? 0 : 33));
            return "INT %R" + std::to_string(60000 + 4 * i);
        };
        env.loadSettings = [this](const std::string& name) {
            return ReadExchangeSettings(IniFile(file), name);
        };
        s = std::make_unique<OnlineSession>(std::move(env), timers);
        for (int i = 0; i < count; ++i) {
            auto* view = new TFormVisual1(*this, "R" + std::to_string(i));
            view->resize(960, 560);
            view->show();
            view->KomunikaceButton1_Click();
            views.push_back(view);
        }
        QCoreApplication::processEvents();
    }
    ~Views() override {
        for (TFormVisual1* v : views) delete v;
        std::filesystem::remove(file);
    }

    OnlineSession& session() override { return *s; }
    std::filesystem::path controllerFile() override { return file; }
    MessageBoxes* messages() override { return nullptr; }
    char decimalSeparator() override { return ','; }
    bool openTarget(SchemaTarget, const std::string&) override { return false; }
    bool openVariablePage(VariablePage, const std::string&) override { return false; }
    bool openSetpointPage(const std::string&, bool, int) override { return false; }
    void showHelp() override {}
    void communicationChanged() override {}
    void removeFromDesktop(QWidget*) override {}
    void viewDestroyed() override {}
};

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One view: new data arrive, its tick shows them, the schema is painted.
void SchemaRepaint(benchmark::State& state, bool newValues) {
    Views plant(1);
    TFormVisual1& view = *plant.views[0];
    // The schema: the drawing surface with its panels and value boxes.
    QWidget& schema = *view.findChild<QWidget*>("SchemaCanvas1");
    QImage image(schema.size(), QImage::Format_ARGB32_Premultiplied);
    int n = 0;
    for (auto _ : state) {
        if (newValues) {
            Step(++n);
            plant.clock.millis += 1000;
            plant.s->CommLoopCallback(&MemoryRequest, kRunning);
            view.exchange().commTick();
        }
        QPainter painter(&image);
        schema.render(&painter);
    }
}
void BM_SchemaRepaintNewValues(benchmark::State& state) {
    SchemaRepaint(state, true);
}
void BM_SchemaRepaintSameValues(benchmark::State& state) {
    SchemaRepaint(state, false);
}
BENCHMARK(BM_SchemaRepaintNewValues)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SchemaRepaintSameValues)->Unit(benchmark::kMicrosecond);

// 50 views for 60 s of virtual time: CommTimer1 every 125 ms (each view once a
// second), the host's loop every 100 ms; pending repaints run after each tick.
void BM_FiftyViewsSixtySeconds(benchmark::State& state) {
    constexpr int kViews = 50;
    constexpr long long kVirtualMs = 60000;
    Views plant(kViews);
    double cpu = 0;
    int updates = 0;
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        long long nextComm = 0, nextLoop = 0;
        for (long long ms = 0; ms < kVirtualMs; ms += 25) {
            plant.clock.millis += 25;
            if (ms >= nextLoop) {
                Step(static_cast<int>(ms / 100));
                plant.s->CommLoopCallback(&MemoryRequest, kRunning);
                nextLoop += 100;
            }
            if (ms >= nextComm) {
                plant.s->commTimerTick();
                if (plant.s->lastTickVisitedAny()) updates += (kViews + 7) / 8;
                nextComm += 125;
            }
            QCoreApplication::processEvents();
        }
        cpu = ThreadCpuSeconds() - start;
    }
    state.counters["ui_cpu_percent_of_one_core"] = 100.0 * cpu / (kVirtualMs / 1000.0);
    state.counters["view_updates"] = updates;
}
BENCHMARK(BM_FiftyViewsSixtySeconds)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
