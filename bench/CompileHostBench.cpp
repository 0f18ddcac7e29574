// The host's compilation against `velmora generate` on the same project of
// 400 controllers, in the same loop: the host side runs `velmora-host compile`
// in this process (the real plug-in module, loaded through the host's loader,
// registering 800 new files with the host), the other side the same pass with
// the context the command line gives it. Target: host / generate <= 1.5.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "BenchControllers.h"
#include "base/IniFile.h"
#include "codegen/Generator.h"
#include "controllers/ControllerFile.h"
#include "controllers/ProjectDescription.h"
#include "host/Commands.h"

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr int kControllers = 400;

void WriteText(const fs::path& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

double CpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A scratch folder with the project as a user has it before the first
// compilation, a registry with the plug-in, and fresh copies of the project.
class Workspace {
public:
    Workspace() {
        std::string pattern = (fs::temp_directory_path() / "velmora-host-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        root_ = pattern;
        const fs::path project = root_ / "project";
        fs::create_directories(project / "Velmora");
        WriteText(project / "bench.oprj",
                  "[Project]\r\nName=Bench\r\n\r\n[PLC PLC1]\r\nType=14\r\nSeries=6\r\n\r\n"
                  "[Files]\r\nFile1=main.orv\r\n");
        WriteText(project / "main.orv", "; main\r\n");
        WriteText(project / "Velmora" / "PLC1.rglx", velmora::bench::ControllerFileText(kControllers));
        ::setenv("VELMORA_REGISTRY", (root_ / "registry.ini").c_str(), 1);
        if (run({"register", VELMORA_PLUGIN_MODULE}) != 0) std::abort();
    }
    ~Workspace() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // A copy of the untouched project.
    fs::path fresh(const std::string& name) {
        const fs::path copy = root_ / name;
        fs::remove_all(copy);
        fs::copy(root_ / "project", copy, fs::copy_options::recursive);
        return copy;
    }
    static int run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        const int code = velmora::host::RunCommand(args, out, err);
        if (code != 0) std::cerr << err.str();
        return code;
    }

private:
    fs::path root_;
};

// What `velmora generate --project DIR --plc PLC1` runs.
std::size_t Generate(const fs::path& dir) {
    velmora::IniFile file(velmora::ControllerFilePath(dir, "PLC1"));
    velmora::GeneratorContext ctx;
    ctx.projectDir = dir;
    ctx.plcName = "PLC1";
    if (auto description = velmora::LoadProjectDescription(dir))
        if (const velmora::PlcDescription* plc = description->findPlc("PLC1")) {
            ctx.series = plc->series;
            ctx.plcType = plc->type;
        }
    return velmora::GenerateAllControllers(file, ctx).files.size();
}

void BM_HostCompileAgainstGenerate(benchmark::State& state) {
    Workspace workspace;
    double generate = 0, host = 0, generateCpu = 0, hostCpu = 0;
    for (auto _ : state) {
        const fs::path a = workspace.fresh("generate"), b = workspace.fresh("host");
        const double c0 = CpuSeconds();
        const auto t0 = SteadyClock::now();
        if (Generate(a) != 2 * kControllers) state.SkipWithError("generate wrote too few files");
        const auto t1 = SteadyClock::now();
        const double c1 = CpuSeconds();
        if (Workspace::run({"compile", "--project", b.string(), "--plc", "PLC1"}) != 0)
            state.SkipWithError("velmora-host compile failed");
        const auto t2 = SteadyClock::now();
        const double c2 = CpuSeconds();
        if (velmora::LoadProjectDescription(b)->files.size() != 1 + 2 * kControllers)
            state.SkipWithError("the host did not register every file");
        generate += std::chrono::duration<double>(t1 - t0).count();
        host += std::chrono::duration<double>(t2 - t1).count();
        generateCpu += c1 - c0;
        hostCpu += c2 - c1;
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["generate_ms"] = generate / n * 1e3;
    state.counters["host_ms"] = host / n * 1e3;
    state.counters["ratio"] = host / generate;
    // The same in process CPU time, which a busy machine disturbs less.
    state.counters["cpu_ratio"] = hostCpu / generateCpu;
}

BENCHMARK(BM_HostCompileAgainstGenerate)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
