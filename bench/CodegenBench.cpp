// The compile-start pass over controller files of 100 and 1000 controllers
// (PID and PIDMA, both dialects, about 70 keys each), measured side by side
// in the same loop with writing the same output bytes to the same files with
// plain stdio. Targets: pass time 1000 / 100 <= 11 (linear), pass <= 3 x stdio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "codegen/Generator.h"
#include "base/IniFile.h"
#include "base/Toolkit.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const char* const kTemplates[] = {
    // PID, IEC, placed, two inputs with cascade, filtered and scaled analog output.
    "Type=PID\r\nHeaderInST=1\r\nRemanent=1\r\nOffReg=1000\r\nOffRem=-1\r\nInputMode=2\r\nCascade=1\r\n"
    "Y1Name=T_In\r\nY1OVF=T_Ovf\r\nY1UNF=T_Unf\r\nY1Unit=Other\r\nY1CNVMode=0\r\nY1Filtr=1\r\nY1Tau=50\r\n"
    "Y1Measure=1\r\nY1x1=0\r\nY1x2=10000\r\nY1y1=0\r\nY1y2=9000\r\nY1Min=0\r\nY1Max=9000\r\nY2Name=T2\r\n"
    "Y2CNVMode=0\r\nY2Min=0\r\nY2Max=10000\r\nY3Name=Pos\r\nY3CNVMode=0\r\nPBnd=250\r\nRelCool=1000\r\n"
    "Ti=1200\r\nTd=50\r\nEGap=20\r\nIGap=0\r\nDGap=0\r\nMaxY=9000\r\nMinY=0\r\nOutCycle=100\r\nP41=0\r\nUDef="
    "0\r\n"
    "UdefLastU=1\r\nWFiltr=1\r\nTiW=0\r\nUPosition=0\r\nUAnalog=1\r\nUF=0\r\nUFiltr=1\r\nUTau=10\r\nUMax="
    "10000\r\n"
    "UMin=0\r\ndUMax=500\r\nA8=0\r\nA12=0\r\nA16=1\r\nUReal=0\r\nUMeasure=0\r\nAO=0\r\nUBipolar=0\r\n"
    "UpName=Valve\r\nAM=1\r\ngW=6500\r\nSimulation=0\r\nTypSoustavy=2\r\nSu=1\r\nTau1=10\r\nTau2=5\r\n",
    // PID, mnemonic with the structure overlay, pulse output.
    "Type=PID\r\nHeaderInST=0\r\nRemanent=1\r\nFoundStruct=1\r\nInputMode=1\r\nY1Name=Speed\r\n"
    "Y1CNVMode=-751\r\nY1Min=0\r\nY1Max=10000\r\nPBnd=800\r\nRelCool=1000\r\nTi=300\r\nTd=0\r\nEGap=50\r\n"
    "MaxY=10000\r\nMinY=0\r\nOutCycle=50\r\nP41=1\r\nWFiltr=0\r\nTiW=20\r\nUAnalog=0\r\nUF=3\r\nUpName=Up\r\n"
    "UmName=Down\r\nAM=0\r\nOutput=2500\r\nSimulation=0\r\nTypSoustavy=1\r\nSu=2,5\r\nTau1=30\r\n",
    // PIDMA, IEC, retained parameters placed.
    "Type=PIDA\r\nHeaderInST=1\r\nRemanent=1\r\nOffRem=500\r\nirtype=7\r\nRACT=0\r\nk=2,5\r\nti=30\r\ntd="
    "0\r\n"
    "nd=10\r\nb=1\r\nc=0\r\ntt=15\r\nhilim=100\r\nlolim=0\r\nTs=0,5\r\nInput=Humidity\r\nOutput=Heater\r\n"
    "ittype=7\r\niainf=1\r\nispeed=2\r\nipid=1\r\nDGC=0\r\ntdg=2\r\ntn=2\r\namp=15\r\ndy=5\r\nAM=1\r\nsp=45,"
    "5\r\nhv=0\r\n",
    // PIDMA, mnemonic with the structure overlay, not retained.
    "Type=PIDA\r\nHeaderInST=0\r\nRemanent=0\r\nFoundStruct=1\r\nirtype=3\r\nRACT=1\r\nk=0,8\r\nti=120\r\n"
    "td=12,5\r\nnd=8\r\nb=1\r\nc=0\r\ntt=60\r\nhilim=95\r\nlolim=5\r\nTs=1\r\nInput=Temp\r\nOutput=Burner\r\n"
    "ittype=3\r\niainf=2\r\nispeed=1\r\nipid=2\r\nDGC=1\r\ntdg=20\r\ntn=10\r\namp=10\r\ndy=3\r\nAM=0\r\nhv="
    "20\r\n",
};

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
        std::string text;
        for (int c = 0; c < controllers; ++c) {
            const std::string name = "Loop_" + std::to_string(c);
            text += "[Regulator " + name + "]\r\nName=" + name + "\r\nReleaseNumber=0\r\n";
            text += kTemplates[c % 4];
            text += "\r\n";
        }
        text += "[Desktop]\r\nCount=0\r\n";
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
    return 0;
}
