// Building the report of a controller file with 100 controllers, against
// reading the same file line by line as the baseline of the same run.
#include "report/ControllerReport.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace velmora;

std::filesystem::path WriteControllerFile() {
    const auto dir =
        std::filesystem::temp_directory_path() / ("velmora-report-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "PLC1.rglx";
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 100; ++i) {
        const std::string name = "Loop" + std::to_string(i);
        out << "[Regulator " << name << "]\r\nName=" << name << "\r\n";
        if (i % 4 == 3) {
            out << "Type=PIDA\r\nInput=In" << i << "\r\nOutput=Out" << i
                << "\r\nirtype=7\r\nk=2,5\r\nti=12\r\ntd=0.5\r\nnd=10\r\nb=1\r\nc=0\r\ntt=1\r\n"
                   "hilim=100\r\nlolim=0\r\nTs=0.2\r\nittype=7\r\niainf=1\r\nispeed=2\r\nipid=1\r\n"
                   "DGC=0\r\ntdg=2\r\ntn=2\r\namp=15\r\ndy=5\r\n";
        } else {
            out << "Type=PID\r\nHeaderInST=1\r\nInputMode=2\r\nCascade=1\r\nY1Name=T" << i
                << "\r\nY1Unit=Hazel-KA\r\nY2Name=T" << i << "b\r\nY3Name=P" << i
                << "\r\nY1Filtr=1\r\nY1Tau=20\r\nY1Measure=1\r\nY1x1=0\r\nY1x2=10000\r\nY1y1=-500\r\nY1y2="
                   "1500\r\n"
                   "PBnd=250\r\nRelCool=1000\r\nTi=1200\r\nTd=50\r\nOutCycle=100\r\nEGap=10\r\nIGap=500\r\n"
                   "DGap=500\r\nMaxY=10000\r\nMinY=0\r\nUDef=0\r\nUdefLastU=0\r\nUPosition=1\r\nUAnalog=1\r\n"
                   "UF=2\r\nUFiltr=1\r\nUTau=4\r\nUMax=10000\r\nUMin=0\r\ndUMax=500\r\nA12=1\r\nAO=1\r\n"
                   "UpName=U"
                << i << "\r\nUx1=0\r\nUx2=0\r\nUy1=10000\r\nUy2=10000\r\n";
        }
    }
    return path;
}

const std::filesystem::path& ControllerFile() {
    static const std::filesystem::path path = WriteControllerFile();
    return path;
}

void BM_ReportOf100Controllers(benchmark::State& state) {
    ReportInput input;
    input.controllerFile = ControllerFile();
    input.project = {"Plant.opgr", "PLC1", "Heating", "J. Novak", "Velmora Demo Works", "(c) 2026"};
    std::size_t lines = 0;
    for (auto _ : state) {
        const auto report = BuildReport(input);
        lines = report.size();
        benchmark::DoNotOptimize(report.data());
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_ReportOf100Controllers)->Unit(benchmark::kMillisecond);

// Baseline: reading the controller file into lines, which any report must do.
void BM_BaselineReadFileLines(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(ControllerFile(), std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_BaselineReadFileLines)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(ControllerFile().parent_path(), ignored);
    return 0;
}
