// The compile-start pass over controller files of 100 and 1000 controllers
// (PID and PIDMA, both dialects, about 70 keys each), measured side by side
// in the same loop with writing the same output bytes to the same files with
// plain stdio, and the first pass (every file new) of 3000 controllers against
// 1000. Targets: pass time 1000 / 100 <= 11 (linear), pass <= 3 x stdio,
// first pass 3000 / 1000 <= 3.5.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchControllers.h"
#include "base/IniFile.h"
#include "base/Toolkit.h"
#include "codegen/Generator.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

class FixedClock : public velmora::Clock {
public:
    velmora::LocalTime now() const override { return {2026, 1, 1, 0, 0, 0, 0}; }
};

struct Project {
    fs::path dir;
    fs::path controllerFile;
    std::vector<std::pair<fs::path, std::string>> outputs;  // what a pass writes
    std::size_t bytes = 0;

    explicit Project(int controllers) {
        std::string pattern = (fs::temp_directory_path() / "velmora-codegen-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        fs::create_directories(dir / "Velmora");
        controllerFile = dir / "Velmora" / "PLC1.rglx";
        const std::string text = velmora::bench::ControllerFileText(controllers);
        std::FILE* f = std::fopen(controllerFile.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    ~Project() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

velmora::GeneratorContext Context(const Project& p, const FixedClock& clock) {
    velmora::GeneratorContext ctx;
    ctx.projectDir = p.dir;
    ctx.plcName = "PLC1";
    ctx.series = 6;
    ctx.plcType = 14;
    ctx.clock = &clock;
    return ctx;
}

double CpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void WritePlain(const fs::path& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::map<int, double> passSecondsPerController;
std::map<int, double> passCpuSecondsPerController;

void BM_CompileStartPass(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Project project(n);
    FixedClock clock;
    const velmora::GeneratorContext ctx = Context(project, clock);

    // A first pass creates the files, as the first compile after a change would; it also
    // gives the bytes the plain side writes.
    {
        velmora::IniFile file(project.controllerFile);
        for (const auto& f : velmora::GenerateAllControllers(file, ctx).files) {
            std::string rel = f;
            for (char& c : rel)
                if (c == '\\') c = '/';
            std::FILE* in = std::fopen((project.dir / rel).c_str(), "rb");
            std::string bytes;
            char buf[8192];
            while (std::size_t got = std::fread(buf, 1, sizeof buf, in)) bytes.append(buf, got);
            std::fclose(in);
            project.bytes += bytes.size();
            project.outputs.emplace_back(project.dir / rel, std::move(bytes));
        }
    }

    double pass = 0, plain = 0, passCpu = 0, plainCpu = 0;
    for (auto _ : state) {
        const double c0 = CpuSeconds();
        auto t0 = SteadyClock::now();
        {
            velmora::IniFile file(project.controllerFile);
            auto result = velmora::GenerateAllControllers(file, ctx);
            benchmark::DoNotOptimize(result);
        }
        auto t1 = SteadyClock::now();
        const double c1 = CpuSeconds();
        for (const auto& [path, bytes] : project.outputs) WritePlain(path, bytes);
        auto t2 = SteadyClock::now();
        const double c2 = CpuSeconds();
        pass += std::chrono::duration<double>(t1 - t0).count();
        plain += std::chrono::duration<double>(t2 - t1).count();
        passCpu += c1 - c0;
        plainCpu += c2 - c1;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["us_per_controller"] = pass / iterations / n * 1e6;
    state.counters["stdio_us_per_controller"] = plain / iterations / n * 1e6;
    state.counters["ratio_to_stdio"] = pass / plain;
    // The same in process CPU time (user and system), which a busy machine disturbs less.
    state.counters["cpu_ratio_to_stdio"] = passCpu / plainCpu;
    state.counters["output_kB"] = static_cast<double>(project.bytes) / 1024.0;
    state.counters["cpu_us_per_controller"] = passCpu / iterations / n * 1e6;
    passSecondsPerController[n] = pass / iterations / n;
    passCpuSecondsPerController[n] = passCpu / iterations / n;
}

double firstPassRatio = 0, firstPassCpuRatio = 0;

// The first pass after a change creates every file: 3000 controllers against
// 1000, each size in turn within one iteration, so both see the same machine.
// Linear is 3; a name resolution that listed the folder per new file made it
// 7.5. Each pass gets a project of its own, all removed at the end: files
// deleted between passes would make ext4's inode allocator (which skips
// recently freed inodes) the thing measured.
void BM_FirstPassThreeThousandOverOneThousand(benchmark::State& state) {
    std::vector<std::unique_ptr<Project>> projects;
    FixedClock clock;
    double seconds[2] = {0, 0}, cpu[2] = {0, 0};
    for (auto _ : state) {
        for (int i = 0; i < 2; ++i) {
            state.PauseTiming();
            const Project& p = *projects.emplace_back(std::make_unique<Project>(i == 0 ? 1000 : 3000));
            state.ResumeTiming();
            const double c0 = CpuSeconds();
            const auto t0 = SteadyClock::now();
            velmora::IniFile file(p.controllerFile);
            auto result = velmora::GenerateAllControllers(file, Context(p, clock));
            benchmark::DoNotOptimize(result);
            seconds[i] += std::chrono::duration<double>(SteadyClock::now() - t0).count();
            cpu[i] += CpuSeconds() - c0;
        }
    }
    firstPassRatio = seconds[1] / seconds[0];
    firstPassCpuRatio = cpu[1] / cpu[0];
    state.counters["ratio_3000_to_1000"] = firstPassRatio;
    state.counters["cpu_ratio_3000_to_1000"] = firstPassCpuRatio;
}

BENCHMARK(BM_FirstPassThreeThousandOverOneThousand)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK(BM_CompileStartPass)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (passSecondsPerController.count(100) && passSecondsPerController.count(1000)) {
        // Pass time of 1000 controllers over 100: 10 is linear.
        const double ratio = passSecondsPerController[1000] * 1000 / (passSecondsPerController[100] * 100);
        const double cpuRatio =
            passCpuSecondsPerController[1000] * 1000 / (passCpuSecondsPerController[100] * 100);
        std::cout << "pass time 1000 / 100 controllers: " << ratio << " wall, " << cpuRatio
                  << " CPU (target <= 11)\n";
    }
    if (firstPassRatio > 0)
        std::cout << "first pass time 3000 / 1000 controllers: " << firstPassRatio << " wall, "
                  << firstPassCpuRatio << " CPU (target <= 3.5)\n";
    return 0;
}
