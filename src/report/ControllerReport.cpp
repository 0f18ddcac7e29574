#include "report/ControllerReport.h"

#include "controllers/ControllerKeys.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "controllers/ProjectDescription.h"
#include "base/Texts.h"
#include "report/ReportLines.h"
#include "base/Strings.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace velmora {
namespace {

using report::ChoiceLine;
using report::ScaledValue;
using report::ValueLine;

constexpr std::string_view kSectionPrefix = "Regulator ";
constexpr std::string_view kAlgorithmTypes = "D\nI\nID\nP\nPD\nPI\nPID";

// The group file name without directory (either separator) and extension.
std::string GroupName(std::string_view file) {
    if (const auto slash = file.find_last_of("/\\"); slash != std::string_view::npos)
        file.remove_prefix(slash + 1);
    if (const auto dot = file.rfind('.'); dot != std::string_view::npos && dot > 0)
        file = file.substr(0, dot);
    return std::string(file);
}

// The report's default of every key it reads, from the shared key table;
// each looked up once per report.
class ReportDefaults {
public:
    const std::string& of(ControllerKind kind, std::string_view key) {
        std::string id(1, kind == ControllerKind::Pid ? 'i' : 'f');
        id += LowerAscii(key);
        auto it = cache_.find(id);
        if (it == cache_.end()) {
            const ControllerKey* entry = FindControllerKey(key, kind);
            if (!entry) throw std::logic_error("the report reads a key the table lacks: " + std::string(key));
            it = cache_.emplace(std::move(id), KeyDefault(*entry, Reader::Report)).first;
        }
        return it->second;
    }

private:
    std::unordered_map<std::string, std::string> cache_;
};

std::optional<long long> WholeInteger(std::string_view raw) {
    std::string_view s = Trim(raw);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    // Integer keys are 32-bit; a larger number is not a value of the key.
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return value;
}

// The keys of one controller as the report reads them: a missing key gives the
// report's default, a value that does not read as its type gives nullopt.
// The section is taken from the file once, not revalidated key by key.
class SectionReader {
public:
    SectionReader(const IniFile& file, std::string_view section, ReportDefaults& defaults)
        : defaults_(defaults) {
        for (const std::string& line : file.sectionValues(section)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos) continue;
            values_.emplace(LowerAscii(std::string_view(line).substr(0, eq)), line.substr(eq + 1));
        }
        kind_ = KindOfType(text("Type"));
    }

    ControllerKind kind() const { return kind_; }

    std::optional<std::string_view> find(std::string_view key) const {
        const auto it = values_.find(LowerAscii(key));
        if (it == values_.end()) return std::nullopt;
        return std::string_view(it->second);
    }

    std::string text(std::string_view key) const {
        if (const auto v = find(key)) return std::string(*v);
        return defaults_.of(kind_, key);
    }

    std::optional<long long> integer(std::string_view key) const {
        const auto raw = find(key);
        return WholeInteger(raw ? *raw : std::string_view(defaults_.of(kind_, key)));
    }

    std::optional<bool> flag(std::string_view key) const {
        const auto value = integer(key);
        if (!value) return std::nullopt;
        return *value != 0;
    }

    // A decimal text; the leading number counts, as everywhere in the file.
    std::optional<double> real(std::string_view key) const {
        std::string s(Trim(text(key)));
        for (char& c : s)
            if (c == ',') c = '.';
        std::string_view v = s;
        if (!v.empty() && v.front() == '+') v.remove_prefix(1);
        double value = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
        if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
        return value;
    }

private:
    ReportDefaults& defaults_;
    std::unordered_map<std::string, std::string> values_;
    ControllerKind kind_ = ControllerKind::Pid;
};

class Builder {
public:
    Builder(const ReportInput& input, std::vector<std::string>& lines) : in_(input), lines_(lines) {}

    // Texts repeat for every controller; fetch each once per report.
    const std::string& T(std::uint32_t id) const {
        auto it = texts_.find(id);
        if (it == texts_.end()) it = texts_.emplace(id, in_.text ? in_.text(id) : Text(id)).first;
        return it->second;
    }
    std::string Unreadable() const { return T(3449); }

    void add(std::string line) { lines_.push_back(std::move(line)); }
    void value(std::uint32_t label, const std::string& text) { add(ValueLine(T(label), text)); }
    // A heading followed by an empty line.
    void heading(std::string text) {
        add(std::move(text));
        add("");
    }

    std::string YesNo(const std::optional<bool>& v) const { return v ? T(*v ? 2003 : 2004) : Unreadable(); }
    std::string Scaled(const std::optional<long long>& v, double scale, int decimals,
                       std::string_view unit) const {
        return v ? ScaledValue(*v, scale, decimals, unit) : Unreadable();
    }
    std::string Plain(const std::optional<long long>& v, std::string_view unit = {}) const {
        if (!v) return Unreadable();
        std::string s = std::to_string(*v);
        if (!unit.empty()) (s += ' ') += unit;
        return s;
    }
    // A 1-based stored index into the lines of a multi-line text.
    std::string Choice(std::string_view lines, const std::optional<long long>& oneBased) const {
        return oneBased ? ChoiceLine(lines, *oneBased - 1) : Unreadable();
    }
    std::string Floating(const std::optional<double>& v, std::string_view unit) const {
        if (!v) return Unreadable();
        std::string s = FormatNumber(*v);
        (s += ' ') += unit;
        return s;
    }
    // General format with up to 15 significant digits, as the program writes decimals.
    std::string FormatNumber(double v) const { return FormatDecimal(v, in_.decimalSeparator); }

    void header() {
        add(T(2038));
        add(T(2041));
        heading(std::string(79, '-'));
    }

    void project() {
        const ReportProject& p = in_.project;
        add(T(3441) + " " + GroupName(p.groupFile));
        add(T(3442) + " " + p.plcName);
        add(T(3444) + " " + p.action);
        add(T(3445) + " " + p.programmer);
        add(T(3446) + " " + p.company);
        add(T(3447) + " " + p.copyright);
    }

    void footer() {
        add("");
        add(std::string(76, '-'));
        add(T(2040));
    }

    void integerController(const SectionReader& r) {
        add(T(3443) + " " + r.text("Name"));
        add(T(3448) + " " + r.text("Type"));

        const auto inputMode = r.integer("InputMode");
        std::string mode;
        if (!inputMode)
            mode = Unreadable();
        else if (*inputMode == 0 || *inputMode == 1)
            mode = T(3130);
        else if (*inputMode == 2)
            mode = T(3131);
        else if (*inputMode == 3)
            mode = T(3132);
        else
            mode = std::string(report::kUnknownChoice);
        value(3129, mode);
        const auto cascadeFlag = r.flag("Cascade");
        const bool cascade = cascadeFlag.value_or(false);
        if (!cascadeFlag) value(3133, Unreadable());
        if (cascade) value(3133, T(3450) + " " + r.text("Y3Name"));

        std::vector<int> used{1};
        if (inputMode && (*inputMode == 2 || *inputMode == 3)) used.push_back(2);
        if (cascade) used.push_back(3);
        for (int i : used) {
            const std::string n = std::to_string(i);
            std::string input = r.text("Y" + n + "Name");
            const std::string unit = r.text("Y" + n + "Unit");
            if (!unit.empty()) input += " (" + unit + ")";
            value(3410, input);
        }
        const auto analog = r.flag("UAnalog");
        if (!analog)
            value(3411, Unreadable());
        else if (*analog)
            value(3411, r.text("UpName"));
        else
            value(3411, r.text("UpName") + ", " + r.text("UmName"));

        heading(T(3134) + ": ");
        value(3135, Scaled(r.integer("PBnd"), 0.1, 1, "%"));
        add(T(3138));
        value(3139, Scaled(r.integer("RelCool"), 0.1, 1, "%"));
        value(3141, Scaled(r.integer("Ti"), 0.1, 1, "s"));
        value(3142, Scaled(r.integer("Td"), 0.1, 1, "s"));
        value(3148, Scaled(r.integer("OutCycle"), 0.01, 2, "s"));
        value(3143, Scaled(r.integer("EGap"), 0.01, 2, "%"));
        value(3144, Scaled(r.integer("IGap"), 0.01, 2, "%"));
        value(3145, Scaled(r.integer("DGap"), 0.01, 2, "%"));
        value(3146, Plain(r.integer("MaxY"), "-"));
        value(3147, Plain(r.integer("MinY"), "-"));
        const auto lastU = r.flag("UdefLastU");
        if (!lastU)
            value(3150, Unreadable());
        else
            value(3150, *lastU ? T(3151) : Scaled(r.integer("UDef"), 0.01, 2, "%"));

        for (int i : used) {
            const std::string y = "Y" + std::to_string(i);
            heading(T(3159) + " y" + std::to_string(i) + " :");
            value(3118, YesNo(r.flag(y + "Filtr")));
            const auto tau = r.integer(y + "Tau");
            value(3156, tau ? std::to_string(*tau) + " " + T(3167) : Unreadable());
            value(3119, YesNo(r.flag(y + "Measure")));
            value(3122, Plain(r.integer(y + "x1")));
            value(3124, Plain(r.integer(y + "y1")));
            value(3123, Plain(r.integer(y + "x2")));
            value(3125, Plain(r.integer(y + "y2")));
        }

        heading(T(3160) + ":");
        // Stored true means the first line of each pair ("Positional", "Analog").
        const auto positional = r.flag("UPosition");
        value(3161, positional ? ChoiceLine(T(3162), *positional ? 0 : 1) : Unreadable());
        value(3163, analog ? ChoiceLine(T(3164), *analog ? 0 : 1) : Unreadable());
        value(3165, Scaled(r.integer("UF"), 0.32, 2, "%"));
        const auto outFilter = r.flag("UFiltr");
        const auto outTau = r.integer("UTau");
        if (!outFilter || !outTau)
            value(3156, Unreadable());
        else
            value(3156, *outFilter ? std::to_string(*outTau) + " " + T(3167) : T(2004));
        value(3169, Scaled(r.integer("UMax"), 0.01, 2, "%"));
        value(3168, Scaled(r.integer("UMin"), 0.01, 2, "%"));
        value(3171, Scaled(r.integer("dUMax"), 0.01, 2, "%"));

        const auto zeroShift = r.flag("AO");
        const auto a8 = r.flag("A8");
        const auto a12 = r.flag("A12");
        const bool shifted = zeroShift.value_or(false);
        if (!a8 || *a8) {
            value(3173, a8 ? (shifted ? "(51 - 255)" : "(0 - 255)") : Unreadable());
            value(3175, YesNo(zeroShift));
        }
        if (!a12 || *a12) {
            value(3174, a12 ? (shifted ? "(819 - 4095)" : "(0 - 4095)") : Unreadable());
            value(3175, YesNo(zeroShift));
        }
        value(3176, YesNo(r.flag("UBipolar")));

        add(T(3177));
        userScalePoint(r.integer("Ux1"), r.integer("Uy1"));
        userScalePoint(r.integer("Ux2"), r.integer("Uy2"));
    }

    void userScalePoint(const std::optional<long long>& action, const std::optional<long long>& output) {
        const auto number = [&](const std::optional<long long>& v) {
            return v ? report::FixedPoint(double(*v) * 0.01, 2) : Unreadable();
        };
        add(T(3178) + " " + number(action) + " " + T(3179) + " " + T(3180) + " " + number(output));
    }

    void floatingController(const SectionReader& r) {
        add(T(3443) + " " + r.text("Name"));
        add(T(3448) + " " + r.text("Type"));
        value(3410, r.text("Input"));
        value(3411, r.text("Output"));

        heading(T(3134) + ": ");
        value(3340, Choice(kAlgorithmTypes, r.integer("irtype")));
        value(3342, YesNo(r.flag("RACT")));
        // The report reads every floating parameter with the same default.
        const auto floating = [&](std::uint32_t label, std::string_view key, std::string_view unit) {
            value(label, Floating(r.real(key), unit));
        };
        floating(3343, "k", "-");
        floating(3344, "ti", "s");
        floating(3345, "td", "s");
        floating(3346, "nd", "-");
        floating(3347, "b", "-");
        floating(3348, "c", "-");
        floating(3351, "tt", "s");
        floating(3352, "hilim", "%");
        floating(3353, "lolim", "%");
        floating(3364, "Ts", "s");

        heading(T(3367) + ": ");
        value(3354, Choice(kAlgorithmTypes, r.integer("ittype")));
        value(3356, YesNo(r.flag("DGC")));
        value(3355, Choice(T(3414), r.integer("iainf")));
        value(3361, Choice(T(3415), r.integer("ispeed")));
        value(3362, Choice(T(3416), r.integer("ipid")));
        floating(3357, "tdg", "s");
        floating(3358, "tn", "s");
        floating(3359, "amp", "%");
        floating(3360, "dy", "%");
    }

    void controllers() {
        if (in_.controllerFile.empty() || !std::filesystem::exists(in_.controllerFile)) return;
        try {
            IniFile file(in_.controllerFile);
            for (const std::string& section : file.sections()) {
                if (!StartsWithNoCase(section, kSectionPrefix)) continue;
                try {
                    SectionReader reader(file, section, defaults_);
                    // Only a section with a name is a controller.
                    if (reader.find("Name").value_or("").empty()) continue;
                    if (reader.kind() == ControllerKind::Pid)
                        integerController(reader);
                    else
                        floatingController(reader);
                } catch (const std::logic_error&) {
                    throw;
                } catch (const std::exception&) {
                    // Keep what was read of the block; say where it stopped.
                    add(Unreadable());
                }
            }
        } catch (const std::logic_error&) {
            throw;
        } catch (const std::exception&) {
            add(Unreadable());
        }
    }

private:
    const ReportInput& in_;
    std::vector<std::string>& lines_;
    mutable std::unordered_map<std::uint32_t, std::string> texts_;
    ReportDefaults defaults_;
};

}  // namespace

ReportProject ReportProjectFrom(const ProjectDescription& d, std::string_view plcName) {
    ReportProject p;
    p.groupFile = d.group;
    const PlcDescription* plc = d.findPlc(plcName);
    p.plcName = plc ? plc->name : std::string(plcName);
    p.action = d.action;
    p.programmer = d.programmer;
    p.company = d.company;
    p.copyright = d.copyright;
    return p;
}

std::vector<std::string> BuildReport(const ReportInput& input) {
    std::vector<std::string> lines;
    lines.reserve(64);
    Builder b(input, lines);
    b.header();
    b.project();
    b.controllers();
    b.footer();
    return lines;
}

std::string ReportCaption(const ReportProject& project) {
    return GroupName(project.groupFile) + " - " + project.plcName;
}

std::string JoinReport(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& l : lines) size += l.size() + 1;
    std::string text;
    text.reserve(size);
    for (const auto& l : lines) (text += l) += '\n';
    return text;
}

}  // namespace velmora
