#include "online/TrendSettings.h"

#include <algorithm>
#include <cmath>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"

namespace velmora::online {

namespace {

const key::CurveKeys& Keys(int channel) {
    return key::Curve[channel];
}

double Finite(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

}  // namespace

std::string_view TrendChannelName(int channel) {
    static constexpr std::string_view names[kTrendChannels] = {"w", "e", "u", "y1", "y2", "y3"};
    return channel >= 0 && channel < kTrendChannels ? names[channel] : std::string_view{};
}

int TrendSettings::axisOwner(int channel) const {
    int at = channel;
    for (int steps = 0; steps < kTrendChannels; ++steps) {
        const int next = channels[static_cast<std::size_t>(at)].sameAs;
        if (next < 0 || next >= kTrendChannels || next == at) return at;
        at = next;
    }
    return channel;  // a loop of "same as": drawn on its own axis
}

std::array<int, kTrendChannels> TrendSettings::drawingOrder() const {
    std::array<int, kTrendChannels> order{};
    for (int i = 0; i < kTrendChannels; ++i) order[static_cast<std::size_t>(i)] = i;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return channels[static_cast<std::size_t>(a)].order < channels[static_cast<std::size_t>(b)].order;
    });
    return order;
}

TrendSettings ReadTrendSettings(const IniFile& file, std::string_view section, velmora::ControllerKind kind) {
    TrendSettings s;
    const SectionReader in(file, section, kind, Reader::Graph);
    for (int i = 0; i < kTrendChannels; ++i) {
        TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        const key::CurveKeys& k = Keys(i);
        c.visible = in.flag(k.shown);
        c.min = Finite(in.decimal(k.min), 0);
        c.max = Finite(in.decimal(k.max), 100);
        c.gridStep = Finite(in.decimal(k.gridStep), 10);
        c.bandFrom = Finite(in.decimal(k.from), 0);
        c.bandTo = Finite(in.decimal(k.to), 100);
        c.sameAs = in.integer(k.sameAs);
        if (c.sameAs < -1 || c.sameAs >= kTrendChannels || c.sameAs == i) c.sameAs = -1;
        c.order = in.integer(k.order);
        c.grid = in.flag(k.grid);
        c.colour = static_cast<std::uint32_t>(in.integer(k.colour)) & 0xFFFFFFu;
        c.pointSize = std::clamp(in.integer(k.pointSize), 1, 50);
        c.points = in.flag(k.points);
        c.label = in.text(k.label);
    }
    s.time.grid = in.flag(key::OsaXMrizka);
    s.time.range = Finite(in.decimal(key::OsaXRozsah), 100);
    if (!(s.time.range > 0)) s.time.range = 100;
    s.time.gridStep = Finite(in.decimal(key::OsaXPopisekPo), 5);
    const int format = in.integer(key::OsaXFormatCasu);
    s.time.format = format >= 0 && format <= 3 ? static_cast<TimeFormat>(format) : TimeFormat::Seconds;
    s.bufferLength = ClampBufferLength(in.integer(key::DelkaBuffer));
    return s;
}

TrendSettings DefaultTrendSettings(velmora::ControllerKind kind) {
    // A file without the section reads every key's default.
    const IniFile none(std::filesystem::path{});
    return ReadTrendSettings(none, ControllerSection({}), kind);
}

void WriteTrendLayout(IniFile& file, std::string_view section, const TrendSettings& s, char separator) {
    IniFile::Batch batch(file);
    for (int i = 0; i < kTrendChannels; ++i) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        file.writeDecimal(section, Keys(i).from.name, c.bandFrom, separator);
        file.writeDecimal(section, Keys(i).to.name, c.bandTo, separator);
        file.writeInteger(section, Keys(i).sameAs.name, c.sameAs);
    }
    batch.commit();
}

void WriteTrendSettings(IniFile& file, std::string_view section, const TrendSettings& s, char separator) {
    IniFile::Batch batch(file);
    for (int i = 0; i < kTrendChannels; ++i) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        file.writeBool(section, Keys(i).shown.name, c.visible);
        file.writeDecimal(section, Keys(i).min.name, c.min, separator);
        file.writeDecimal(section, Keys(i).max.name, c.max, separator);
        file.writeDecimal(section, Keys(i).gridStep.name, c.gridStep, separator);
        file.writeDecimal(section, Keys(i).from.name, c.bandFrom, separator);
        file.writeDecimal(section, Keys(i).to.name, c.bandTo, separator);
        file.writeInteger(section, Keys(i).sameAs.name, c.sameAs);
        file.writeInteger(section, Keys(i).order.name, c.order);
        file.writeBool(section, Keys(i).grid.name, c.grid);
        file.writeInteger(section, Keys(i).colour.name, static_cast<int>(c.colour & 0xFFFFFFu));
        file.writeInteger(section, Keys(i).pointSize.name, c.pointSize);
        file.writeBool(section, Keys(i).points.name, c.points);
        file.writeString(section, Keys(i).label.name, c.label);
    }
    file.writeBool(section, key::OsaXMrizka.name, s.time.grid);
    file.writeDecimal(section, key::OsaXRozsah.name, s.time.range, separator);
    file.writeDecimal(section, key::OsaXPopisekPo.name, s.time.gridStep, separator);
    file.writeInteger(section, key::OsaXFormatCasu.name, static_cast<int>(s.time.format));
    file.writeInteger(section, key::DelkaBuffer.name, s.bufferLength);
    batch.commit();
}

void LayoutFullHeight(TrendSettings& s) {
    for (auto& c : s.channels) {
        c.bandFrom = 0;
        c.bandTo = 100;
    }
}

bool LayoutStacked(TrendSettings& s) {
    int own = 0;
    for (const auto& c : s.channels)
        if (c.visible && c.sameAs < 0) ++own;
    if (own == 0) return false;
    const double band = 100.0 / own;
    int k = 0;
    const TrendChannel* lastOwn = nullptr;
    for (const int i : s.drawingOrder()) {
        TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        if (c.sameAs < 0) {
            if (!c.visible) continue;
            c.bandFrom = k * band;
            c.bandTo = k + 1 == own ? 100.0 : (k + 1) * band;
            ++k;
            lastOwn = &c;
        } else if (lastOwn) {
            c.bandFrom = lastOwn->bandFrom;
            c.bandTo = lastOwn->bandTo;
        }
    }
    return true;
}

void LayoutMergeEqual(TrendSettings& s) {
    for (int i = 1; i < kTrendChannels; ++i) {
        TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        for (int j = 0; j < i; ++j) {
            const TrendChannel& partner = s.channels[static_cast<std::size_t>(j)];
            if (partner.visible && partner.min == c.min && partner.max == c.max) {
                c.sameAs = j;
                c.bandFrom = partner.bandFrom;
                c.bandTo = partner.bandTo;
                break;
            }
        }
    }
}

void LayoutSplit(TrendSettings& s) {
    for (auto& c : s.channels) c.sameAs = -1;
}

}  // namespace velmora::online
