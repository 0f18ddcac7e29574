#pragma once
// The trend recording: a ring of samples (time and six channel values) with
// min/max summaries per block, so that a redraw asks for the extent of each
// pixel column without walking the samples in it.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora::online {

constexpr int kTrendChannels = 6;
using TrendValues = std::array<float, kTrendChannels>;

constexpr int kMinBufferLength = 50;
constexpr int kMaxBufferLength = 2'000'000;
constexpr int kDefaultBufferLength = 10000;

// A stored or typed buffer length brought into range: below 1 gives 50, from
// 2,000,000 up gives 2,000,000 (and 1..49 stay as they are).
int ClampBufferLength(long long length);
// The text of "Pocet ulozenych vzorku": an integer (0 when the text is not
// one), then ClampBufferLength.
int BufferLengthFromText(std::string_view text);

class TrendBuffer {
public:
    explicit TrendBuffer(int capacity = kDefaultBufferLength);

    int capacity() const { return capacity_; }
    // A changed length clears the recording; the same length keeps it.
    void setCapacity(int capacity);
    // "Novy": nothing recorded, the next sample is the first one again.
    void clear();

    // A sample taken at a communication tick; the stamp is in 100-ns units.
    // The first one sets the start, later ones are timed from it.
    void sample(std::int64_t stamp, const TrendValues& values);
    // A row of a data file, already timed in seconds from the start.
    void append(float time, const TrendValues& values);

    int count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Samples taken since the recording began, less one (−1: none yet).
    long long total() const { return total_; }
    // Stamp of the first sample (100 ns); for a loaded recording the stamp
    // the loaded times would have had on this clock.
    std::int64_t startStamp() const { return start_; }
    bool startKnown() const { return startKnown_; }

    // Logical index: 0 is the oldest sample, count() − 1 the newest.
    float time(int index) const { return times_[physical(index)]; }
    float value(int channel, int index) const { return values_[channel][physical(index)]; }
    float newestTime() const { return count_ ? time(count_ - 1) : 0.0f; }

    // The first index whose time is not before t (count() when none is).
    // Times grow with the index in anything this buffer records.
    int lowerBound(double t) const;

    struct Extent {
        float min = 0, max = 0;
    };
    // Smallest and largest value of a channel over the indices [first, last),
    // which must not be empty.
    Extent extent(int channel, int first, int last) const;

private:
    static constexpr int kFanOut = 16;
    static constexpr int kLevels = 4;  // blocks of 16, 256, 4096 and 65536 samples

    std::size_t physical(int index) const {
        std::size_t p = oldest_ + static_cast<std::size_t>(index);
        return p >= static_cast<std::size_t>(capacity_) ? p - static_cast<std::size_t>(capacity_) : p;
    }
    void store(float time, const TrendValues& values);
    void rangeExtent(int channel, std::size_t first, std::size_t last, Extent& e) const;

    int capacity_ = 0;
    int count_ = 0;
    int write_ = -1;  // physical index of the newest sample
    std::size_t oldest_ = 0;
    long long total_ = -1;
    std::int64_t start_ = 0;
    bool startKnown_ = false;
    std::vector<float> times_;
    std::array<std::vector<float>, kTrendChannels> values_;
    // Per level and channel the min and max of each block. The block holding
    // the newest sample covers only the part written since the ring entered
    // it; a query never uses that block whole (see rangeExtent).
    std::array<std::array<std::vector<Extent>, kTrendChannels>, kLevels> blocks_;
};

// For each pixel column of a plot showing [start, start + width) the index
// range of the samples that fall in it: column c holds [bounds[c], bounds[c + 1]).
void ColumnBounds(const TrendBuffer& buffer, double start, double width, int columns,
                  std::vector<int>& bounds);

// One channel's trace through a window, as the points to draw. Where a
// column holds more than one sample the first, min, max and last of that
// column are given (so the trace keeps every peak); where the window is
// sparse the samples themselves, with one neighbour outside on each side.
struct TracePoint {
    float x, value;  // x in columns from the plot's left edge
};
void DecimateTrace(const TrendBuffer& buffer, int channel, double start, double width, int columns,
                   const std::vector<int>& bounds, std::vector<TracePoint>& out);

}  // namespace velmora::online
