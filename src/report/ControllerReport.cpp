#include "report/ControllerReport.h"

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "controllers/ControllerFile.h"
#include "controllers/ProjectDescription.h"
#include "controllers/SectionReader.h"
#include "report/ReportLines.h"

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

constexpr std::string_view kAlgorithmTypes = "D\nI\nID\nP\nPD\nPI\nPID";

// The group file name without directory (either separator) and extension.
std::string GroupName(std::string_view file) {
    if (const auto slash = file.find_last_of("/\\"); slash != std::string_view::npos)
        file.remove_prefix(slash + 1);
    if (const auto dot = file.rfind('.'); dot != std::string_view::npos && dot > 0)
        file = file.substr(0, dot);
    return std::string(file);
}

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
class ReportKeys {
public:
    ReportKeys(const IniFile& file, std::string_view section) : in_(file, section, Reader::Report) {}

    ControllerKind kind() const { return in_.kind(); }
    std::optional<std::string_view> find(Key key) const { return in_.stored(key); }
    std::string text(Key key) const { return in_.text(key); }
    std::optional<long long> integer(Key key) const { return WholeInteger(in_.text(key)); }

    std::optional<bool> flag(Key key) const {
        const auto value = integer(key);
        if (!value) return std::nullopt;
        return *value != 0;
    }

    // A decimal text; the leading number counts, as everywhere in the file.
    std::optional<double> real(Key key) const {
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
    SectionReader in_;
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
    // A scaled key as shown, with the table's scale.
    std::string Scaled(const ReportKeys& r, Key key, int decimals, std::string_view unit) const {
        const auto v = r.integer(key);
        return v ? ScaledValue(*v, 1.0 / KeyScale(key), decimals, OwnText(unit)) : Unreadable();
    }
    std::string Plain(const std::optional<long long>& v, std::string_view unit = {}) const {
        if (!v) return Unreadable();
        std::string s = std::to_string(*v);
        if (!unit.empty()) (s += ' ') += OwnText(unit);
        return s;
    }
    // A 1-based stored index into the lines of a multi-line text.
    std::string Choice(std::string_view lines, const std::optional<long long>& oneBased) const {
        return oneBased ? ChoiceLine(lines, *oneBased - 1) : Unreadable();
    }
    std::string Floating(const std::optional<double>& v, std::string_view unit) const {
        if (!v) return Unreadable();
        std::string s = FormatNumber(*v);
        (s += ' ') += OwnText(unit);
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

    void integerController(const ReportKeys& r) {
        add(T(3443) + " " + r.text(key::Name));
        add(T(3448) + " " + r.text(key::Type));
        const auto inputMode = r.integer(key::InputMode);
        const auto cascadeFlag = r.flag(key::Cascade);
        const bool cascade = cascadeFlag.value_or(false);
        std::vector<int> used{1};  // the inputs in use
        if (inputMode && (*inputMode == 2 || *inputMode == 3)) used.push_back(2);
        if (cascade) used.push_back(3);
        integerSignals(r, inputMode, cascadeFlag, used);
        integerParameters(r);
        for (int i : used) inputBlock(r, i);
        integerOutput(r);
    }

    // The mode, the cascade's measured actuator, the inputs and the outputs.
    void integerSignals(const ReportKeys& r, const std::optional<long long>& inputMode,
                        const std::optional<bool>& cascadeFlag, const std::vector<int>& used) {
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
        if (!cascadeFlag) value(3133, Unreadable());
        if (cascadeFlag.value_or(false)) value(3133, T(3450) + " " + r.text(key::Y[2].name));
        for (int i : used) {
            std::string input = r.text(key::Y[i - 1].name);
            const std::string unit = r.text(key::Y[i - 1].unit);
            if (!unit.empty()) input += " (" + unit + ")";
            value(3410, input);
        }
        const auto analog = r.flag(key::UAnalog);
        if (!analog)
            value(3411, Unreadable());
        else if (*analog)
            value(3411, r.text(key::UpName));
        else
            value(3411, r.text(key::UpName) + ", " + r.text(key::UmName));
    }

    void integerParameters(const ReportKeys& r) {
        heading(T(3134) + ": ");
        value(3135, Scaled(r, key::PBnd, 1, "%"));
        add(T(3138));
        value(3139, Scaled(r, key::RelCool, 1, "%"));
        value(3141, Scaled(r, key::Ti, 1, "s"));
        value(3142, Scaled(r, key::Td, 1, "s"));
        value(3148, Scaled(r, key::OutCycle, 2, "s"));
        value(3143, Scaled(r, key::EGap, 2, "%"));
        value(3144, Scaled(r, key::IGap, 2, "%"));
        value(3145, Scaled(r, key::DGap, 2, "%"));
        value(3146, Plain(r.integer(key::MaxY), "-"));
        value(3147, Plain(r.integer(key::MinY), "-"));
        const auto lastU = r.flag(key::UdefLastU);
        if (!lastU)
            value(3150, Unreadable());
        else
            value(3150, *lastU ? T(3151) : Scaled(r, key::UDef, 2, "%"));
    }

    // The filter and scale of input i (1-based).
    void inputBlock(const ReportKeys& r, int i) {
        const key::SignalKeys& y = key::Y[i - 1];
        heading(T(3159) + " y" + std::to_string(i) + " :");
        value(3118, YesNo(r.flag(y.filtr)));
        const auto tau = r.integer(y.tau);
        value(3156, tau ? std::to_string(*tau) + " " + T(3167) : Unreadable());
        value(3119, YesNo(r.flag(y.measure)));
        value(3122, Plain(r.integer(y.x1)));
        value(3124, Plain(r.integer(y.y1)));
        value(3123, Plain(r.integer(y.x2)));
        value(3125, Plain(r.integer(y.y2)));
    }

    void integerOutput(const ReportKeys& r) {
        heading(T(3160) + ":");
        // Stored true means the first line of each pair ("Positional", "Analog").
        const auto positional = r.flag(key::UPosition);
        const auto analog = r.flag(key::UAnalog);
        value(3161, positional ? ChoiceLine(T(3162), *positional ? 0 : 1) : Unreadable());
        value(3163, analog ? ChoiceLine(T(3164), *analog ? 0 : 1) : Unreadable());
        value(3165, Scaled(r, key::UF, 2, "%"));
        const auto outFilter = r.flag(key::UFiltr);
        const auto outTau = r.integer(key::UTau);
        if (!outFilter || !outTau)
            value(3156, Unreadable());
        else
            value(3156, *outFilter ? std::to_string(*outTau) + " " + T(3167) : T(2004));
        value(3169, Scaled(r, key::UMax, 2, "%"));
        value(3168, Scaled(r, key::UMin, 2, "%"));
        value(3171, Scaled(r, key::dUMax, 2, "%"));

        const auto zeroShift = r.flag(key::AO);
        const auto a8 = r.flag(key::A8);
        const auto a12 = r.flag(key::A12);
        const bool shifted = zeroShift.value_or(false);
        if (!a8 || *a8) {
            value(3173, a8 ? (shifted ? "(51 - 255)" : "(0 - 255)") : Unreadable());
            value(3175, YesNo(zeroShift));
        }
        if (!a12 || *a12) {
            value(3174, a12 ? (shifted ? "(819 - 4095)" : "(0 - 4095)") : Unreadable());
            value(3175, YesNo(zeroShift));
        }
        value(3176, YesNo(r.flag(key::UBipolar)));
        add(T(3177));
        userScalePoint(r.integer(key::Ux1), r.integer(key::Uy1));
        userScalePoint(r.integer(key::Ux2), r.integer(key::Uy2));
    }

    void userScalePoint(const std::optional<long long>& action, const std::optional<long long>& output) {
        const auto number = [&](const std::optional<long long>& v) {
            return v ? report::FixedPoint(double(*v) * 0.01, 2) : Unreadable();
        };
        add(T(3178) + " " + number(action) + " " + T(3179) + " " + T(3180) + " " + number(output));
    }

    void floatingController(const ReportKeys& r) {
        add(T(3443) + " " + r.text(key::Name));
        add(T(3448) + " " + r.text(key::Type));
        value(3410, r.text(key::Input));
        value(3411, r.text(key::Output));

        heading(T(3134) + ": ");
        value(3340, Choice(kAlgorithmTypes, r.integer(key::irtype)));
        value(3342, YesNo(r.flag(key::RACT)));
        // The report reads every floating parameter with the same default.
        const auto floating = [&](std::uint32_t label, Key key, std::string_view unit) {
            value(label, Floating(r.real(key), unit));
        };
        floating(3343, key::k, "-");
        floating(3344, key::ti, "s");
        floating(3345, key::td, "s");
        floating(3346, key::nd, "-");
        floating(3347, key::b, "-");
        floating(3348, key::c, "-");
        floating(3351, key::tt, "s");
        floating(3352, key::hilim, "%");
        floating(3353, key::lolim, "%");
        floating(3364, key::Ts, "s");

        heading(T(3367) + ": ");
        value(3354, Choice(kAlgorithmTypes, r.integer(key::ittype)));
        value(3356, YesNo(r.flag(key::DGC)));
        value(3355, Choice(T(3414), r.integer(key::iainf)));
        value(3361, Choice(T(3415), r.integer(key::ispeed)));
        value(3362, Choice(T(3416), r.integer(key::ipid)));
        floating(3357, key::tdg, "s");
        floating(3358, key::tn, "s");
        floating(3359, key::amp, "%");
        floating(3360, key::dy, "%");
    }

    void controllers() {
        if (in_.controllerFile.empty() || !std::filesystem::exists(in_.controllerFile)) return;
        try {
            IniFile file(in_.controllerFile);
            for (const std::string& section : file.sections()) {
                if (!IsControllerSection(section)) continue;
                try {
                    ReportKeys reader(file, section);
                    // Only a section with a name is a controller.
                    if (reader.find(key::Name).value_or("").empty()) continue;
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
