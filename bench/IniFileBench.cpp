// Controller file of 1000 controllers with about 120 keys each: reading and
// writing one key through IniFile, each measured side by side (interleaved in
// the same loop) with the same job done on the file's bytes with plain stdio.
// Targets: read <= 1.2 x a plain read, write <= 2 x a plain atomic rewrite.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/IniFile.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kControllers = 1000;

struct Fixture {
    fs::path dir;
    fs::path file;
    fs::path plainFile;  // the same bytes, rewritten by the plain side
    std::size_t bytes = 0;

    Fixture() {
        std::string pattern = (fs::temp_directory_path() / "velmora-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        file = dir / "PLC1.rglx";
        std::string text;
        for (int c = 0; c < kControllers; ++c) {
            const std::string name = "Loop_" + std::to_string(c);
            text += "[Regulator " + name + "]\r\nName=" + name + "\r\nType=PID\r\nHeaderInST=1\r\n";
            for (int k = 0; k < 117; ++k)
                text += "Key" + std::to_string(k) + "=" + std::to_string(c * 1000 + k) + "\r\n";
            text += "\r\n";
        }
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        bytes = text.size();
        plainFile = dir / "PLC1-plain.rglx";
        fs::copy_file(file, plainFile);
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Fixture& TheFixture() {
    static Fixture fixture;
    return fixture;
}

std::string PlainRead(const fs::path& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    std::fseek(f, 0, SEEK_END);
    out.resize(static_cast<std::size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    out.resize(std::fread(out.data(), 1, out.size(), f));
    std::fclose(f);
    return out;
}

// The same safe replacement IniFile does, with stdio: temporary file, flush
// to disk, rename, flush the folder.
void PlainAtomicRewrite(const fs::path& path, const std::string& bytes) {
    const fs::path temp = path.parent_path() / ".plain.tmp";
    // (A file of its own, so that it does not disturb the IniFile side.)
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fflush(f);
    ::fsync(::fileno(f));
    std::fclose(f);
    std::rename(temp.c_str(), path.c_str());
    const int dirFd = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    ::fsync(dirFd);
    ::close(dirFd);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::map<std::string, double>& Ratios() {
    static std::map<std::string, double> ratios;
    return ratios;
}

void Report(benchmark::State& state, const char* name, double ours, double plain, std::int64_t rounds) {
    state.counters["ours_us"] = ours / rounds * 1e6;
    state.counters["plain_us"] = plain / rounds * 1e6;
    state.counters["ratio"] = ours / plain;
    state.counters["file_MB"] = TheFixture().bytes / 1e6;
    Ratios()[name] = ours / plain;
}

// A page reading a key through its own object, as every page and tool does
// (one object for the whole run, as the main form holds it).
void BM_ReadKey(benchmark::State& state) {
    Fixture& fx = TheFixture();
    velmora::IniFile ini(fx.file);
    double ours = 0, plain = 0;
    std::int64_t rounds = 0;
    int c = 0;
    for (auto _ : state) {
        const std::string section = "Regulator Loop_" + std::to_string(c++ % kControllers);
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(ini.readInteger(section, "Key57", -1));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(PlainRead(fx.file));
        auto t2 = Clock::now();
        ours += Seconds(t1 - t0);
        plain += Seconds(t2 - t1);
        ++rounds;
    }
    Report(state, "read one key (object kept)", ours, plain, rounds);
}
BENCHMARK(BM_ReadKey);

// A fresh object for every read, as a page opens one when it is created.
void BM_ReadKeyFreshObject(benchmark::State& state) {
    Fixture& fx = TheFixture();
    double ours = 0, plain = 0;
    std::int64_t rounds = 0;
    int c = 0;
    for (auto _ : state) {
        const std::string section = "Regulator Loop_" + std::to_string(c++ % kControllers);
        auto t0 = Clock::now();
        {
            velmora::IniFile ini(fx.file);
            benchmark::DoNotOptimize(ini.readInteger(section, "Key57", -1));
        }
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(PlainRead(fx.file));
        auto t2 = Clock::now();
        ours += Seconds(t1 - t0);
        plain += Seconds(t2 - t1);
        ++rounds;
    }
    Report(state, "read one key (fresh object)", ours, plain, rounds);
}
BENCHMARK(BM_ReadKeyFreshObject);

// The first read after another program changed the file: a full parse.
void BM_ReadKeyAfterOutsideChange(benchmark::State& state) {
    Fixture& fx = TheFixture();
    velmora::IniFile ini(fx.file);
    const std::string original = PlainRead(fx.file);
    double ours = 0, plain = 0;
    std::int64_t rounds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlainAtomicRewrite(fx.file, original);  // new inode: the cache must not be trusted
        state.ResumeTiming();
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(ini.readInteger("Regulator Loop_500", "Key57", -1));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize(PlainRead(fx.file));
        auto t2 = Clock::now();
        ours += Seconds(t1 - t0);
        plain += Seconds(t2 - t1);
        ++rounds;
    }
    Report(state, "read one key after an outside change (parse)", ours, plain, rounds);
}
BENCHMARK(BM_ReadKeyAfterOutsideChange)->Iterations(30);

void BM_WriteKey(benchmark::State& state) {
    Fixture& fx = TheFixture();
    velmora::IniFile ini(fx.file);
    double ours = 0, plain = 0;
    std::int64_t rounds = 0;
    int c = 0;
    for (auto _ : state) {
        const std::string section = "Regulator Loop_" + std::to_string(c % kControllers);
        auto t0 = Clock::now();
        ini.writeInteger(section, "ReleaseNumber", c++);
        auto t1 = Clock::now();
        state.PauseTiming();
        const std::string bytes = PlainRead(fx.plainFile);
        state.ResumeTiming();
        auto t2 = Clock::now();
        PlainAtomicRewrite(fx.plainFile, bytes);
        auto t3 = Clock::now();
        ours += Seconds(t1 - t0);
        plain += Seconds(t3 - t2);
        ++rounds;
    }
    Report(state, "write one key", ours, plain, rounds);
}
BENCHMARK(BM_WriteKey)->Iterations(200);

// The compile pass: one release number per controller in one batch, against
// one plain atomic rewrite.
void BM_BatchOfThousandWrites(benchmark::State& state) {
    Fixture& fx = TheFixture();
    velmora::IniFile ini(fx.file);
    double ours = 0, plain = 0;
    std::int64_t rounds = 0;
    int pass = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        {
            velmora::IniFile::Batch batch(ini);
            for (int c = 0; c < kControllers; ++c)
                ini.writeInteger("Regulator Loop_" + std::to_string(c), "ReleaseNumber",
                                 pass * kControllers + c);
            batch.commit();
        }
        auto t1 = Clock::now();
        state.PauseTiming();
        const std::string bytes = PlainRead(fx.plainFile);
        state.ResumeTiming();
        auto t2 = Clock::now();
        PlainAtomicRewrite(fx.plainFile, bytes);
        auto t3 = Clock::now();
        ours += Seconds(t1 - t0);
        plain += Seconds(t3 - t2);
        ++rounds;
        ++pass;
    }
    Report(state, "batch of 1000 writes", ours, plain, rounds);
}
BENCHMARK(BM_BatchOfThousandWrites)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf(
        "\nIniFile against plain stdio on a %.1f MB controller file (targets: read <= 1.2, write <= 2):\n",
        TheFixture().bytes / 1e6);
    for (const auto& [name, ratio] : Ratios()) std::printf("  %-48s %8.3fx\n", name.c_str(), ratio);
    return 0;
}
