// The trend graph at its largest: a redraw of a full 2,000,000-sample buffer
// of six channels into a 1000-pixel plot on an offscreen image, against the
// floor of drawing 1000 samples per channel; appending one sample; loading a
// 2,000,000-row data file, against a plain std::from_chars pass over it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "online/TrendDataFile.h"
#include "online/TrendGraphWidget.h"

namespace {

using namespace velmora;
using namespace velmora::online;

constexpr int kPlotWidth = 1000;

std::unique_ptr<TrendBuffer> Recording(int samples) {
    auto b = std::make_unique<TrendBuffer>(samples);
    double y = 20;
    for (int i = 0; i < samples; ++i) {
        const float w = (i / 50000) % 2 ? 60.0f : 30.0f;
        y += (w - y) * 0.001 + 0.5 * std::sin(i * 0.37);
        b->append(i * 0.1f,
                  {w, static_cast<float>(w - y), static_cast<float>(std::sin(i * 1e-3) * 80),
                   static_cast<float>(y), static_cast<float>(y * 0.8), static_cast<float>(y * 0.5 + 40)});
    }
    return b;
}

const TrendSettings& Settings() {
    static const TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
    return s;
}

// An image whose plot is kPlotWidth pixels wide.
QImage& Canvas() {
    static QImage image = [] {
        const QRect plot = TrendPlotRect(Settings(), QSize(kPlotWidth + 400, 500));
        return QImage(kPlotWidth + 400 - (plot.width() - kPlotWidth), 500, QImage::Format_RGB32);
    }();
    return image;
}

void Redraw(benchmark::State& state, const TrendBuffer& b) {
    QImage& image = Canvas();
    TrendPicture pic;
    pic.settings = &Settings();
    pic.buffer = &b;
    pic.shown = {0, b.newestTime() + 0.05};
    for (auto _ : state) {
        QPainter p(&image);
        PaintTrend(p, image.size(), pic);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["plot_px"] = TrendPlotRect(Settings(), image.size()).width();
}

void BM_RedrawFullBuffer(benchmark::State& state) {
    static const auto b = Recording(kMaxBufferLength);
    Redraw(state, *b);
}
BENCHMARK(BM_RedrawFullBuffer)->Unit(benchmark::kMillisecond);

// The floor: the same picture with 1000 samples per channel.
void BM_RedrawThousandSamples(benchmark::State& state) {
    static const auto b = Recording(kPlotWidth);
    Redraw(state, *b);
}
BENCHMARK(BM_RedrawThousandSamples)->Unit(benchmark::kMillisecond);

void BM_AppendSample(benchmark::State& state) {
    static const auto b = Recording(kMaxBufferLength);  // full: every append overwrites the oldest
    std::int64_t stamp = 0;
    const TrendValues v{1, 2, 3, 4, 5, 6};
    for (auto _ : state) {
        b->sample(stamp, v);
        stamp += 1'000'000;
    }
}
BENCHMARK(BM_AppendSample);

const std::filesystem::path& DataFile() {
    static const std::filesystem::path path = [] {
        const auto p = std::filesystem::temp_directory_path() / "velmora-trend-bench.txt";
        const auto b = Recording(kMaxBufferLength);
        if (const auto written = WriteFileAtomically(p, TrendDataText(*b)); !written)
            throw std::runtime_error(written.message());
        return p;
    }();
    return path;
}

void BM_LoadDataFile(benchmark::State& state) {
    const auto& path = DataFile();
    TrendBuffer b(kMaxBufferLength);
    for (auto _ : state) {
        const TrendLoadResult r = LoadTrendDataFile(path, b);
        if (!r.loaded || r.rows != kMaxBufferLength) state.SkipWithError("the file did not load");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);

// Reading the file and converting every number, nothing else.
void BM_FromCharsPass(benchmark::State& state) {
    const auto& path = DataFile();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const char* at = text.data();
        const char* end = at + text.size();
        double sum = 0;
        while (at < end) {
            float v;
            const auto r = std::from_chars(at, end, v);
            if (r.ec == std::errc()) {
                sum += v;
                at = r.ptr;
            } else {
                ++at;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_FromCharsPass)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);  // fonts for the labels
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(std::filesystem::temp_directory_path() / "velmora-trend-bench.txt");
    return 0;
}
