#pragma once
// What the trend graph keeps in the controller's section: the six channels
// (visibility, axis range and band, shared axes, order, grid, colour,
// points, caption), the time axis and the buffer length; and the axis layout
// operations of the graph's tool bar.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "controllers/ControllerKeys.h"
#include "online/TrendBuffer.h"

namespace velmora {
class IniFile;
}

namespace velmora::online {

// Channel indices in recording order.
enum TrendChannelIndex { kChannelW = 0, kChannelE, kChannelU, kChannelY1, kChannelY2, kChannelY3 };
// "w", "e", "u", "y1", "y2", "y3".
std::string_view TrendChannelName(int channel);

struct TrendChannel {
    bool visible = true;
    double min = 0, max = 100;         // value range of the axis, %
    double gridStep = 10;              // PopisekPo
    double bandFrom = 0, bandTo = 50;  // where min and max sit, % of the plot's height from the bottom
    int sameAs = -1;                   // −1: own axis, else the channel whose axis it shares
    int order = 0;                     // drawing order
    bool grid = true;
    std::uint32_t colour = 0;  // as the toolkit stores it: red + 256 green + 65536 blue
    int pointSize = 4;
    bool points = false;
    std::string label;

    int red() const { return static_cast<int>(colour & 0xFF); }
    int green() const { return static_cast<int>((colour >> 8) & 0xFF); }
    int blue() const { return static_cast<int>((colour >> 16) & 0xFF); }
};

enum class TimeFormat { Seconds = 0, MinutesSeconds = 1, HoursMinutesSeconds = 2, Absolute = 3 };

struct TrendTimeAxis {
    bool grid = true;
    double range = 100;   // width of the shown window, s
    double gridStep = 5;  // s
    TimeFormat format = TimeFormat::Seconds;
};

struct TrendSettings {
    std::array<TrendChannel, kTrendChannels> channels;
    TrendTimeAxis time;
    int bufferLength = kDefaultBufferLength;

    // The channel whose axis a channel is drawn on: itself, or the end of its
    // "same as" chain (a chain that loops or leaves the table ends at the channel itself).
    int axisOwner(int channel) const;
    // The channels in drawing order (by Poradi, ties by index).
    std::array<int, kTrendChannels> drawingOrder() const;
};

// The defaults of the key table for a controller kind (a PIDMA controller
// starts with y2 and y3 hidden).
TrendSettings DefaultTrendSettings(velmora::ControllerKind kind);
// The section's graph keys with those defaults; values out of range are
// brought back (buffer length by ClampBufferLength, a "same as" outside the
// table to −1, point sizes to 1..50).
TrendSettings ReadTrendSettings(const IniFile& file, std::string_view section, velmora::ControllerKind kind);
// Every graph key, in one rewrite of the file. Reals with the given separator.
void WriteTrendSettings(IniFile& file, std::string_view section, const TrendSettings& settings,
                        char separator = '.');
// Only the layout keys (Pocatek, Konec, Stejne of each channel).
void WriteTrendLayout(IniFile& file, std::string_view section, const TrendSettings& settings,
                      char separator = '.');

// "Na celou vysku": every band becomes 0 .. 100.
void LayoutFullHeight(TrendSettings& settings);
// "Pod sebe": the visible own-axis channels, in drawing order, share the
// height in equal bands from the bottom; a shared channel takes the band of
// the last own-axis channel drawn before it. Without any visible own axis
// nothing changes; the result says whether anything could be laid out.
bool LayoutStacked(TrendSettings& settings);
// "Sloucit stejne osy": channel i takes the first visible channel j < i with
// the same range as its axis, and j's band.
void LayoutMergeEqual(TrendSettings& settings);
// "Rozdelit osy": every channel gets its own axis.
void LayoutSplit(TrendSettings& settings);

}  // namespace velmora::online
