#pragma once
// Controlled-variable page (TFormY1): the source of one measured signal of a
// PID controller, its input conversion, filter and rescaling.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/WizardContext.h"

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

// The PLC type whose inputs are configured by module and timed in milliseconds.
constexpr int kModulePlcType = 14;

// The items of the unit (or module) list for a PLC type index; the last is the
// localized "Other".
std::vector<std::string> UnitItems(int plcTypeIndex);
// The text ids of the mode rows of a unit (each a text of four lines).
std::vector<std::uint32_t> ModeRowTexts(std::string_view unit);

struct ModeRow {
    int code = 0;
    std::string columns[4];  // mode code, analog input, unit range, unified range
};
// A row from its four-line text; the code is the first line read as an integer.
ModeRow ParseModeRow(std::string_view text);
std::vector<ModeRow> ModeRows(std::string_view unit);
// The header row of the mode table.
ModeRow ModeHeader(int plcTypeIndex);

// Raw bounds of a unified-range column: its first and third word as integers,
// 0 where a word is not one.
struct RawRange {
    int lo = 0, hi = 0;
};
RawRange UnifiedRangeBounds(std::string_view column);

struct ScalePoints {
    int x1 = 0, x2 = 10000, y1 = 0, y2 = 10000;
};
// A raw bound mapped through the scale (single-precision slope), then limited
// to -32766 ... 32766.
int ScaleBound(int bound, const ScalePoints& points);
int LimitRaw(int value);
// YiMin and YiMax of a signal.
RawRange SignalRange(std::string_view unifiedRange, bool measure, const ScalePoints& points);

// Signal number 1, 2, 3 from the context's signal index 0, 1, 2.
int SignalNumber(const WizardContext& context);
// The page caption's text id: ratio control names Y2 the ratio signal.
std::uint32_t SignalCaption(int signal, int inputMode);
std::string SignalHelpTopic(int signal, int inputMode);

struct SignalSource {
    std::string name, overflow, underflow;
    std::string unit;          // the chosen unit item's text
    int mode = 0;              // the chosen mode row's code
    std::string unifiedRange;  // the chosen mode row's fourth column
    bool filter = false;
    int tau = 0;
    bool measure = false;
    ScalePoints points;
};

// The unit item to select for a stored unit text: the equal item, else the
// localized "Other" (3116), else 3115; -1 when none is there.
int UnitItemIndex(const std::vector<std::string>& items, std::string_view unit);
// The row to select for a stored mode code; the first row when none matches.
int ModeRowIndex(const std::vector<ModeRow>& rows, int code);

// An existing controller's signal (Y3 keeps its scaling on and y points at 0 and 10000).
SignalSource ReadSignalSource(const IniFile& file, const std::string& section, int signal);
// Y1's conversion settings for "same as Y1" (absent points read x1 0, x2 0, y1 10000, y2 10000).
SignalSource ReadSameAsY1(const IniFile& file, const std::string& section);
// Writes the group Yi in the page's key order, with YiMin and YiMax computed.
void WriteSignalSource(IniFile& file, const std::string& section, int signal, const SignalSource& source);

// The OK checks in their order; true when the page may write its keys.
bool CheckSignalSource(const WizardContext& context, const SignalSource& source);

// PLC side: writes the filter constant and the scale points when they are on.
// Returns false when a write failed (the caller reports it).
bool WriteSignalToPlc(const WizardContext& context, int signal, const SignalSource& source);
// Reads _Tau i and the scale points; nullopt when the data cannot be read.
struct SignalPlcValues {
    int tau = 0;
    ScalePoints points;
};
std::optional<SignalPlcValues> ReadSignalFromPlc(const WizardContext& context, int signal);

}  // namespace velmora::wizard
