#include "wizard/SignalSource.h"

#include <cmath>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextOther = 3116;
constexpr std::uint32_t kTextOtherOld = 3115;
constexpr std::uint32_t kTextHeader = 3041;
constexpr std::uint32_t kTextModuleHeader = 3042;
constexpr std::uint32_t kTextNoName = 3428;
constexpr std::uint32_t kTextNotWord = 3430;
constexpr std::uint32_t kTextNotFloat = 3432;
constexpr std::uint32_t kTextBadScale = 3018;

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t last) {
    std::vector<std::uint32_t> ids;
    for (std::uint32_t id = first; id <= last; ++id) ids.push_back(id);
    return ids;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
        std::size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
        if (end > at) words.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

const key::SignalKeys& Keys(int signal) {
    return key::Y[signal >= 1 && signal <= 3 ? signal - 1 : 0];
}

}  // namespace

std::vector<std::string> UnitItems(int plcTypeIndex) {
    std::vector<std::string> items;
    switch (plcTypeIndex) {
        case 0:
            items = {"Juniper"};
            break;
        case 2:
        case 3:
            items = {"Larch, Maple"};
            break;
        case 10:
            items = {"Hazel-KA", "Hazel-KB", "Hazel-KC", "Hazel-KD", "Hazel-KE"};
            break;
        case 11:
            items = {"Alder"};
            break;
        case 12:
            items = {"Birch, Cedar"};
            break;
        case 13:
            items = {"Birch, Cedar", "Cypress"};
            break;
        case kModulePlcType:
            items = {"Dogwood ElmA", "Dogwood ElmB"};
            break;
        default:
            break;
    }
    items.push_back(Text(kTextOther));
    return items;
}

std::vector<std::uint32_t> ModeRowTexts(std::string_view unit) {
    if (unit == "Hazel-KA") return Range(3043, 3052);
    if (unit == "Hazel-KB" || unit == "Cypress") return {3053};
    if (unit == "Hazel-KC") return Range(3059, 3068);
    if (unit == "Hazel-KD") return Range(3069, 3078);
    if (unit == "Hazel-KE") return Range(3079, 3088);
    if (unit == "Juniper") return Range(3089, 3093);
    if (unit == "Larch, Maple") return Range(3094, 3099);
    if (unit == "Alder") return Range(3100, 3102);
    if (unit == "Birch, Cedar") return Range(3103, 3106);
    if (unit == "Dogwood ElmA" || unit == "Dogwood ElmB") return Range(3054, 3058);
    return Range(3056, 3058);
}

ModeRow ParseModeRow(std::string_view text) {
    ModeRow row;
    std::vector<std::string> lines = SplitLines(text);
    for (std::size_t k = 0; k < 4 && k < lines.size(); ++k) row.columns[k] = lines[k];
    row.code = IntegerOr(row.columns[0], 0);
    return row;
}

std::vector<ModeRow> ModeRows(std::string_view unit) {
    std::vector<ModeRow> rows;
    for (std::uint32_t id : ModeRowTexts(unit)) rows.push_back(ParseModeRow(Text(id)));
    return rows;
}

ModeRow ModeHeader(int plcTypeIndex) {
    return ParseModeRow(Text(plcTypeIndex == kModulePlcType ? kTextModuleHeader : kTextHeader));
}

RawRange UnifiedRangeBounds(std::string_view column) {
    std::vector<std::string> words = Words(column);
    RawRange range;
    if (!words.empty()) range.lo = IntegerOr(words[0], 0);
    if (words.size() > 2) range.hi = IntegerOr(words[2], 0);
    return range;
}

int LimitRaw(int value) {
    if (value >= 32766) return 32766;
    if (value <= -32766) return -32766;
    return value;
}

int ScaleBound(int bound, const ScalePoints& p) {
    if (p.x2 == p.x1) return LimitRaw(bound);
    float slope = static_cast<float>(p.y2 - p.y1) / static_cast<float>(p.x2 - p.x1);
    double mapped = std::trunc(p.y1 + static_cast<double>(bound - p.x1) * static_cast<double>(slope));
    if (mapped >= 32766) return 32766;
    if (mapped <= -32766) return -32766;
    return static_cast<int>(mapped);
}

RawRange SignalRange(std::string_view unifiedRange, bool measure, const ScalePoints& points) {
    RawRange range = UnifiedRangeBounds(unifiedRange);
    if (measure) return {ScaleBound(range.lo, points), ScaleBound(range.hi, points)};
    return {LimitRaw(range.lo), LimitRaw(range.hi)};
}

int SignalNumber(const WizardContext& context) {
    return context.signalIndex >= 0 && context.signalIndex <= 2 ? context.signalIndex + 1 : 1;
}

std::uint32_t SignalCaption(int signal, int inputMode) {
    switch (signal) {
        case 2:
            return inputMode == 3 ? 3010 : 3009;
        case 3:
            return 3011;
        default:
            return 3008;
    }
}

std::string SignalHelpTopic(int signal, int inputMode) {
    if (signal == 2 && inputMode == 3) return "Velmora_Y2p";
    return "Velmora_Y" + std::to_string(signal);
}

int UnitItemIndex(const std::vector<std::string>& items, std::string_view unit) {
    const std::string candidates[] = {std::string(unit), Text(kTextOther), Text(kTextOtherOld)};
    for (const std::string& wanted : candidates)
        for (std::size_t k = 0; k < items.size(); ++k)
            if (items[k] == wanted) return static_cast<int>(k);
    return -1;
}

int ModeRowIndex(const std::vector<ModeRow>& rows, int code) {
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (rows[k].code == code) return static_cast<int>(k);
    return rows.empty() ? -1 : 0;
}

SignalSource ReadSignalSource(const IniFile& file, const std::string& section, int signal) {
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    const key::SignalKeys& y = Keys(signal);
    SignalSource s;
    s.name = in.text(y.name);
    s.overflow = in.text(y.ovf);
    s.underflow = in.text(y.unf);
    s.unit = in.text(y.unit);
    s.mode = in.integer(y.cnvMode);
    s.filter = in.flag(y.filtr);
    s.tau = in.integer(y.tau);
    s.points.x1 = in.integer(y.x1);
    s.points.x2 = in.integer(y.x2);
    if (signal == 3) {
        // The actuator position is always rescaled to 0 ... 100 % and its y points are fixed.
        s.measure = true;
    } else {
        s.measure = in.flag(y.measure);
        s.points.y1 = in.integer(y.y1);
        s.points.y2 = in.integer(y.y2);
    }
    return s;
}

SignalSource ReadSameAsY1(const IniFile& file, const std::string& section) {
    const SectionReader page(file, section, ControllerKind::Pid, Reader::Page);
    const SectionReader in = page.as(Reader::SameAsY1Copy);
    const key::SignalKeys& y = key::Y[0];
    SignalSource s;
    s.unit = page.text(y.unit);
    s.mode = in.integer(y.cnvMode);
    s.filter = in.flag(y.filtr);
    s.tau = in.integer(y.tau);
    s.measure = in.flag(y.measure);
    s.points.x1 = in.integer(y.x1);
    s.points.x2 = in.integer(y.x2);
    s.points.y1 = in.integer(y.y1);
    s.points.y2 = in.integer(y.y2);
    return s;
}

void WriteSignalSource(IniFile& file, const std::string& section, int signal, const SignalSource& s) {
    RawRange range = SignalRange(s.unifiedRange, s.measure, s.points);
    SectionWriter out(file, section, ControllerKind::Pid);
    const key::SignalKeys& y = Keys(signal);
    out.setText(y.name, Trim(s.name));
    out.setText(y.ovf, Trim(s.overflow));
    out.setText(y.unf, Trim(s.underflow));
    out.setText(y.unit, s.unit);
    out.setInteger(y.cnvMode, s.mode);
    out.setFlag(y.filtr, s.filter);
    out.setInteger(y.tau, s.tau);
    out.setFlag(y.measure, s.measure);
    out.setInteger(y.x1, s.points.x1);
    out.setInteger(y.x2, s.points.x2);
    out.setInteger(y.y1, s.points.y1);
    out.setInteger(y.y2, s.points.y2);
    out.setInteger(y.min, range.lo);
    out.setInteger(y.max, range.hi);
}

bool CheckSignalSource(const WizardContext& context, const SignalSource& s) {
    std::string name(Trim(s.name));
    if (name.empty()) {
        ShowError(context, kTextNoName);
        return false;
    }
    // REAL conversion modes deliver a float, all others a 16-bit word.
    bool real = s.mode < -710;
    if (!ConfirmVariable(context, name, real ? VariableKind::Float : VariableKind::Word,
                         real ? kTextNotFloat : kTextNotWord))
        return false;
    for (std::string_view bit : {Trim(s.overflow), Trim(s.underflow)})
        if (!bit.empty() && !ConfirmVariable(context, bit)) return false;
    if (s.measure && (s.points.x2 == s.points.x1 || s.points.y2 == s.points.y1)) {
        ShowError(context, kTextBadScale);
        return false;
    }
    return true;
}

namespace {
std::string Member(int signal, std::string_view prefix, int point = 0) {
    std::string m = "_" + std::string(prefix) + std::to_string(signal);
    if (point) m += std::to_string(point);
    return m;
}
}  // namespace

bool WriteSignalToPlc(const WizardContext& context, int signal, const SignalSource& s) {
    if (!context.controllerData || (!s.filter && !s.measure)) return true;
    std::vector<std::string> members;
    if (s.filter) members.push_back(Member(signal, "Tau"));
    if (s.measure)
        for (std::string_view p : {"X", "Y"})
            for (int k = 1; k <= 2; ++k) members.push_back(Member(signal, p, k));
    if (!DataReachable(context, members)) return true;
    bool ok = true;
    if (s.filter) {
        Log("Zapis Tau1(2,3)");
        std::vector<std::uint8_t> bytes;
        plc::AppendInt16(bytes, static_cast<std::int16_t>(s.tau));
        ok = context.controllerData->write(context.symbol(Member(signal, "Tau")), bytes) && ok;
    }
    if (s.measure) {
        Log("Zapis X11,X12,Y11,Y12");
        const int values[4] = {s.points.x1, s.points.x2, s.points.y1, s.points.y2};
        const char* prefixes[4] = {"X", "X", "Y", "Y"};
        for (int k = 0; k < 4; ++k) {
            std::vector<std::uint8_t> bytes;
            plc::AppendInt16(bytes, static_cast<std::int16_t>(values[k]));
            ok = context.controllerData->write(context.symbol(Member(signal, prefixes[k], k % 2 + 1)),
                                               bytes) &&
                 ok;
        }
    }
    return ok;
}

std::optional<SignalPlcValues> ReadSignalFromPlc(const WizardContext& context, int signal) {
    if (!context.controllerData) return std::nullopt;
    SignalPlcValues values;
    Log("Cteni Tau1(2,3)");
    auto tau = context.controllerData->read(context.symbol(Member(signal, "Tau")), 2);
    if (!tau || tau->size() < 2) return std::nullopt;
    values.tau = plc::GetInt16(tau->data());
    Log("Cteni X11,X12,Y11,Y12");
    int* targets[4] = {&values.points.x1, &values.points.x2, &values.points.y1, &values.points.y2};
    const char* prefixes[4] = {"X", "X", "Y", "Y"};
    for (int k = 0; k < 4; ++k) {
        auto bytes = context.controllerData->read(context.symbol(Member(signal, prefixes[k], k % 2 + 1)), 2);
        if (!bytes || bytes->size() < 2) return std::nullopt;
        *targets[k] = plc::GetInt16(bytes->data());
    }
    return values;
}

}  // namespace velmora::wizard
