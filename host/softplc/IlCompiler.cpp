#include "softplc/IlCompiler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <set>

#include "base/OperandParser.h"
#include "base/Strings.h"
#include "softplc/IlOperations.h"

namespace velmora::softplc {

int ProcessNumber(Process p) {
    static constexpr int kNumbers[kProcessSlots] = {0, 41, 62, 63};
    return kNumbers[p];
}

std::string Program::position(std::size_t index) const {
    if (index >= where.size()) return "?";
    const SourcePosition& p = where[index];
    const std::string file =
        p.file >= 0 && static_cast<std::size_t>(p.file) < files.size() ? files[p.file] : "?";
    return file + ":" + std::to_string(p.line);
}

std::string Diagnostic::format() const {
    static const char* kWords[] = {"information", "warning", "error", "fatal error"};
    return file + "(" + std::to_string(line) + "): " + kWords[static_cast<int>(severity)] + ": " + text;
}

bool CompileOutput::ok() const {
    return std::none_of(diagnostics.begin(), diagnostics.end(), [](const Diagnostic& d) {
        return d.severity == Diagnostic::Severity::Error || d.severity == Diagnostic::Severity::Fatal;
    });
}

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpaceAscii(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpaceAscii(s.back())) s.remove_suffix(1);
    return s;
}

bool IsIdentStart(char c) {
    return IsAlphaAscii(c) || c == '_';
}
bool IsIdentChar(char c) {
    return IsAlnumAscii(c) || c == '_';
}

// The text before a ";" comment that is not inside quotes.
std::string_view StripComment(std::string_view line) {
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            return line.substr(0, i);
        }
    }
    return line;
}

struct Fatal {};  // stops the compilation at a fatal #error

// Library functions a "#usi" declaration can bind.
std::optional<Op> UsiLibrary(const std::string& upperName) {
    if (upperName == "CRC16") return Op::Crc;
    return std::nullopt;
}

// One source line of a process, before it becomes an instruction.
struct Line {
    int file = 0, line = 0;
    std::string label;
    std::string mnemonic;  // upper case
    std::string operand;
};

struct ProcessBody {
    std::vector<Line> lines;
};

class Compiler {
public:
    Compiler(const SymbolTable& symbols, const CompileOptions& options, CompileOutput& out)
        : symbols_(symbols), options_(options), out_(out) {}

    void run(const std::vector<SourceFile>& files) {
        try {
            for (std::size_t f = 0; f < files.size(); ++f) {
                out_.program.files.push_back(files[f].name);
                file_ = static_cast<int>(f);
                if (files[f].kind == SourceFile::Kind::IecDeclarations)
                    readIecConstants(files[f].text);
                else
                    readMnemonic(files[f].text);
            }
            if (!out_.ok()) return;
            emit();
            if (!out_.ok()) return;
            check();
        } catch (const Fatal&) {
        }
    }

private:
    // ------------------------------------------------------------ diagnostics
    void report(Diagnostic::Severity severity, int file, int line, std::string text) {
        Diagnostic d;
        d.file = file >= 0 && static_cast<std::size_t>(file) < out_.program.files.size()
                     ? out_.program.files[file]
                     : "";
        d.line = line;
        d.severity = severity;
        d.text = std::move(text);
        out_.diagnostics.push_back(std::move(d));
        if (severity == Diagnostic::Severity::Fatal) throw Fatal{};
        // A flood of errors helps nobody; stop after a hundred.
        if (severity == Diagnostic::Severity::Error && ++errors_ >= 100) throw Fatal{};
    }
    void error(int line, std::string text) {
        report(Diagnostic::Severity::Error, file_, line, std::move(text));
    }
    void errorAt(const Line& l, std::string text) {
        report(Diagnostic::Severity::Error, l.file, l.line, std::move(text));
    }

    // ------------------------------------------------------------ IEC constants
    // Constants of "VAR_GLOBAL CONSTANT" blocks become defines ("Boiler_ReleaseNumber").
    void readIecConstants(std::string_view text) {
        const std::string upper = UpperAscii(text);
        std::size_t at = 0;
        while ((at = upper.find("VAR_GLOBAL", at)) != std::string::npos) {
            std::size_t p = at + 10;
            while (p < upper.size() && IsSpaceAscii(upper[p])) ++p;
            const std::size_t end = upper.find("END_VAR", p);
            if (end == std::string::npos) break;
            if (upper.compare(p, 8, "CONSTANT") == 0) {
                const std::string_view body = text.substr(p + 8, end - p - 8);
                std::size_t s = 0;
                while (s < body.size()) {
                    std::size_t e = body.find(';', s);
                    if (e == std::string_view::npos) e = body.size();
                    constantStatement(body.substr(s, e - s));
                    s = e + 1;
                }
            }
            at = end + 7;
        }
    }
    void constantStatement(std::string_view statement) {
        // Comments "//" run to the end of their line.
        std::string clean;
        for (std::size_t i = 0; i < statement.size(); ++i) {
            if (statement.compare(i, 2, "//") == 0) {
                while (i < statement.size() && statement[i] != '\n') ++i;
            }
            if (i < statement.size()) clean += statement[i];
        }
        const auto colon = clean.find(':');
        const auto assign = clean.find(":=");
        if (colon == std::string::npos || assign == std::string::npos) return;
        std::string value(Trim(std::string_view(clean).substr(assign + 2)));
        const std::string upperValue = UpperAscii(value);
        if (upperValue == "TRUE") value = "1";
        if (upperValue == "FALSE") value = "0";
        std::string_view names = std::string_view(clean).substr(0, colon);
        std::size_t s = 0;
        while (s <= names.size()) {
            std::size_t e = names.find(',', s);
            if (e == std::string_view::npos) e = names.size();
            const std::string name(Trim(names.substr(s, e - s)));
            if (!name.empty()) defines_[UpperAscii(name)] = value;
            s = e + 1;
        }
    }

    // ------------------------------------------------------------ mnemonic files
    struct Condition {
        bool active;  // this branch is taken and every outer one too
        bool outerActive;
        bool taken;  // some branch of this #if was taken
        bool seenElse;
        int line;
    };

    bool active() const { return conditions_.empty() || conditions_.back().active; }

    void readMnemonic(std::string_view text) {
        conditions_.clear();
        process_ = -1;
        declarationContinues_ = false;
        inStruct_ = false;
        int lineNumber = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            std::size_t eol = text.find('\n', pos);
            if (eol == std::string_view::npos) eol = text.size();
            std::string_view raw = text.substr(pos, eol - pos);
            pos = eol + 1;
            ++lineNumber;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            line(raw, lineNumber);
            if (eol == text.size()) break;
        }
        if (!conditions_.empty()) error(conditions_.back().line, "#if without #endif");
        if (process_ >= 0)
            error(lineNumber,
                  "process P " + std::to_string(process_) + " has no E " + std::to_string(process_));
    }

    void line(std::string_view raw, int number) {
        const std::string_view trimmed = Trim(raw);
        if (!trimmed.empty() && trimmed.front() == '#') {
            directive(trimmed.substr(1), number);
            return;
        }
        if (!active()) return;
        const std::string_view code = Trim(StripComment(trimmed));
        if (code.empty()) return;
        if (inStruct_) return;  // a member of a #struct
        if (declarationContinues_) {
            declarationContinues_ = code.back() == ',';
            return;
        }
        statement(code, number);
    }

    void directive(std::string_view body, int number) {
        const auto split = body.find_first_of(" \t");
        const std::string word = UpperAscii(body.substr(0, split));
        const std::string_view rest =
            split == std::string_view::npos ? std::string_view() : Trim(body.substr(split));
        inStruct_ = false;
        declarationContinues_ = false;
        if (word == "IFDEF" || word == "IFNDEF") {
            const std::string name = UpperAscii(Trim(StripComment(rest)));
            const bool yes = (word == "IFDEF") == isDefined(name);
            push(yes, number);
            return;
        }
        if (word == "IF") {
            bool yes = false;
            if (active()) yes = evaluate(StripComment(rest), number) != 0;
            push(yes, number);
            return;
        }
        if (word == "ELSE") {
            if (conditions_.empty() || conditions_.back().seenElse) {
                error(number, "#else without #if");
                return;
            }
            Condition& c = conditions_.back();
            c.seenElse = true;
            c.active = c.outerActive && !c.taken;
            c.taken = true;
            return;
        }
        if (word == "ENDIF" || word == "END_IF") {
            if (conditions_.empty())
                error(number, "#endif without #if");
            else
                conditions_.pop_back();
            return;
        }
        if (!active()) return;
        if (word == "ERROR") {
            hashError(rest, number);
        } else if (word == "DEFINE" || word == "DEF") {
            const std::string_view text = Trim(StripComment(rest));
            const auto space = text.find_first_of(" \t");
            const std::string name = UpperAscii(text.substr(0, space));
            if (name.empty() || !IsIdentStart(name[0])) {
                error(number, "#" + UpperAscii(word) + " needs a name");
                return;
            }
            defines_[name] =
                space == std::string_view::npos ? std::string() : std::string(Trim(text.substr(space)));
        } else if (word == "USI") {
            // "#usi u_crc = crc16": a user instruction bound to a library function.
            const std::string_view text = Trim(StripComment(rest));
            const auto eq = text.find('=');
            if (eq == std::string_view::npos) {
                error(number, "#usi needs NAME = FUNCTION");
                return;
            }
            const std::string fn = UpperAscii(Trim(text.substr(eq + 1)));
            const auto op = UsiLibrary(fn);
            if (!op) {
                error(number, "#usi: unknown library function " + fn);
                return;
            }
            usi_[UpperAscii(Trim(text.substr(0, eq)))] = *op;
        } else if (word == "REG" || word == "REM") {
            declarationContinues_ =
                !Trim(StripComment(rest)).empty() && Trim(StripComment(rest)).back() == ',';
        } else if (word == "STRUCT") {
            inStruct_ = true;
        } else if (word == "USEOPTION" || word == "PRAGMA") {
            // Options of the PLC compiler; the soft PLC restarts the same way whatever they say.
        } else {
            error(number, "unknown directive #" + std::string(body.substr(0, split)));
        }
    }

    void push(bool yes, int number) {
        const bool outer = active();
        conditions_.push_back({outer && yes, outer, yes, false, number});
    }

    void hashError(std::string_view rest, int number) {
        rest = Trim(rest);
        Diagnostic::Severity severity = Diagnostic::Severity::Error;
        const auto space = rest.find_first_of(" \t");
        const std::string level = UpperAscii(rest.substr(0, space));
        std::string_view message = rest;
        if (level.size() == 1) {
            message = space == std::string_view::npos ? std::string_view() : Trim(rest.substr(space));
            if (level == "F")
                severity = Diagnostic::Severity::Fatal;
            else if (level == "E")
                severity = Diagnostic::Severity::Error;
            else if (level == "W")
                severity = Diagnostic::Severity::Warning;
            else if (level == "I")
                severity = Diagnostic::Severity::Information;
            else
                message = rest;
        }
        if (message.size() >= 2 && (message.front() == '\'' || message.front() == '"') &&
            message.back() == message.front())
            message = message.substr(1, message.size() - 2);
        report(severity, file_, number, std::string(message));
    }

    bool isDefined(const std::string& upperName) const {
        if (defines_.count(upperName) || usi_.count(upperName)) return true;
        if (upperName == "_PLCTYPE_") return true;
        return symbols_.locate(upperName).has_value();
    }

    // ------------------------------------------------------------ #if arithmetic
    class Expression {
    public:
        Expression(Compiler& c, std::string_view text, int line) : c_(c), text_(text), line_(line) {}
        long long evaluate() {
            const long long v = orExpr();
            skip();
            if (pos_ < text_.size()) fail("unexpected '" + std::string(text_.substr(pos_)) + "'");
            return v;
        }
        bool failed = false;

    private:
        void fail(const std::string& why) {
            if (!failed) c_.error(line_, "#if: " + why);
            failed = true;
            pos_ = text_.size();
        }
        void skip() {
            while (pos_ < text_.size() && IsSpaceAscii(text_[pos_])) ++pos_;
        }
        bool accept(std::string_view op) {
            skip();
            if (text_.compare(pos_, op.size(), op) != 0) return false;
            // "<" must not take the first half of "<=", "=" of "==" and so on.
            if (op.size() == 1 && pos_ + 1 < text_.size() && text_[pos_ + 1] == '=' && op != "=")
                return false;
            if ((op == "&" || op == "|") && pos_ + 1 < text_.size() && text_[pos_ + 1] == op[0]) return false;
            pos_ += op.size();
            return true;
        }
        long long orExpr() {
            long long v = andExpr();
            while (accept("||")) v = (andExpr() != 0) | (v != 0);
            return v;
        }
        long long andExpr() {
            long long v = compare();
            while (accept("&&")) v = (compare() != 0) & (v != 0);
            return v;
        }
        long long compare() {
            long long v = sum();
            for (;;) {
                if (accept("=="))
                    v = v == sum();
                else if (accept("!="))
                    v = v != sum();
                else if (accept("<="))
                    v = v <= sum();
                else if (accept(">="))
                    v = v >= sum();
                else if (accept("<"))
                    v = v < sum();
                else if (accept(">"))
                    v = v > sum();
                else
                    return v;
            }
        }
        long long sum() {
            long long v = product();
            for (;;) {
                if (accept("+"))
                    v = Wrap(v + product());
                else if (accept("-"))
                    v = Wrap(v - product());
                else
                    return v;
            }
        }
        long long product() {
            long long v = unary();
            for (;;) {
                if (accept("*"))
                    v = Wrap(v * unary());
                else if (accept("/") || accept("%")) {
                    const bool div = text_[pos_ - 1] == '/';
                    const long long d = unary();
                    if (d == 0) {
                        fail("division by zero");
                        return 0;
                    }
                    v = div ? v / d : v % d;
                } else
                    return v;
            }
        }
        static long long Wrap(long long v) { return std::clamp(v, -(1LL << 40), 1LL << 40); }
        long long unary() {
            if (++depth_ > 64) {
                fail("expression nested too deeply");
                return 0;
            }
            long long v;
            if (accept("-"))
                v = -unary();
            else if (accept("!"))
                v = unary() == 0;
            else if (accept("(")) {
                v = orExpr();
                if (!accept(")")) fail("missing )");
            } else
                v = primary();
            --depth_;
            return v;
        }
        long long primary() {
            skip();
            if (pos_ >= text_.size()) {
                fail("value missing");
                return 0;
            }
            const std::size_t start = pos_;
            if (IsDigitAscii(text_[pos_]) || text_[pos_] == '$' || text_[pos_] == '#') {
                while (pos_ < text_.size() &&
                       (IsIdentChar(text_[pos_]) || text_[pos_] == '$' || text_[pos_] == '#'))
                    ++pos_;
                std::int32_t value = 0;
                bool real = false;
                if (!ParseConstant(text_.substr(start, pos_ - start), value, real) || real) {
                    fail("not an integer: " + std::string(text_.substr(start, pos_ - start)));
                    return 0;
                }
                return value;
            }
            if (!IsIdentStart(text_[pos_])) {
                fail("unexpected '" + std::string(1, text_[pos_]) + "'");
                return 0;
            }
            while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
            const std::string name = UpperAscii(text_.substr(start, pos_ - start));
            if (name == "__OFFSET" || name == "__INDX" || name == "__SIZEOF" || name == "DEFINED") {
                if (!accept("(")) {
                    fail(name + " needs (");
                    return 0;
                }
                skip();
                const std::size_t argStart = pos_;
                while (pos_ < text_.size() && text_[pos_] != ')') ++pos_;
                const std::string arg(Trim(text_.substr(argStart, pos_ - argStart)));
                if (!accept(")")) {
                    fail("missing )");
                    return 0;
                }
                if (name == "DEFINED") return c_.isDefined(UpperAscii(arg));
                if (name == "__SIZEOF") {
                    if (const StructType* t = c_.symbols_.findStruct(arg)) return t->size;
                    if (const auto l = c_.locate(arg)) return l->size;
                    fail("unknown type or variable " + arg);
                    return 0;
                }
                if (const auto l = c_.locate(arg)) return l->offset;
                fail("unknown variable " + arg);
                return 0;
            }
            if (name == "_PLCTYPE_") return c_.options_.plcType;
            const auto d = c_.defines_.find(name);
            if (d != c_.defines_.end()) {
                std::int32_t value = 0;
                bool real = false;
                if (ParseConstant(Trim(d->second), value, real) && !real) return value;
                return d->second.empty() ? 1 : 0;
            }
            return 0;  // an unknown name counts 0, as in C
        }

        Compiler& c_;
        std::string_view text_;
        std::size_t pos_ = 0;
        int line_;
        int depth_ = 0;
    };

    long long evaluate(std::string_view text, int line) {
        Expression e(*this, text, line);
        return e.evaluate();
    }

    // ------------------------------------------------------------ statements
    void statement(std::string_view code, int number) {
        Line l;
        l.file = file_;
        l.line = number;
        // "name:" at the start is a label.
        std::size_t p = 0;
        while (p < code.size() && IsIdentChar(code[p])) ++p;
        if (p > 0 && p < code.size() && code[p] == ':' && IsIdentStart(code[0])) {
            l.label = std::string(code.substr(0, p));
            code = Trim(code.substr(p + 1));
        }
        if (!code.empty()) {
            const auto space = code.find_first_of(" \t");
            l.mnemonic = UpperAscii(code.substr(0, space));
            l.operand =
                space == std::string_view::npos ? std::string() : std::string(Trim(code.substr(space)));
        }
        // "P 0" opens a process, "E 0" closes it.
        if ((l.mnemonic == "P" || l.mnemonic == "E") && l.label.empty()) {
            std::int32_t n = -1;
            bool real = false;
            if (!ParseConstant(l.operand, n, real) || real ||
                (n != 0 && n != 41 && n != 60 && n != 62 && n != 63)) {
                error(number, "unknown process " + l.mnemonic + " " + l.operand);
                return;
            }
            if (l.mnemonic == "P") {
                if (process_ >= 0)
                    error(number, "P " + std::to_string(n) + " inside P " + std::to_string(process_));
                process_ = n;
            } else {
                if (process_ != n)
                    error(number,
                          "E " + std::to_string(n) + " does not close an open P " + std::to_string(n));
                process_ = -1;
            }
            return;
        }
        if (process_ < 0) {
            error(number, "instruction outside a process: " + std::string(code.empty() ? l.label : code));
            return;
        }
        bodies_[process_].lines.push_back(std::move(l));
    }

    // ------------------------------------------------------------ operands
    std::optional<Location> locate(const std::string& name) const { return symbols_.locate(name); }

    struct Operand {
        Source source = Source::None;
        std::int32_t value = 0;
        bool real = false;
        Access access = Access::I32;
        int area = 0;
        int bit = -1;
        int size = 0;
    };

    static std::optional<int> KeywordSize(const std::string& upper) {
        static const std::map<std::string, int> sizes = {
            {"BIT", 0},  {"BYTE", 1}, {"USINT", 1}, {"SINT", 1},  {"WORD", 2},  {"INT", 2}, {"UINT", 2},
            {"LONG", 4}, {"DINT", 4}, {"DWORD", 4}, {"UDINT", 4}, {"FLOAT", 4}, {"REAL", 4}};
        const auto f = sizes.find(upper);
        if (f == sizes.end()) return std::nullopt;
        return f->second;
    }

    std::optional<Operand> operand(const Line& l, std::string text, int depth = 0) {
        text = std::string(Trim(text));
        if (text.empty()) {
            errorAt(l, l.mnemonic + " needs an operand");
            return std::nullopt;
        }
        if (depth > 8) {
            errorAt(l, "#def of " + text + " refers to itself");
            return std::nullopt;
        }
        // A leading type keyword: "byte Boiler_Det_rem".
        std::optional<int> sizeOverride;
        bool realOverride = false;
        if (const auto space = text.find_first_of(" \t"); space != std::string::npos) {
            const std::string word = UpperAscii(text.substr(0, space));
            if (const auto size = KeywordSize(word)) {
                sizeOverride = size;
                realOverride = word == "FLOAT" || word == "REAL";
                text = std::string(Trim(std::string_view(text).substr(space)));
            }
        }
        const std::string upper = UpperAscii(text);
        if (upper.rfind("__INDX(", 0) == 0 || upper.rfind("__OFFSET(", 0) == 0) return offsetOperand(l, text);
        Operand o;
        if (ParseConstant(text, o.value, o.real)) {
            o.source = Source::Immediate;
            return o;
        }
        if (IsIdentStart(text[0])) {
            if (const auto d = defines_.find(upper); d != defines_.end() && !d->second.empty())
                return operand(l, d->second, depth + 1);
        }
        std::optional<Location> where;
        if (text[0] == '%')
            where = directAddress(text);
        else if (IsIdentStart(text[0]))
            where = locate(text);
        if (!where) {
            errorAt(l, "unknown operand " + text);
            return std::nullopt;
        }
        return memoryOperand(l, text, *where, sizeOverride, realOverride);
    }

    // "__indx(name)" and "__offset(name)": the variable's offset as a constant.
    std::optional<Operand> offsetOperand(const Line& l, const std::string& text) {
        const auto open = text.find('('), close = text.rfind(')');
        if (close == std::string::npos || close < open ||
            Trim(std::string_view(text).substr(close + 1)).size()) {
            errorAt(l, "missing ) in " + text);
            return std::nullopt;
        }
        const std::string name(Trim(std::string_view(text).substr(open + 1, close - open - 1)));
        const auto where = locate(name);
        if (!where) {
            errorAt(l, "unknown variable " + name);
            return std::nullopt;
        }
        Operand o;
        o.source = Source::Immediate;
        o.value = where->offset;
        return o;
    }

    // A direct address ("%R120", "%MW5"): one the machine can load.
    static std::optional<Location> directAddress(std::string text) {
        const auto a = plc::ParseOperand(text);
        if (!a || a->area < 0 || a->area >= kAreaCount || a->size > 4) return std::nullopt;
        Location loc;
        loc.area = a->area;
        loc.offset = a->offset;
        loc.bit = a->bit;
        loc.size = a->size;
        loc.type = {a->kind == 'F' ? "REAL" : "INT", a->size, a->kind == 'F'};
        return loc;
    }

    // A variable's access: its own size and type, or the keyword's before it.
    std::optional<Operand> memoryOperand(const Line& l, const std::string& text, const Location& where,
                                         std::optional<int> sizeOverride, bool realOverride) {
        Operand o;
        o.source = Source::Memory;
        o.area = where.area;
        o.value = where.offset;
        o.bit = where.bit;
        o.real = where.type.real;
        int size = where.bit >= 0 ? 0 : std::max(1, where.type.size);
        if (sizeOverride) {
            size = *sizeOverride;
            o.real = realOverride;
            if (size == 0 && o.bit < 0) o.bit = 0;
        }
        o.size = o.bit >= 0 ? 1 : size;
        if (o.bit >= 0)
            o.access = Access::Bit;
        else if (size == 1)
            o.access = Access::U8;
        else if (size == 2)
            o.access = where.type.isUnsigned && !sizeOverride ? Access::U16 : Access::S16;
        else if (size == 4)
            o.access = Access::I32;
        else {
            errorAt(l, "operand " + text + " is " + std::to_string(size) +
                           " bytes; only 1, 2 and 4 can be loaded");
            return std::nullopt;
        }
        if (o.area < 0 || o.area >= kAreaCount || o.value < 0 ||
            static_cast<std::int64_t>(o.value) + o.size > kAreaSize) {
            errorAt(l, "operand " + text + " lies outside its memory area");
            return std::nullopt;
        }
        return o;
    }

    // ------------------------------------------------------------ emitting
    void emit() {
        Program& p = out_.program;
        static constexpr int kOrder[] = {0, 41, 62, 63, 60};
        std::map<std::string, std::int32_t> subroutineLabels;
        struct Fixup {
            std::size_t index;
            std::string label;
            int process;
            Line line;
        };
        std::vector<Fixup> fixups;
        std::map<int, std::map<std::string, std::int32_t>> labels;
        std::map<int, std::pair<std::int32_t, std::int32_t>> ranges;
        for (int number : kOrder) {
            const auto found = bodies_.find(number);
            if (found == bodies_.end()) continue;
            const std::int32_t start = static_cast<std::int32_t>(p.code.size());
            auto& own = labels[number];
            for (const Line& l : found->second.lines) {
                if (!l.label.empty()) {
                    const std::string key = UpperAscii(l.label);
                    if (own.count(key) || subroutineLabels.count(key))
                        errorAt(l, "label " + l.label + " defined twice");
                    own[key] = static_cast<std::int32_t>(p.code.size());
                    if (number == 60) subroutineLabels[key] = static_cast<std::int32_t>(p.code.size());
                }
                if (l.mnemonic.empty()) continue;
                std::optional<Instr> ins = instruction(l);
                if (!ins) continue;
                if (ins->op == Op::Jmp || ins->op == Op::Jmc || ins->op == Op::Jmd || ins->op == Op::Cal ||
                    ins->op == Op::Cad)
                    fixups.push_back({p.code.size(), l.operand, number, l});
                p.code.push_back(*ins);
                p.where.push_back({l.file, l.line});
                ++p.sourceInstructions;
            }
            // A process ends its scan; a subroutine that runs off the end returns.
            Instr last;
            last.op = number == 60 ? Op::Ret : Op::End;
            p.code.push_back(last);
            const Line& tail = found->second.lines.empty() ? Line{} : found->second.lines.back();
            p.where.push_back({tail.file, tail.line});
            ranges[number] = {start, static_cast<std::int32_t>(p.code.size())};
            if (number != 60) {
                for (int slot = 0; slot < kProcessSlots; ++slot)
                    if (ProcessNumber(static_cast<Process>(slot)) == number) p.entry[slot] = start;
            }
        }
        for (const Fixup& f : fixups) {
            Instr& ins = p.code[f.index];
            const std::string key = UpperAscii(Trim(f.label));
            const bool call = ins.op == Op::Cal || ins.op == Op::Cad;
            if (call) {
                const auto target = subroutineLabels.find(key);
                if (target == subroutineLabels.end()) {
                    errorAt(f.line, "CAL to " + f.label + ": no such label in P 60");
                    continue;
                }
                ins.value = target->second;
            } else {
                const auto& own = labels[f.process];
                const auto target = own.find(key);
                if (target == own.end()) {
                    errorAt(f.line,
                            "jump to " + f.label + ": no such label in P " + std::to_string(f.process));
                    continue;
                }
                ins.value = target->second;
            }
        }
        subroutineRange_ = ranges.count(60) ? ranges[60] : std::pair<std::int32_t, std::int32_t>{0, 0};
    }

    std::optional<Instr> instruction(const Line& l) {
        std::string mnemonic = l.mnemonic;
        std::string operandText = l.operand;
        // A #def may stand for an instruction: "#def CRC usi u_crc".
        for (int depth = 0; depth < 4; ++depth) {
            const auto d = defines_.find(mnemonic);
            if (d == defines_.end() || d->second.empty()) break;
            const std::string_view expansion = Trim(d->second);
            const auto space = expansion.find_first_of(" \t");
            mnemonic = UpperAscii(expansion.substr(0, space));
            const std::string more =
                space == std::string_view::npos ? std::string() : std::string(Trim(expansion.substr(space)));
            operandText =
                more.empty() ? operandText : (operandText.empty() ? more : more + " " + operandText);
        }
        const Mnemonic* found = FindMnemonic(mnemonic);
        if (!found) {
            errorAt(l, "unknown instruction " + l.mnemonic);
            return std::nullopt;
        }
        Instr ins;
        ins.op = found->op;
        const OperandRule rule = found->rule;
        if (rule == OperandRule::None && !operandText.empty()) {
            errorAt(l, mnemonic + " takes no operand");
            return std::nullopt;
        }
        if ((rule == OperandRule::Required || rule == OperandRule::Label || rule == OperandRule::Name) &&
            operandText.empty()) {
            errorAt(l, mnemonic + " needs an operand");
            return std::nullopt;
        }
        if (rule == OperandRule::Label) return ins;  // resolved after all labels are known
        if (rule == OperandRule::Name) {
            const auto u = usi_.find(UpperAscii(operandText));
            if (u == usi_.end()) {
                errorAt(l, "USI " + operandText + ": no #usi declares it");
                return std::nullopt;
            }
            ins.op = u->second;
            return ins;
        }
        if (operandText.empty()) {
            if (ins.op == Op::Ror || ins.op == Op::Rol) {
                ins.source = Source::Immediate;
                ins.value = 1;
            }
            if (ins.op == Op::Cnv && !cnvFlags(ins)) {
                errorAt(l, "CNV: its flag word must be loaded as a constant just before it");
                return std::nullopt;
            }
            return ins;
        }
        const auto o = operand(l, operandText);
        if (!o) return std::nullopt;
        ins.source = o->source;
        ins.value = o->value;
        ins.access = o->access;
        ins.area = static_cast<std::uint8_t>(o->area);
        ins.bit = static_cast<std::int8_t>(o->bit);
        ins.real = o->real ? 1 : 0;
        const bool memoryOnly = ins.op == Op::Wr || ins.op == Op::Wrc || ins.op == Op::Put ||
                                ins.op == Op::Src || ins.op == Op::Mov;
        if (memoryOnly && o->source != Source::Memory) {
            errorAt(l, mnemonic + " needs a variable, not " + operandText);
            return std::nullopt;
        }
        if (memoryOnly) ins.source = Source::Target;
        if ((ins.op == Op::Ror || ins.op == Op::Rol) && o->source != Source::Immediate) {
            errorAt(l, mnemonic + " takes a constant count");
            return std::nullopt;
        }
        if (ins.op == Op::Src) ins.extra = std::max(o->size, 1);
        return ins;
    }

    // CNV reads a variable number of cells: its flag word must be a constant
    // pushed by an LD at a known place, so the count is known here.
    bool cnvFlags(Instr& cnv) {
        const Program& p = out_.program;
        int slot = 2;  // cells above the flag word: mode, value
        for (std::size_t i = p.code.size(); i-- > 0;) {
            const Instr& prev = p.code[i];
            if (prev.op == Op::End || prev.op == Op::Ret || prev.op == Op::Jmp || prev.op == Op::Cal ||
                prev.op == Op::Cad || prev.op == Op::Jmc || prev.op == Op::Jmd || prev.op == Op::Cnv)
                return false;
            const StackEffect e = EffectOf(prev);
            if (slot < e.push) {
                if (prev.op != Op::Ld || prev.source != Source::Immediate || prev.real) return false;
                cnv.extra = prev.value;
                return true;
            }
            slot = slot - e.push + e.pop;
            if (slot > kStackCells) return false;
        }
        return false;
    }

    // ------------------------------------------------------------ stack check
    struct Summary {
        int need = 0;  // cells below the entry it reads
        int netLo = 0, netHi = 0;
        int peak = 0;   // deepest cell above the entry
        int calls = 0;  // CAL nesting below it
        bool returns = false;
    };

    // The stack depths that reach each instruction on one walk through a
    // process or subroutine. A walk per nesting level, reused from one
    // subroutine to the next: `stamp` tells this walk's entries from stale ones.
    struct Walk {
        std::vector<int> lo, hi;
        std::vector<std::uint32_t> stamp;
        std::uint32_t generation = 0;
        std::vector<std::int32_t> work;
    };

    void check() {
        Program& p = out_.program;
        walks_.resize(kCallDepth + 1);  // never more: deeper nesting is refused before it is walked
        for (int slot = 0; slot < kProcessSlots; ++slot) {
            if (p.entry[slot] < 0) continue;
            Summary s;
            if (!analyse(p.entry[slot], true, s)) return;
            p.maxStack = std::max(p.maxStack, s.peak);
            p.maxCalls = std::max(p.maxCalls, s.calls);
        }
    }

    bool failAt(std::int32_t at, const std::string& why) {
        const SourcePosition& w = out_.program.where[static_cast<std::size_t>(at)];
        report(Diagnostic::Severity::Error, w.file, w.line, why);
        return false;
    }

    Walk& startWalk(std::int32_t entry) {
        Walk& w = walks_[inProgress_.size()];
        const std::size_t n = out_.program.code.size();
        if (w.stamp.size() != n) {
            w.lo.assign(n, 0);
            w.hi.assign(n, 0);
            w.stamp.assign(n, 0);
        }
        ++w.generation;
        w.work.clear();
        Reach(w, entry, 0, 0);
        return w;
    }

    static void Reach(Walk& w, std::int32_t to, int l, int h) {
        if (to < 0 || static_cast<std::size_t>(to) >= w.stamp.size()) return;
        const auto t = static_cast<std::size_t>(to);
        if (w.stamp[t] != w.generation) {
            w.stamp[t] = w.generation;
            w.lo[t] = l;
            w.hi[t] = h;
        } else if (l < w.lo[t] || h > w.hi[t]) {
            w.lo[t] = std::min(w.lo[t], l);
            w.hi[t] = std::max(w.hi[t], h);
        } else {
            return;
        }
        w.work.push_back(to);
    }

    bool analyse(std::int32_t entry, bool process, Summary& summary) {
        Walk& w = startWalk(entry);
        while (!w.work.empty()) {
            const std::int32_t i = w.work.back();
            w.work.pop_back();
            const Instr& ins = out_.program.code[static_cast<std::size_t>(i)];
            const int l = w.lo[static_cast<std::size_t>(i)], h = w.hi[static_cast<std::size_t>(i)];
            if (ins.op == Op::End) {
                if (!process) return failAt(i, "a subroutine runs into the end of a process");
            } else if (ins.op == Op::Ret) {
                if (process) return failAt(i, "RET outside a subroutine");
                summary.netLo = summary.returns ? std::min(summary.netLo, l) : l;
                summary.netHi = summary.returns ? std::max(summary.netHi, h) : h;
                summary.returns = true;
            } else if (ins.op == Op::Cal || ins.op == Op::Cad) {
                if (!call(w, i, process, summary)) return false;
            } else if (!step(w, i, process, summary)) {
                return false;
            }
        }
        return true;
    }

    // An instruction other than a call: its cells, then where the flow goes on.
    bool step(Walk& w, std::int32_t i, bool process, Summary& summary) {
        const Instr& ins = out_.program.code[static_cast<std::size_t>(i)];
        const int l = w.lo[static_cast<std::size_t>(i)], h = w.hi[static_cast<std::size_t>(i)];
        const StackEffect e = EffectOf(ins);
        if (!needs(i, e.need, l, process, summary)) return false;
        const int nl = l - e.pop + e.push, nh = h - e.pop + e.push;
        summary.peak = std::max(summary.peak, nh);
        if (summary.peak > kStackCells)
            return failAt(i, "stack overflow: more than " + std::to_string(kStackCells) + " values");
        if (ins.op == Op::Jmp || ins.op == Op::Jmc || ins.op == Op::Jmd) Reach(w, ins.value, nl, nh);
        if (ins.op != Op::Jmp) Reach(w, i + 1, nl, nh);
        return true;
    }

    // A CAL or CAD: the subroutine's summary (the nesting is checked before
    // it is walked), then the cells it needs and leaves.
    bool call(Walk& w, std::int32_t i, bool process, Summary& summary) {
        const Instr& ins = out_.program.code[static_cast<std::size_t>(i)];
        const std::string tooDeep = "CAL nesting deeper than " + std::to_string(kCallDepth) + " levels";
        if (inProgress_.size() >= static_cast<std::size_t>(kCallDepth)) return failAt(i, tooDeep);
        Summary callee;
        if (!subroutine(ins.value, callee)) return false;
        summary.calls = std::max(summary.calls, callee.calls + 1);
        if (summary.calls > kCallDepth) return failAt(i, tooDeep);
        const bool cad = ins.op == Op::Cad;
        const int l = w.lo[static_cast<std::size_t>(i)], h = w.hi[static_cast<std::size_t>(i)];
        const StackEffect e = EffectOf(ins);
        if (!needs(i, std::max(e.need, callee.need + (cad ? 1 : 0)), l, process, summary)) return false;
        const int base = cad ? h - 1 : h;
        summary.peak = std::max({summary.peak, h - e.pop + e.push, base + callee.peak});
        if (callee.returns) summary.peak = std::max(summary.peak, base + callee.netHi);
        if (summary.peak > kStackCells)
            return failAt(i, "stack overflow: more than " + std::to_string(kStackCells) + " values");
        if (cad) {  // pops its condition; the call may not happen
            Reach(w, i + 1, callee.returns ? std::min(l - 1, l - 1 + callee.netLo) : l - 1,
                  callee.returns ? std::max(h - 1, h - 1 + callee.netHi) : h - 1);
        } else if (callee.returns) {
            Reach(w, i + 1, l + callee.netLo, h + callee.netHi);
        }
        return true;
    }

    // In a process a missing cell is an error; a subroutine records what it
    // reads from its caller's stack.
    bool needs(std::int32_t i, int need, int l, bool process, Summary& summary) {
        if (l >= need) return true;
        if (process)
            return failAt(i, "stack underflow: the instruction needs " + std::to_string(need) +
                                 " values, the stack may hold " + std::to_string(std::max(l, 0)));
        summary.need = std::max(summary.need, need - l);
        if (summary.need > kStackCells) return failAt(i, "stack underflow in a subroutine");
        return true;
    }

    bool subroutine(std::int32_t entry, Summary& out) {
        if (const auto done = summaries_.find(entry); done != summaries_.end()) {
            out = done->second;
            return true;
        }
        if (!inProgress_.insert(entry).second)
            return failAt(entry, "recursive CAL: the subroutine calls itself");
        Summary s;
        const bool ok = analyse(entry, false, s);
        inProgress_.erase(entry);
        if (!ok) return false;
        // RET drops what the subroutine left above the depth it was called at.
        s.netLo = std::min(s.netLo, 0);
        s.netHi = std::min(s.netHi, 0);
        summaries_[entry] = s;
        out = s;
        return true;
    }

    const SymbolTable& symbols_;
    const CompileOptions& options_;
    CompileOutput& out_;
    int file_ = 0;
    int errors_ = 0;
    int process_ = -1;
    bool declarationContinues_ = false;
    bool inStruct_ = false;
    std::vector<Condition> conditions_;
    std::map<std::string, std::string> defines_;
    std::map<std::string, Op> usi_;
    std::map<int, ProcessBody> bodies_;
    std::pair<std::int32_t, std::int32_t> subroutineRange_{0, 0};
    std::map<std::int32_t, Summary> summaries_;
    std::set<std::int32_t> inProgress_;
    std::vector<Walk> walks_;
};

}  // namespace

bool ParseConstant(std::string_view text, std::int32_t& value, bool& real) {
    text = Trim(text);
    real = false;
    if (text.empty()) return false;
    bool negative = false;
    std::string_view digits = text;
    if (digits.front() == '-' || digits.front() == '+') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    int base = 10;
    if (!digits.empty() && digits.front() == '$') {
        base = 16;
        digits.remove_prefix(1);
    } else if (digits.size() > 3 && digits.compare(0, 3, "#2#") == 0) {
        base = 2;
        digits.remove_prefix(3);
    } else if (const auto hash = digits.find('#'); hash != std::string_view::npos && hash > 0 && hash <= 2) {
        const std::string_view b = digits.substr(0, hash);
        if (b == "2")
            base = 2;
        else if (b == "8")
            base = 8;
        else if (b == "16")
            base = 16;
        else
            return false;
        digits.remove_prefix(hash + 1);
    }
    if (digits.empty()) return false;
    if (base == 10 && (digits.find('.') != std::string_view::npos ||
                       digits.find_first_of("eE") != std::string_view::npos)) {
        if (!IsDigitAscii(digits.front())) return false;
        std::size_t i = 0;
        bool dot = false, exp = false;
        for (; i < digits.size(); ++i) {
            const char c = digits[i];
            if (IsDigitAscii(c)) continue;
            if (c == '.' && !dot && !exp)
                dot = true;
            else if ((c == 'e' || c == 'E') && !exp && i + 1 < digits.size()) {
                exp = true;
                if (digits[i + 1] == '-' || digits[i + 1] == '+') ++i;
            } else
                return false;
        }
        const std::string s(digits);
        float f = std::strtof(s.c_str(), nullptr);
        if (negative) f = -f;
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        value = static_cast<std::int32_t>(bits);
        real = true;
        return true;
    }
    std::uint64_t v = 0;
    for (char c : digits) {
        if (c == '_') continue;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (d >= base) return false;
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(negative ? (0 - v) : v));
    return true;
}

CompileOutput CompileProgram(const std::vector<SourceFile>& files, const SymbolTable& symbols,
                             const CompileOptions& options) {
    CompileOutput out;
    Compiler(symbols, options, out).run(files);
    return out;
}

}  // namespace velmora::softplc
