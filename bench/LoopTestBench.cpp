// Loop tests: the wall time of a one-hour case with two loops online (Boiler
// and Dryer of the demo, each against a simulated plant), as `velmora-host
// test` runs it: the session with its compilation, an hour of virtual time
// sampled every 100 ms, and the expectations judged. The target is 1 s.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "host/looptest/LoopTestCheck.h"
#include "host/looptest/LoopTestRunner.h"

namespace {

using namespace velmora::looptest;

constexpr const char* kCase = R"([case hour]
plc PLC1
online Boiler Dryer
plant Boiler TypSoustavy=1 Su=1 Tau1=60 y0=20 ys=20 Astat=0
plant Dryer TypSoustavy=2 Tau1=20 Tau2=5
duration 1 h
at 30 min set Dryer_sp=60
expect Boiler.y between 0 100 from 0 to 1 h
expect Dryer.y settles to +-2 within 20 min after 30 min
expect no PLC error
)";

struct Project {
    std::filesystem::path dir;
    Project() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        dir /= "demo";
        std::filesystem::copy(VELMORA_SOURCE_DIR "/examples/demo", dir,
                              std::filesystem::copy_options::recursive);
    }
    ~Project() { std::filesystem::remove_all(dir.parent_path()); }
};

void BM_OneHourCaseTwoLoops(benchmark::State& state) {
    Project project;
    ParsedFile parsed = ParseLoopTests(kCase, "bench.vtest");
    PlcCatalogue catalogue;
    std::string why, log;
    if (!parsed.problems.empty() || !ReadCatalogue(project.dir, "PLC1", catalogue, why, log) ||
        !CheckCase(parsed.cases[0], catalogue).empty()) {
        state.SkipWithError("the case does not check against the demo");
        return;
    }
    ProjectState restored(project.dir, {"PLC1"});
    std::size_t samples = 0;
    for (auto _ : state) {
        restored.restore();
        const CaseRun run = RunCase(parsed.cases[0], "PLC1", project.dir);
        const std::vector<Verdict> verdicts = EvaluateCase(parsed.cases[0], run.trace);
        benchmark::DoNotOptimize(verdicts.data());
        samples = run.trace.times.size();
    }
    state.counters["samples"] = static_cast<double>(samples);
    state.counters["target_s"] = 1.0;
}
BENCHMARK(BM_OneHourCaseTwoLoops)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
