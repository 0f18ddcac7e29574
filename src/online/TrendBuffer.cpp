#include "online/TrendBuffer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velmora::online {

int ClampBufferLength(long long length) {
    if (length < 1) return kMinBufferLength;
    if (length >= kMaxBufferLength) return kMaxBufferLength;
    return static_cast<int>(length);
}

int BufferLengthFromText(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        value = text.front() == '-' ? -1 : kMaxBufferLength;
    else if (ec != std::errc() || end != text.data() + text.size())
        value = 0;
    return ClampBufferLength(value);
}

TrendBuffer::TrendBuffer(int capacity) {
    capacity_ = ClampBufferLength(capacity);
    times_.resize(static_cast<std::size_t>(capacity_));
    for (auto& v : values_) v.resize(static_cast<std::size_t>(capacity_));
    std::size_t blocks = static_cast<std::size_t>(capacity_);
    for (auto& level : blocks_) {
        blocks = (blocks + kFanOut - 1) / kFanOut;
        for (auto& channel : level) channel.resize(blocks);
    }
}

void TrendBuffer::setCapacity(int capacity) {
    capacity = ClampBufferLength(capacity);
    if (capacity == capacity_) return;
    *this = TrendBuffer(capacity);
}

void TrendBuffer::clear() {
    count_ = 0;
    write_ = -1;
    oldest_ = 0;
    total_ = -1;
    start_ = 0;
    startKnown_ = false;
}

void TrendBuffer::sample(std::int64_t stamp, const TrendValues& values) {
    if (total_ < 0) {
        start_ = stamp;
        startKnown_ = true;
        store(0.0f, values);
        return;
    }
    if (!startKnown_) {
        // A loaded recording goes on from its newest time.
        start_ = stamp - static_cast<std::int64_t>(std::llround(static_cast<double>(newestTime()) * 1e7));
        startKnown_ = true;
    }
    store(static_cast<float>(static_cast<double>(stamp - start_) * 1e-7), values);
}

void TrendBuffer::append(float time, const TrendValues& values) {
    if (total_ < 0) startKnown_ = false;
    store(time, values);
}

void TrendBuffer::store(float time, const TrendValues& values) {
    write_ = write_ + 1 >= capacity_ ? 0 : write_ + 1;
    if (count_ < capacity_) ++count_;
    oldest_ = count_ < capacity_ ? 0 : static_cast<std::size_t>(write_ + 1 >= capacity_ ? 0 : write_ + 1);
    ++total_;
    const auto p = static_cast<std::size_t>(write_);
    times_[p] = std::isfinite(time) ? time : 0.0f;
    for (int c = 0; c < kTrendChannels; ++c) {
        // A value nobody could read is drawn as 0.
        const float v = std::isfinite(values[c]) ? values[c] : 0.0f;
        values_[c][p] = v;
        std::size_t size = 1;
        for (int level = 0; level < kLevels; ++level) {
            size *= kFanOut;
            Extent& e = blocks_[level][c][p / size];
            if (p % size == 0) {
                e = {v, v};
            } else {
                e.min = std::min(e.min, v);
                e.max = std::max(e.max, v);
            }
        }
    }
}

int TrendBuffer::lowerBound(double t) const {
    int lo = 0, hi = count_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (static_cast<double>(time(mid)) < t)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// A physical range never holds both the newest sample and the one after it
// (the oldest), so a block wholly inside it is either finished or lies past
// the newest sample, untouched since the last lap: its summary is exact.
void TrendBuffer::rangeExtent(int channel, std::size_t first, std::size_t last, Extent& e) const {
    const std::vector<float>& samples = values_[channel];
    auto take = [&e](float lo, float hi) {
        e.min = std::min(e.min, lo);
        e.max = std::max(e.max, hi);
    };
    int level = -1;  // -1: single samples
    while (first < last) {
        if (level + 1 < kLevels && last - first >= 2 * kFanOut) {
            for (; first < last && first % kFanOut; ++first) {
                if (level < 0)
                    take(samples[first], samples[first]);
                else
                    take(blocks_[level][channel][first].min, blocks_[level][channel][first].max);
            }
            for (; first < last && last % kFanOut; --last) {
                if (level < 0)
                    take(samples[last - 1], samples[last - 1]);
                else
                    take(blocks_[level][channel][last - 1].min, blocks_[level][channel][last - 1].max);
            }
            first /= kFanOut;
            last /= kFanOut;
            ++level;
            continue;
        }
        for (; first < last; ++first) {
            if (level < 0)
                take(samples[first], samples[first]);
            else
                take(blocks_[level][channel][first].min, blocks_[level][channel][first].max);
        }
    }
}

TrendBuffer::Extent TrendBuffer::extent(int channel, int first, int last) const {
    const float v = value(channel, first);
    Extent e{v, v};
    const std::size_t a = physical(first);
    const std::size_t n = static_cast<std::size_t>(last - first);
    const std::size_t cap = static_cast<std::size_t>(capacity_);
    if (a + n <= cap) {
        rangeExtent(channel, a, a + n, e);
    } else {
        rangeExtent(channel, a, cap, e);
        rangeExtent(channel, 0, a + n - cap, e);
    }
    return e;
}

void ColumnBounds(const TrendBuffer& buffer, double start, double width, int columns,
                  std::vector<int>& bounds) {
    bounds.resize(static_cast<std::size_t>(std::max(columns, 0)) + 1);
    if (columns <= 0) {
        bounds[0] = 0;
        return;
    }
    const double step = width / columns;
    // Each search only looks right of the previous bound.
    int from = 0;
    for (int c = 0; c <= columns; ++c) {
        const double t = start + step * c;
        int lo = from, hi = buffer.count();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (static_cast<double>(buffer.time(mid)) < t)
                lo = mid + 1;
            else
                hi = mid;
        }
        bounds[static_cast<std::size_t>(c)] = from = lo;
    }
}

void DecimateTrace(const TrendBuffer& buffer, int channel, double start, double width, int columns,
                   const std::vector<int>& bounds, std::vector<TracePoint>& out) {
    out.clear();
    if (buffer.empty() || columns <= 0 || !(width > 0)) return;
    const int first = bounds.front(), last = bounds.back();
    const double scale = columns / width;
    auto at = [&](int i) {
        return TracePoint{static_cast<float>((buffer.time(i) - start) * scale), buffer.value(channel, i)};
    };
    // The neighbours outside the window keep the line running to its edges.
    const int from = std::max(first - 1, 0), to = std::min(last + 1, buffer.count());
    if (to - from <= 2 * columns) {
        out.reserve(static_cast<std::size_t>(to - from));
        for (int i = from; i < to; ++i) out.push_back(at(i));
        return;
    }
    out.reserve(static_cast<std::size_t>(columns) * 4 + 2);
    if (from < first) out.push_back(at(from));
    for (int c = 0; c < columns; ++c) {
        const int a = bounds[static_cast<std::size_t>(c)], b = bounds[static_cast<std::size_t>(c) + 1];
        if (a == b) continue;
        const float x = static_cast<float>(c) + 0.5f;
        if (b - a == 1) {
            out.push_back({x, buffer.value(channel, a)});
            continue;
        }
        const TrendBuffer::Extent e = buffer.extent(channel, a, b);
        const float v0 = buffer.value(channel, a), v1 = buffer.value(channel, b - 1);
        out.push_back({x, v0});
        // The extreme met first in time is drawn first; either order shows the same stroke.
        out.push_back({x, v0 <= v1 ? e.min : e.max});
        out.push_back({x, v0 <= v1 ? e.max : e.min});
        out.push_back({x, v1});
    }
    if (to > last) out.push_back(at(last));
}

}  // namespace velmora::online
