#include "host/looptest/LoopTestFile.h"
#include "base/Strings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace velmora::looptest {

namespace {

// A line that cannot be read: its reason, caught once per line.
struct LineError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A token for a message: at most 40 bytes, anything outside printable ASCII as "?".
std::string Shown(std::string_view token) {
    std::string out;
    for (char c : token.substr(0, 40)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return token.size() > 40 ? out + "..." : out;
}

// Splits a line into tokens at blanks; "≤"/"<=", "±"/"+-"/"+/-" and "%" are
// tokens of their own wherever they stand.
std::vector<std::string> Tokens(std::string_view line) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kOperators = {
        {{"\xE2\x89\xA4", "<="}, {"<=", "<="}, {"\xC2\xB1", "+-"}, {"+/-", "+-"}, {"+-", "+-"}, {"%", "%"}}};
    std::vector<std::string> tokens;
    std::string current;
    const auto flush = [&] {
        if (!current.empty()) tokens.push_back(std::move(current));
        current.clear();
    };
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ' || line[i] == '\t') {
            flush();
            ++i;
            continue;
        }
        bool matched = false;
        for (const auto& [text, token] : kOperators)
            if (line.substr(i, text.size()) == text) {
                flush();
                tokens.emplace_back(token);
                i += text.size();
                matched = true;
                break;
            }
        if (!matched) current += line[i++];
    }
    flush();
    return tokens;
}

double ParseNumber(std::string_view token, std::string_view what) {
    std::string_view digits = token;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(value) || std::fabs(value) > 3.4e38 ||
        !(IsDigitAscii(digits.back()) || digits.back() == '.'))
        throw LineError(std::string(what) + " is no number: \"" + Shown(token) + "\"");
    return value;
}

// Milliseconds per unit of a time; 0 for a word that is no unit.
double UnitMillis(std::string_view unit) {
    if (EqualNoCase(unit, "ms")) return 1;
    if (EqualNoCase(unit, "s")) return 1000;
    if (EqualNoCase(unit, "min")) return 60'000;
    if (EqualNoCase(unit, "h")) return 3'600'000;
    return 0;
}

class Cursor {
public:
    explicit Cursor(std::vector<std::string> tokens) : tokens_(std::move(tokens)) {}
    bool done() const { return at_ >= tokens_.size(); }
    const std::string& peek() const {
        static const std::string kNone;
        return done() ? kNone : tokens_[at_];
    }
    std::string take(std::string_view what) {
        if (done()) throw LineError("the line ends where " + std::string(what) + " should follow");
        return tokens_[at_++];
    }
    bool accept(std::string_view word) {
        if (done() || !EqualNoCase(tokens_[at_], word)) return false;
        ++at_;
        return true;
    }
    void expect(std::string_view word) {
        if (!accept(word))
            throw LineError("\"" + std::string(word) + "\" expected, not " +
                            (done() ? std::string("the end of the line") : "\"" + Shown(peek()) + "\""));
    }
    void end() const {
        if (!done()) throw LineError("unexpected \"" + Shown(peek()) + "\" at the end of the line");
    }
    double number(std::string_view what) {
        const double value = ParseNumber(take(what), what);
        accept("%");
        return value;
    }
    // A time: a number with an optional unit (ms, s, min, h; seconds when
    // none), joined to it or as the next token. Whole milliseconds, 0 .. one week.
    Millis time(std::string_view what) {
        std::string token = take(what);
        double perUnit = 1000;
        std::size_t split = token.size();
        while (split > 0 && IsAlphaAscii(token[split - 1])) --split;
        if (split < token.size()) {
            perUnit = UnitMillis(std::string_view(token).substr(split));
            if (perUnit == 0)
                throw LineError(std::string(what) + " has no known unit: \"" + Shown(token) + "\"");
            token.resize(split);
        } else if (const double unit = UnitMillis(peek()); unit != 0) {
            perUnit = unit;
            ++at_;
        }
        const double ms = ParseNumber(token, what) * perUnit;
        if (ms < 0 || ms > static_cast<double>(kMaxDuration))
            throw LineError(std::string(what) + " lies outside 0 .. 168 h");
        if (std::fabs(ms - std::round(ms)) > 1e-6)
            throw LineError(std::string(what) + " is not whole milliseconds");
        return static_cast<Millis>(std::llround(ms));
    }
    // Everything left, joined without blanks.
    std::string rest() {
        std::string out;
        while (!done()) out += tokens_[at_++];
        return out;
    }

private:
    std::vector<std::string> tokens_;
    std::size_t at_ = 0;
};

bool NameCharacter(char c) {
    return IsAlnumAscii(c) || c == '_' || c == '.' || c == '~' || c == '[' || c == ']';
}

// A symbol or controller name: letters, digits, "_", ".", "~", "[", "]", at most 128 bytes.
std::string Name(std::string token, std::string_view what) {
    if (token.empty() || token.size() > 128 || !std::all_of(token.begin(), token.end(), NameCharacter))
        throw LineError(std::string(what) + " \"" + Shown(token) + "\" is no name");
    return token;
}

Subject ReadSubject(Cursor& in) {
    Subject s;
    s.written = Name(in.take("a symbol or CONTROLLER.y|w|u"), "the subject");
    s.name = s.written;
    const std::size_t dot = s.written.rfind('.');
    if (dot != std::string::npos && dot > 0 && dot + 2 == s.written.size()) {
        const char which = LowerAsciiChar(s.written.back());
        if (which == 'y' || which == 'w' || which == 'u') {
            s.kind = which == 'y' ? Subject::Kind::Y : which == 'w' ? Subject::Kind::W : Subject::Kind::U;
            s.name = s.written.substr(0, dot);
        }
    }
    return s;
}

void ReadCheck(Cursor& in, Expectation& e) {
    const std::string word = LowerAscii(in.take("a check"));
    if (word == "within") {
        e.check = Check::Within;
        e.a = in.number("the tolerance");
        in.expect("of");
        e.b = in.number("the target");
        in.expect("from");
        e.t1 = in.time("the start");
        if (e.a < 0) throw LineError("the tolerance is below 0");
    } else if (word == "overshoot") {
        e.check = Check::Overshoot;
        in.expect("<=");
        e.a = in.number("the overshoot");
        in.expect("after");
        in.accept("the");
        in.accept("step");
        in.accept("at");
        e.t1 = in.time("the step's time");
        if (e.a < 0 || e.a > 1000) throw LineError("the overshoot lies outside 0 .. 1000 %");
    } else if (word == "settles") {
        e.check = Check::Settles;
        in.expect("to");
        in.expect("+-");
        e.a = in.number("the band");
        in.expect("within");
        e.span = in.time("the settling time");
        in.expect("after");
        in.accept("the");
        in.accept("step");
        in.accept("at");
        e.t1 = in.time("the step's time");
        if (e.a <= 0) throw LineError("the band must be above 0");
        if (e.span <= 0) throw LineError("the settling time must be above 0");
    } else if (word == "between") {
        e.check = Check::Between;
        e.a = in.number("the low limit");
        in.accept("and");
        e.b = in.number("the high limit");
        in.expect("from");
        e.t1 = in.time("the start");
        in.expect("to");
        e.t2 = in.time("the end");
        if (e.a > e.b) throw LineError("the low limit lies above the high limit");
        if (e.t1 > e.t2) throw LineError("the interval ends before it starts");
    } else if (word == "iae") {
        e.check = Check::Iae;
        in.expect("<=");
        e.a = in.number("the IAE limit");
        in.expect("from");
        e.t1 = in.time("the start");
        in.expect("to");
        e.t2 = in.time("the end");
        if (e.a < 0) throw LineError("the IAE limit is below 0");
        if (e.t1 >= e.t2) throw LineError("the interval ends before it starts");
    } else {
        throw LineError("unknown check \"" + Shown(word) +
                        "\": within, overshoot, settles, between, IAE (or \"expect no PLC error\")");
    }
    in.end();
}

// The line after its keyword as written, blanks collapsed.
std::string Written(std::string_view line) {
    std::string out;
    const std::size_t start = line.find_first_of(" \t");
    for (char c : line.substr(start == std::string_view::npos ? line.size() : start)) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

Expectation ReadExpectation(Cursor& in, std::string_view text, int line) {
    Expectation e;
    e.line = line;
    e.text = Written(text);
    if (in.accept("no")) {
        in.expect("PLC");
        in.expect("error");
        in.end();
        e.check = Check::NoPlcError;
        return e;
    }
    e.subject = ReadSubject(in);
    ReadCheck(in, e);
    return e;
}

Stimulus ReadStimulus(Cursor& in, int line) {
    Stimulus s;
    s.line = line;
    s.at = in.time("the time");
    const std::string action = LowerAscii(in.take("set, restart or disturb"));
    if (action == "set") {
        s.kind = Stimulus::Kind::Set;
        const std::string assignment = in.rest();
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos) throw LineError("set takes SYMBOL=VALUE");
        s.name = Name(assignment.substr(0, eq), "the symbol");
        s.value = ParseNumber(assignment.substr(eq + 1), "the value");
    } else if (action == "restart") {
        s.kind = Stimulus::Kind::Restart;
        const std::string kind = LowerAscii(in.take("warm or cold"));
        if (kind != "warm" && kind != "cold") throw LineError("restart takes warm or cold");
        s.cold = kind == "cold";
    } else if (action == "disturb") {
        s.kind = Stimulus::Kind::Disturb;
        s.name = Name(in.take("the controller"), "the controller");
        s.value = in.number("the disturbance");
        if (s.value < 0 || s.value > 100) throw LineError("the disturbance lies outside 0 .. 100 %");
    } else {
        throw LineError("unknown stimulus \"" + Shown(action) + "\": set, restart or disturb");
    }
    in.end();
    return s;
}

bool CaseNameCharacter(char c) {
    return IsAlnumAscii(c) || c == '_' || c == '-' || c == '.';
}

// Reads one file line by line, collecting every problem.
class Reader {
public:
    Reader(std::string_view text, const std::string& file) : text_(text), file_(file) {}
    ParsedFile run();

private:
    void line(std::string_view text, int number);
    void header(std::string_view text, int number);
    void setUp(const std::string& word, Cursor& in, int number);
    void finishCase();
    void finishTimes(Case& c);
    void problem(int line, std::string reason) {
        if (out_.problems.size() < 100) out_.problems.push_back({file_, line, std::move(reason)});
    }

    std::string_view text_;
    const std::string& file_;
    ParsedFile out_;
    std::optional<Case> case_;
    struct PendingPlant {
        std::string controller;
        std::vector<PlantKey> keys;
        int line;
    };
    std::vector<PendingPlant> plants_;
    bool cycleSet_ = false, sampleSet_ = false, durationSet_ = false;
};

ParsedFile Reader::run() {
    if (text_.size() > kMaxFileBytes) {
        problem(0, "the file is larger than 1 MiB");
        return out_;
    }
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    int number = 0;
    while (!text_.empty()) {
        const std::size_t end = std::min(text_.find('\n'), text_.size());
        std::string_view current = text_.substr(0, end);
        text_.remove_prefix(std::min(end + 1, text_.size()));
        if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
        ++number;
        try {
            if (current.size() > kMaxLineBytes) throw LineError("the line is longer than 4096 bytes");
            if (current.find('\0') != std::string_view::npos) throw LineError("the line holds a NUL byte");
            line(current, number);
        } catch (const LineError& e) {
            problem(number, e.what());
        }
    }
    finishCase();
    return out_;
}

void Reader::line(std::string_view text, int number) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos || text[first] == '#' || text[first] == ';') return;
    text.remove_prefix(first);
    if (text.front() == '[') return header(text, number);
    if (!case_) throw LineError("a line outside any [case NAME] section");
    Cursor in(Tokens(text));
    const std::string word = LowerAscii(in.take("a keyword"));
    if (word == "expect") {
        if (case_->expectations.size() >= kMaxLinesPerCase) throw LineError("more than 1000 expectations");
        case_->expectations.push_back(ReadExpectation(in, text, number));
    } else if (word == "at") {
        if (case_->stimuli.size() >= kMaxLinesPerCase) throw LineError("more than 1000 stimuli");
        case_->stimuli.push_back(ReadStimulus(in, number));
    } else {
        setUp(word, in, number);
    }
}

void Reader::header(std::string_view text, int number) {
    finishCase();
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || text.find_first_not_of(" \t", close + 1) != std::string_view::npos)
        throw LineError("a section header is \"[case NAME]\"");
    Cursor in(Tokens(text.substr(1, close - 1)));
    if (!in.accept("case")) throw LineError("unknown section: only [case NAME] sections are read");
    const std::string name = in.take("the case's name");
    in.end();
    if (name.size() > 64 || name.front() == '.' || !std::all_of(name.begin(), name.end(), CaseNameCharacter))
        throw LineError("a case name is 1 .. 64 letters, digits, \"_\", \"-\" or \".\" (not first)");
    if (out_.cases.size() >= kMaxCasesPerFile) throw LineError("more than 1000 cases in one file");
    for (const Case& c : out_.cases)
        if (EqualNoCase(c.name, name))
            throw LineError("a second case " + name + " (line " + std::to_string(c.line) + ")");
    case_.emplace();
    case_->file = file_;
    case_->line = number;
    case_->name = name;
    cycleSet_ = sampleSet_ = durationSet_ = false;
}

void Reader::setUp(const std::string& word, Cursor& in, int number) {
    Case& c = *case_;
    if (word == "plc") {
        if (c.plcLine) throw LineError("a second plc line");
        c.plc = Name(in.take("the PLC"), "the PLC");
        c.plcLine = number;
    } else if (word == "online") {
        do {
            const std::string name = Name(in.take("a controller"), "the controller");
            if (c.findOnline(name)) throw LineError("controller " + name + " is online already");
            c.online.push_back({name, number, {}, 0, std::nullopt});
        } while (!in.done());
    } else if (word == "plant") {
        PendingPlant p{Name(in.take("the controller"), "the controller"), {}, number};
        do {
            const std::string assignment = in.take("KEY=VALUE");
            const std::size_t eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0) throw LineError("a plant key is KEY=VALUE");
            p.keys.push_back({assignment.substr(0, eq), assignment.substr(eq + 1)});
        } while (!in.done());
        plants_.push_back(std::move(p));
    } else if (word == "cycle" || word == "sample" || word == "duration") {
        Millis& field = word == "cycle" ? c.cycle : word == "sample" ? c.sample : c.duration;
        bool& given = word == "cycle" ? cycleSet_ : word == "sample" ? sampleSet_ : durationSet_;
        if (given) throw LineError("a second " + word + " line");
        given = true;
        const Millis value = in.time("the " + word);
        in.end();
        if (word == "cycle" && (value < 1 || value > 1000))
            throw LineError("the cycle lies outside 1 ms .. 1 s");
        if (word == "sample" && (value < 1 || value > 3'600'000))
            throw LineError("the sample period lies outside 1 ms .. 1 h");
        if (word == "duration" && value < 1) throw LineError("the duration must be above 0");
        field = value;
    } else {
        throw LineError("unknown line \"" + Shown(word) +
                        "\": plc, online, plant, cycle, sample, duration, at or expect");
    }
}

void Reader::finishTimes(Case& c) {
    const auto inside = [&](Millis t, int line, const char* what) {
        if (t > c.duration)
            problem(line, std::string(what) + " " + FormatSeconds(t) + " lies after the end of the case (" +
                              FormatSeconds(c.duration) + ")");
    };
    if (c.sample > c.duration)
        problem(c.line, "the sample period is longer than the case");
    else if (c.duration / c.sample > kMaxSamples)
        problem(c.line, "more than 2000000 samples: a longer sample period is needed");
    for (const Stimulus& s : c.stimuli) inside(s.at, s.line, "the time");
    for (const Expectation& e : c.expectations) {
        if (e.check == Check::NoPlcError) continue;
        inside(e.t1, e.line,
               e.check == Check::Overshoot || e.check == Check::Settles ? "the step" : "the start");
        if (e.check == Check::Between || e.check == Check::Iae) inside(e.t2, e.line, "the end");
        if ((e.check == Check::Overshoot || e.check == Check::Settles) && e.t1 <= c.duration) {
            if (!c.stepAt(e.t1))
                problem(e.line, "no step at " + FormatSeconds(e.t1) +
                                    ": the case starts at 0 s and has no stimulus then");
            else if (e.check == Check::Settles && e.t1 + e.span > c.windowEnd(e.t1))
                problem(e.line, "the response to the step at " + FormatSeconds(e.t1) + " ends at " +
                                    FormatSeconds(c.windowEnd(e.t1)) + ", before " +
                                    FormatSeconds(e.t1 + e.span));
        }
    }
}

void Reader::finishCase() {
    if (!case_) return;
    Case c = std::move(*case_);
    case_.reset();
    for (PendingPlant& p : plants_) {
        auto it = std::find_if(c.online.begin(), c.online.end(),
                               [&](const OnlineController& o) { return EqualNoCase(o.name, p.controller); });
        if (it == c.online.end()) {
            problem(p.line, "plant keys for " + p.controller + ", which the case does not put online");
            continue;
        }
        if (!it->plantLine) it->plantLine = p.line;
        for (PlantKey& k : p.keys) it->plant.push_back(std::move(k));
    }
    plants_.clear();
    std::stable_sort(c.stimuli.begin(), c.stimuli.end(),
                     [](const Stimulus& a, const Stimulus& b) { return a.at < b.at; });
    if (c.duration > 0)
        finishTimes(c);
    else if (!durationSet_)
        problem(c.line, "case " + c.name + " has no duration line");
    if (c.expectations.empty()) problem(c.line, "case " + c.name + " expects nothing: add an expect line");
    out_.cases.push_back(std::move(c));
}

}  // namespace

std::string Diagnostic::text() const {
    return line > 0 ? file + ":" + std::to_string(line) + ": " + reason : file + ": " + reason;
}

const OnlineController* Case::findOnline(std::string_view controller) const {
    for (const OnlineController& o : online)
        if (EqualNoCase(o.name, controller)) return &o;
    return nullptr;
}

Millis Case::windowEnd(Millis at) const {
    for (const Stimulus& s : stimuli)
        if (s.at > at) return std::min(s.at, duration);
    return duration;
}

bool Case::stepAt(Millis at) const {
    return at == 0 ||
           std::any_of(stimuli.begin(), stimuli.end(), [at](const Stimulus& s) { return s.at == at; });
}

ParsedFile ParseLoopTests(std::string_view text, const std::string& fileName) {
    return Reader(text, fileName).run();
}

std::string FormatSeconds(Millis ms) {
    return FormatNumber(static_cast<double>(ms) / 1000.0) + " s";
}

std::string FormatNumber(double value) {
    if (std::isnan(value)) return "none";
    char text[64];
    // Six significant digits, then the shortest text that reads back as that.
    char rounded[64];
    const auto r = std::to_chars(rounded, rounded + sizeof rounded, value, std::chars_format::general, 6);
    double back = 0;
    std::from_chars(rounded, r.ptr, back);
    const auto [end, ec] = std::to_chars(text, text + sizeof text, back);
    return std::string(text, ec == std::errc() ? end : text);
}

}  // namespace velmora::looptest
