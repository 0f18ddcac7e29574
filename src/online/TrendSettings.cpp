#include "online/TrendSettings.h"

#include <algorithm>
#include <cmath>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"

namespace velmora::online {

namespace {

std::string Key(int channel, std::string_view suffix) {
    return "Prubeh" + std::to_string(channel) + std::string(suffix);
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
    const Reader r = Reader::Graph;
    for (int i = 0; i < kTrendChannels; ++i) {
        TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        c.visible = ReadBoolKey(file, section, Key(i, ""), kind, r);
        c.min = Finite(ReadDecimalKey(file, section, Key(i, "Min"), kind, r), 0);
        c.max = Finite(ReadDecimalKey(file, section, Key(i, "Max"), kind, r), 100);
        c.gridStep = Finite(ReadDecimalKey(file, section, Key(i, "PopisekPo"), kind, r), 10);
        c.bandFrom = Finite(ReadDecimalKey(file, section, Key(i, "Pocatek"), kind, r), 0);
        c.bandTo = Finite(ReadDecimalKey(file, section, Key(i, "Konec"), kind, r), 100);
        c.sameAs = ReadIntegerKey(file, section, Key(i, "Stejne"), kind, r);
        if (c.sameAs < -1 || c.sameAs >= kTrendChannels || c.sameAs == i) c.sameAs = -1;
        c.order = ReadIntegerKey(file, section, Key(i, "Poradi"), kind, r);
        c.grid = ReadBoolKey(file, section, Key(i, "Mrizka"), kind, r);
        c.colour = static_cast<std::uint32_t>(ReadIntegerKey(file, section, Key(i, "Barva"), kind, r)) & 0xFFFFFFu;
        c.pointSize = std::clamp(ReadIntegerKey(file, section, Key(i, "VelikostBodu"), kind, r), 1, 50);
        c.points = ReadBoolKey(file, section, Key(i, "Body"), kind, r);
        c.label = ReadTextKey(file, section, Key(i, "Popis"), kind, r);
    }
    s.time.grid = ReadBoolKey(file, section, "OsaXMrizka", kind, r);
    s.time.range = Finite(ReadDecimalKey(file, section, "OsaXRozsah", kind, r), 100);
    if (!(s.time.range > 0)) s.time.range = 100;
    s.time.gridStep = Finite(ReadDecimalKey(file, section, "OsaXPopisekPo", kind, r), 5);
    const int format = ReadIntegerKey(file, section, "OsaXFormatCasu", kind, r);
    s.time.format = format >= 0 && format <= 3 ? static_cast<TimeFormat>(format) : TimeFormat::Seconds;
    s.bufferLength = ClampBufferLength(ReadIntegerKey(file, section, "DelkaBuffer", kind, r));
    return s;
}

TrendSettings DefaultTrendSettings(velmora::ControllerKind kind) {
    // A file without the section reads every key's default.
    const IniFile none(std::filesystem::path{});
    return ReadTrendSettings(none, "Regulator ", kind);
}

void WriteTrendLayout(IniFile& file, std::string_view section, const TrendSettings& s, char separator) {
    IniFile::Batch batch(file);
    for (int i = 0; i < kTrendChannels; ++i) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        file.writeDecimal(section, Key(i, "Pocatek"), c.bandFrom, separator);
        file.writeDecimal(section, Key(i, "Konec"), c.bandTo, separator);
        file.writeInteger(section, Key(i, "Stejne"), c.sameAs);
    }
    batch.commit();
}

void WriteTrendSettings(IniFile& file, std::string_view section, const TrendSettings& s, char separator) {
    IniFile::Batch batch(file);
    for (int i = 0; i < kTrendChannels; ++i) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(i)];
        file.writeBool(section, Key(i, ""), c.visible);
        file.writeDecimal(section, Key(i, "Min"), c.min, separator);
        file.writeDecimal(section, Key(i, "Max"), c.max, separator);
        file.writeDecimal(section, Key(i, "PopisekPo"), c.gridStep, separator);
        file.writeDecimal(section, Key(i, "Pocatek"), c.bandFrom, separator);
        file.writeDecimal(section, Key(i, "Konec"), c.bandTo, separator);
        file.writeInteger(section, Key(i, "Stejne"), c.sameAs);
        file.writeInteger(section, Key(i, "Poradi"), c.order);
        file.writeBool(section, Key(i, "Mrizka"), c.grid);
        file.writeInteger(section, Key(i, "Barva"), static_cast<int>(c.colour & 0xFFFFFFu));
        file.writeInteger(section, Key(i, "VelikostBodu"), c.pointSize);
        file.writeBool(section, Key(i, "Body"), c.points);
        file.writeString(section, Key(i, "Popis"), c.label);
    }
    file.writeBool(section, "OsaXMrizka", s.time.grid);
    file.writeDecimal(section, "OsaXRozsah", s.time.range, separator);
    file.writeDecimal(section, "OsaXPopisekPo", s.time.gridStep, separator);
    file.writeInteger(section, "OsaXFormatCasu", static_cast<int>(s.time.format));
    file.writeInteger(section, "DelkaBuffer", s.bufferLength);
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
