// The soft PLC: time per executed instruction on the demo program, one scan of
// a hundred generated controllers, and (built with the host) how much faster
// than real time one controller runs in closed loop with its simulated plant
// in the headless host, as `velmora-host run --online` runs it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "base/IniFile.h"
#include "codegen/Generator.h"
#include "controllers/ProjectDescription.h"
#include "softplc/PlcEngine.h"
#include "softplc/ProjectSources.h"
#if VELMORA_WITH_HOST
#include <sstream>

#include "host/HeadlessSession.h"
#endif

namespace {

using namespace velmora;
using namespace velmora::softplc;

// A copy of a project with its controllers generated, compiled on a soft PLC.
struct Loaded {
    std::filesystem::path dir;
    SoftPlc plc;
    PlcEngine engine{plc};

    Loaded(const std::filesystem::path& source, const std::string& plcName,
           const std::function<void(const std::filesystem::path&)>& edit = {}) {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        std::filesystem::copy(source, dir, std::filesystem::copy_options::recursive);
        if (edit) edit(dir);
        auto description = *LoadProjectDescription(dir);
        const PlcDescription* p = description.findPlc(plcName);
        IniFile file(dir / "Velmora" / (plcName + ".rglx"));
        GeneratorContext ctx;
        ctx.projectDir = dir;
        ctx.plcName = plcName;
        ctx.plcType = p->type;
        ctx.series = p->series;
        auto files = description.files;
        for (const auto& f : GenerateAllControllers(file, ctx).files) files.push_back(f);
        const ProjectSources sources = CollectProjectSources(dir, files, plcName);
        BuildSymbols(plc.symbols(), p, sources.files);
        engine.setPlcTypeIndex(p->type);
        if (!engine.compile(sources.files, CompileOptions{p->series})) {
            for (const auto& d : engine.diagnostics()) std::fprintf(stderr, "%s\n", d.format().c_str());
            std::abort();
        }
        engine.start(Restart::Cold);
    }
    ~Loaded() { std::filesystem::remove_all(dir); }
};

const std::filesystem::path kDemo = VELMORA_SOURCE_DIR "/examples/demo";

void BM_InstructionOnTheDemoProgram(benchmark::State& state) {
    Loaded demo(kDemo, "PLC1");
    const std::uint64_t before = demo.engine.machine().executed();
    for (auto _ : state) demo.engine.advance(demo.engine.cycleMs());
    const auto executed = static_cast<double>(demo.engine.machine().executed() - before);
    state.counters["per_instruction"] =
        benchmark::Counter(executed, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["instructions_per_scan"] = executed / static_cast<double>(state.iterations());
}
BENCHMARK(BM_InstructionOnTheDemoProgram);

// A hundred copies of Boiler (two inputs, cascade, filters, scaling, retained copy).
void BM_ScanOfHundredControllers(benchmark::State& state) {
    Loaded many(kDemo, "PLC1", [](const std::filesystem::path& dir) {
        const auto path = dir / "Velmora" / "PLC1.rglx";
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        const auto start = all.find("[Regulator Boiler]");
        const auto end = all.find("[Regulator", start + 1);
        std::string boiler = all.substr(start, end - start);
        std::string out;
        for (int i = 0; i < 100; ++i) {
            std::string copy = boiler;
            const std::string name = "C" + std::to_string(100 + i);
            for (std::size_t at; (at = copy.find("Name=Boiler\r\n")) != std::string::npos;)
                copy.replace(at, 11, "Name=" + name);
            copy.replace(0, 18, "[Regulator " + name + "]");
            for (std::size_t at; (at = copy.find("OffReg=1000")) != std::string::npos;)
                copy.replace(at, 11, "OffReg=-1");
            out += copy;
        }
        std::ofstream(path, std::ios::binary | std::ios::trunc) << out;
    });
    for (auto _ : state) many.engine.advance(many.engine.cycleMs());
    state.counters["controllers"] = static_cast<double>(many.plc.symbols().locate("C199_struct") ? 100 : 0);
}
BENCHMARK(BM_ScanOfHundredControllers)->Unit(benchmark::kMicrosecond);

#if VELMORA_WITH_HOST
// Chiller of PLC2 online in the headless host, its view's plant simulation
// closing the loop, an hour at a time.
void BM_VirtualHourOfOneSimulatedLoop(benchmark::State& state) {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    const std::filesystem::path dir = mkdtemp(pattern.data());
    std::filesystem::copy(kDemo, dir / "demo", std::filesystem::copy_options::recursive);
    setenv("VELMORA_REGISTRY", (dir / "registry.ini").c_str(), 1);
    {
        std::ostringstream err;
        host::HeadlessSession session((dir / "demo").string(), err);
        std::string why;
        if (!session.open("PLC2") || !session.goOnline("Chiller") || !session.simulate("Chiller", why)) {
            state.SkipWithError((err.str() + why).c_str());
        } else {
            double virtualSeconds = 0;
            for (auto _ : state) {
                session.advance(3600.0 * 1000);
                virtualSeconds += 3600;
            }
            state.counters["times_real_time"] =
                benchmark::Counter(virtualSeconds, benchmark::Counter::kIsRate);
        }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_VirtualHourOfOneSimulatedLoop)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
