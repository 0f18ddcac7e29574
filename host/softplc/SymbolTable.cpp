#include "softplc/SymbolTable.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/OperandParser.h"
#include "base/Strings.h"
#include "softplc/IlCompiler.h"

namespace velmora::softplc {

namespace {

bool IsIdentStart(char c) {
    return IsAlphaAscii(c) || c == '_';
}
bool IsIdentChar(char c) {
    return IsAlnumAscii(c) || c == '_';
}

// Scalar types of both dialects.
std::optional<TypeInfo> ScalarType(const std::string& upper) {
    static const std::map<std::string, TypeInfo> kTypes = {
        {"BOOL", {"BOOL", 1, false}},        {"BIT", {"BOOL", 1, false}},
        {"BYTE", {"BYTE", 1, false, true}},  {"SINT", {"BYTE", 1, false, true}},
        {"USINT", {"BYTE", 1, false, true}}, {"USI", {"BYTE", 1, false, true}},
        {"WORD", {"INT", 2, false, true}},   {"INT", {"INT", 2, false}},
        {"UINT", {"INT", 2, false, true}},   {"DWORD", {"DINT", 4, false, true}},
        {"DINT", {"DINT", 4, false}},        {"UDINT", {"DINT", 4, false, true}},
        {"LONG", {"DINT", 4, false}},        {"REAL", {"REAL", 4, true}},
        {"FLOAT", {"REAL", 4, true}},        {"LREAL", {"LREAL", 8, true}},
        {"DOUBLE", {"LREAL", 8, true}},      {"LINT", {"LINT", 8, false}},
        {"ULINT", {"LINT", 8, false}},       {"LWORD", {"LINT", 8, false}},
    };
    const auto found = kTypes.find(upper);
    if (found == kTypes.end()) return std::nullopt;
    return found->second;
}

// Element counts and sizes beyond the register area are cut to one byte past
// it, so that no sum of them overflows and placing them fails.
constexpr long long kTooLarge = kAreaSize + 1;

// A decimal number of the declarations, cut at kTooLarge.
long long Count(std::string_view digits) {
    long long count = 0;
    for (char c : digits) {
        if (!IsDigitAscii(c)) break;
        count = std::min(count * 10 + (c - '0'), kTooLarge);
    }
    return count;
}

// "name[23]" -> name, 23.
std::pair<std::string, int> SplitArray(std::string_view token) {
    const auto open = token.find('[');
    if (open == std::string_view::npos) return {std::string(token), 1};
    const long long count = Count(token.substr(open + 1));
    return {std::string(Trim(token.substr(0, open))), static_cast<int>(std::max(count, 1LL))};
}

// ---------------------------------------------------------------- IEC text

struct Token {
    enum class Kind { Ident, Number, Address, Symbol, End } kind = Kind::End;
    std::string text;
    int line = 0;
};

class IecTokens {
public:
    IecTokens(std::string_view text, std::map<std::string, bool>& defines) : text_(text), defines_(defines) {
        advance();
    }
    const Token& peek() const { return current_; }
    Token next() {
        Token t = current_;
        advance();
        return t;
    }
    bool accept(std::string_view symbolOrKeyword) {
        if ((current_.kind == Token::Kind::Symbol && current_.text == symbolOrKeyword) ||
            (current_.kind == Token::Kind::Ident && UpperAscii(current_.text) == symbolOrKeyword)) {
            advance();
            return true;
        }
        return false;
    }
    bool atKeyword(std::string_view keyword) const {
        return current_.kind == Token::Kind::Ident && UpperAscii(current_.text) == keyword;
    }

private:
    bool active() const { return untaken_ == 0; }
    void push(bool taken) {
        conditions_.push_back(taken);
        untaken_ += taken ? 0 : 1;
    }
    void directive(std::string_view body) {
        body = Trim(body);
        const auto space = body.find_first_of(" \t");
        const std::string word = UpperAscii(body.substr(0, space));
        const std::string arg =
            space == std::string_view::npos ? std::string() : UpperAscii(Trim(body.substr(space)));
        if (word == "IFNDEF") {
            push(!defines_.count(arg));
        } else if (word == "IFDEF") {
            push(defines_.count(arg) > 0);
        } else if (word == "ELSE") {
            if (!conditions_.empty()) {
                untaken_ += conditions_.back() ? 1 : -1;
                conditions_.back() = !conditions_.back();
            }
        } else if (word == "END_IF" || word == "ENDIF") {
            if (!conditions_.empty()) {
                untaken_ -= conditions_.back() ? 0 : 1;
                conditions_.pop_back();
            }
        } else if (word == "DEFINE" && active()) {
            defines_[arg] = true;
        }
    }
    void advance() {
        for (;;) {
            scan();
            if (current_.kind == Token::Kind::End || active()) return;
        }
    }
    // Lines are counted as the scan goes: positions only grow.
    int lineAt(std::size_t pos) {
        for (; counted_ < pos && counted_ < text_.size(); ++counted_)
            if (text_[counted_] == '\n') ++line_;
        return line_;
    }
    void scan() {
        scanToken();
        current_.line = lineAt(pos_ - (current_.kind == Token::Kind::End ? 0 : current_.text.size()));
    }
    void scanToken() {
        for (;;) {
            while (pos_ < text_.size() && IsSpaceAscii(text_[pos_])) ++pos_;
            if (pos_ >= text_.size()) {
                current_ = {Token::Kind::End, {}};
                return;
            }
            if (text_.compare(pos_, 2, "//") == 0) {
                pos_ = text_.find('\n', pos_);
                if (pos_ == std::string_view::npos) pos_ = text_.size();
                continue;
            }
            if (text_.compare(pos_, 2, "(*") == 0) {
                const auto close = text_.find("*)", pos_ + 2);
                pos_ = close == std::string_view::npos ? text_.size() : close + 2;
                continue;
            }
            if (text_[pos_] == '{') {
                const auto close = text_.find('}', pos_);
                const auto end = close == std::string_view::npos ? text_.size() : close;
                const std::string_view body = text_.substr(pos_ + 1, end - pos_ - 1);
                if (!body.empty() && body.front() == '$') directive(body.substr(1));
                pos_ = end == text_.size() ? end : end + 1;
                continue;
            }
            break;
        }
        const char c = text_[pos_];
        const std::size_t start = pos_;
        if (IsIdentStart(c)) {
            while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
            current_ = {Token::Kind::Ident, std::string(text_.substr(start, pos_ - start))};
        } else if (IsDigitAscii(c)) {
            while (pos_ < text_.size() && IsDigitAscii(text_[pos_])) ++pos_;
            current_ = {Token::Kind::Number, std::string(text_.substr(start, pos_ - start))};
        } else if (c == '%') {
            ++pos_;
            while (pos_ < text_.size() && (IsIdentChar(text_[pos_]) || text_[pos_] == '.')) ++pos_;
            current_ = {Token::Kind::Address, std::string(text_.substr(start, pos_ - start))};
        } else if (text_.compare(pos_, 2, "..") == 0 || text_.compare(pos_, 2, ":=") == 0) {
            pos_ += 2;
            current_ = {Token::Kind::Symbol, std::string(text_.substr(start, 2))};
        } else {
            ++pos_;
            current_ = {Token::Kind::Symbol, std::string(1, c)};
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    Token current_;
    std::vector<bool> conditions_;  // whether each open {$IF...} takes its branch
    int untaken_ = 0;               // how many of them do not
    std::map<std::string, bool>& defines_;
    std::size_t counted_ = 0;
    int line_ = 1;
};

// Skips to just behind the next ";" (or to an END_ keyword, which stays).
void SkipStatement(IecTokens& t) {
    while (t.peek().kind != Token::Kind::End) {
        if (t.accept(";")) return;
        if (t.peek().kind == Token::Kind::Ident && UpperAscii(t.peek().text).rfind("END_", 0) == 0) return;
        t.next();
    }
}

struct TypeSpec {
    std::string name;
    int count = 1;
};

std::optional<TypeSpec> ParseTypeSpec(IecTokens& t) {
    if (t.accept("ARRAY")) {
        if (!t.accept("[")) return std::nullopt;
        const Token low = t.next();
        if (!t.accept("..")) return std::nullopt;
        const Token high = t.next();
        if (!t.accept("]") || !t.accept("OF")) return std::nullopt;
        const Token element = t.next();
        if (low.kind != Token::Kind::Number || high.kind != Token::Kind::Number ||
            element.kind != Token::Kind::Ident)
            return std::nullopt;
        const long long count = Count(high.text) - Count(low.text) + 1;
        if (count <= 0 || count > kAreaSize) return std::nullopt;
        return TypeSpec{element.text, static_cast<int>(count)};
    }
    const Token name = t.next();
    if (name.kind != Token::Kind::Ident) return std::nullopt;
    return TypeSpec{name.text, 1};
}

std::vector<std::string> ParseIdentList(IecTokens& t) {
    std::vector<std::string> names;
    while (t.peek().kind == Token::Kind::Ident) {
        names.push_back(t.next().text);
        if (!t.accept(",")) break;
    }
    return names;
}

// A dotted path after AT: "name_struct.Det".
std::string ParsePath(IecTokens& t) {
    std::string path = t.next().text;
    while (t.accept(".")) path += "." + t.next().text;
    return path;
}

}  // namespace

// ---------------------------------------------------------------- table

void SymbolTable::clear() {
    *this = SymbolTable();
}

void SymbolTable::problem(const std::string& file, int line, const std::string& text) {
    problems_.push_back(file.empty() ? text
                                     : Diagnostic{file, line, Diagnostic::Severity::Warning, text}.format());
}

void SymbolTable::addStruct(StructType type) {
    // Every controller file defines the same types behind a guard; the first one counts.
    const std::string key = UpperAscii(type.name);
    defines_[key] = true;
    structs_.emplace(key, std::move(type));
}

void SymbolTable::addDeclaration(Declaration declaration) {
    declarations_.push_back(std::move(declaration));
}

void SymbolTable::addAlias(const std::string& name, const std::string& target) {
    aliases_.emplace(UpperAscii(name), target);
    defines_[UpperAscii(name)] = true;
}

void SymbolTable::addVariable(const std::string& name, const std::string& addressText,
                              const std::string& file, int line) {
    Declaration d;
    d.name = name;
    d.placedArea = addressText;
    d.file = file;
    d.line = line;
    declarations_.push_back(std::move(d));
}

std::optional<TypeInfo> SymbolTable::typeOf(const std::string& name) const {
    const std::string upper = UpperAscii(name);
    if (auto scalar = ScalarType(upper)) return scalar;
    const auto found = structs_.find(upper);
    if (found == structs_.end()) return std::nullopt;
    return TypeInfo{found->second.name, found->second.size, false};
}

const StructType* SymbolTable::findStruct(const std::string& name) const {
    const auto found = structs_.find(UpperAscii(name));
    return found == structs_.end() ? nullptr : &found->second;
}

namespace {

// Lays members out without gaps; a structure of BOOLs only is a bit structure.
StructType LayOut(const std::string& name, std::vector<Member> members) {
    StructType type{name, 0, {}};
    const bool bits = !members.empty() && std::all_of(members.begin(), members.end(),
                                                      [](const Member& m) { return m.type.name == "BOOL"; });
    long long offset = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        Member m = members[i];
        if (bits) {
            m.offset = static_cast<int>(i / 8);
            m.bit = static_cast<int>(i % 8);
        } else {
            m.offset = static_cast<int>(offset);
            offset = std::min(offset + static_cast<long long>(m.type.size) * m.count, kTooLarge);
        }
        type.members.push_back(std::move(m));
    }
    type.size = static_cast<int>(bits ? std::min<long long>((members.size() + 7) / 8, kTooLarge) : offset);
    return type;
}

}  // namespace

void SymbolTable::addIecDeclarations(std::string_view text, const std::string& file) {
    IecTokens t(text, defines_);
    while (t.peek().kind != Token::Kind::End) {
        if (t.accept("TYPE")) {
            while (t.peek().kind == Token::Kind::Ident && !t.atKeyword("END_TYPE")) {
                const int line = t.peek().line;
                const std::string typeName = t.next().text;
                if (!t.accept(":") || !t.accept("STRUCT")) {
                    problem(file, line, "TYPE " + typeName + ": only structures are understood");
                    SkipStatement(t);
                    continue;
                }
                std::vector<Member> members;
                while (t.peek().kind == Token::Kind::Ident && !t.atKeyword("END_STRUCT")) {
                    const int memberLine = t.peek().line;
                    const auto names = ParseIdentList(t);
                    std::optional<TypeSpec> typeSpec;
                    if (t.accept(":")) typeSpec = ParseTypeSpec(t);
                    const auto type = typeSpec ? typeOf(typeSpec->name) : std::nullopt;
                    if (!type) {
                        problem(file, memberLine, "STRUCT " + typeName + ": member type not understood");
                        SkipStatement(t);
                        continue;
                    }
                    for (const auto& n : names) members.push_back({n, 0, -1, typeSpec->count, *type});
                    SkipStatement(t);
                }
                t.accept("END_STRUCT");
                t.accept(";");
                addStruct(LayOut(typeName, std::move(members)));
            }
            t.accept("END_TYPE");
            continue;
        }
        if (t.accept("VAR_GLOBAL")) {
            const bool constants = t.accept("CONSTANT");
            const bool retained = t.accept("RETAIN");
            while (t.peek().kind == Token::Kind::Ident && !t.atKeyword("END_VAR")) {
                const int line = t.peek().line;
                const auto names = ParseIdentList(t);
                std::optional<int> placed;
                if (t.accept("AT")) {
                    if (t.peek().kind == Token::Kind::Ident) {
                        // An alias: the name stands for a member of another variable.
                        const std::string target = ParsePath(t);
                        for (const auto& n : names) addAlias(n, target);
                        SkipStatement(t);
                        continue;
                    }
                    const Token address = t.next();
                    const auto parsed = plc::ParseOperand(address.text);
                    if (!parsed || parsed->area != kRegisterArea) {
                        problem(file, line, "AT " + address.text + ": not a register address");
                    } else {
                        placed = parsed->offset;
                    }
                }
                std::optional<TypeSpec> typeSpec;
                if (t.accept(":")) typeSpec = ParseTypeSpec(t);
                if (!typeSpec) {
                    problem(file, line, "VAR_GLOBAL: declaration not understood");
                } else if (!constants) {
                    for (std::size_t i = 0; i < names.size(); ++i) {
                        Declaration d;
                        d.name = names[i];
                        d.typeName = typeSpec->name;
                        d.count = typeSpec->count;
                        d.retained = retained;
                        d.file = file;
                        d.line = line;
                        if (placed && i == 0) d.placed = placed;
                        addDeclaration(std::move(d));
                    }
                }
                SkipStatement(t);
            }
            t.accept("END_VAR");
            continue;
        }
        t.next();
    }
}

// The mnemonic dialect's declarations, line by line: #reg and #rem lists
// (with their continuation lines), #struct members, #def and the #if family.
class MnemonicReader {
public:
    MnemonicReader(SymbolTable& table, const std::string& file) : t_(table), file_(file) {}

    void read(std::string_view text) {
        std::size_t pos = 0;
        while (pos <= text.size()) {
            auto eol = text.find('\n', pos);
            if (eol == std::string_view::npos) eol = text.size();
            std::string_view raw = text.substr(pos, eol - pos);
            pos = eol + 1;
            ++line_;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            const std::string_view trimmed = Trim(raw);
            if (trimmed.empty()) continue;
            if (trimmed.front() == '#')
                directive(trimmed.substr(1));
            else if (active())
                statement(trimmed);
        }
        endStruct();
    }

private:
    enum class Context { None, Struct, Registers };

    bool active() const { return untaken_ == 0; }
    void push(bool taken) {
        conditions_.push_back(taken);
        untaken_ += taken ? 0 : 1;
    }

    // #ifdef, #ifndef, #if, #else, #endif; false for any other directive.
    bool condition(const std::string& word, std::string_view rest) {
        if (word == "IFNDEF" || word == "IFDEF") {
            const bool defined = t_.defines_.count(UpperAscii(Trim(rest.substr(0, rest.find(';'))))) > 0;
            push(word == "IFNDEF" ? !defined : defined);
        } else if (word == "IF") {
            push(false);  // expressions are checks for the PLC compiler (sizes, PLC type): never taken here
        } else if (word == "ELSE") {
            if (conditions_.empty()) return true;
            untaken_ += conditions_.back() ? 1 : -1;
            conditions_.back() = !conditions_.back();
        } else if (word == "ENDIF" || word == "END_IF") {
            endStruct();
            if (conditions_.empty()) return true;
            untaken_ -= conditions_.back() ? 0 : 1;
            conditions_.pop_back();
        } else {
            return false;
        }
        return true;
    }

    void directive(std::string_view body) {
        const auto split = body.find_first_of(" \t");
        const std::string word = UpperAscii(body.substr(0, split));
        const std::string_view rest =
            split == std::string_view::npos ? std::string_view() : body.substr(split);
        if (condition(word, rest) || !active()) return;
        endStruct();
        const std::string_view withoutComment = rest.substr(0, rest.find(';'));
        const auto tokens = SplitTokens(withoutComment);
        if (tokens.empty()) return;
        if (word == "STRUCT") {
            context_ = Context::Struct;
            structName_ = tokens[0];
        } else if (word == "REG" || word == "REM") {
            std::size_t at = 0;
            registerAligned_ = UpperAscii(tokens[0]) == "ALIGNED";
            registerRetained_ = word == "REM";
            registerContinues_ = Trim(withoutComment).ends_with(',');
            if (registerAligned_) ++at;
            if (at >= tokens.size()) return;
            registerType_ = tokens[at++];
            context_ = Context::Registers;
            declareNames(tokens, at);
        } else if (word == "DEF") {
            if (tokens.size() >= 2 && IsIdentStart(tokens[1][0]))
                t_.addAlias(tokens[0], tokens[1]);
            else
                t_.defines_[UpperAscii(tokens[0])] = true;
        }
    }

    // A line that is no directive: a #struct member, or names continuing a register list.
    void statement(std::string_view trimmed) {
        const std::string_view code = trimmed.substr(0, trimmed.find(';'));
        const auto tokens = SplitTokens(code);
        if (tokens.empty()) return;
        if (context_ == Context::Struct) {
            if (tokens.size() < 2) return;
            const auto type = t_.typeOf(tokens[0]);
            if (!type) {
                t_.problem(file_, line_,
                           "#struct " + structName_ + ": member type not understood: " + tokens[0]);
                return;
            }
            auto [name, count] = SplitArray(tokens[1]);
            structMembers_.push_back({name, 0, -1, count, *type});
        } else if (context_ == Context::Registers && registerContinues_) {
            // Only a line ending with "," continues a register list; code follows otherwise.
            registerContinues_ = Trim(code).ends_with(',');
            declareNames(tokens, 0);
        }
    }

    void endStruct() {
        if (context_ == Context::Struct && !structName_.empty())
            t_.addStruct(LayOut(structName_, std::move(structMembers_)));
        structMembers_.clear();
        structName_.clear();
        context_ = Context::None;
    }

    void declareNames(const std::vector<std::string>& tokens, std::size_t from) {
        std::string overlay;
        for (std::size_t i = from; i < tokens.size(); ++i) {
            const std::string& token = tokens[i];
            if (token.rfind("__indx(", 0) == 0 || token.rfind("__INDX(", 0) == 0) {
                const auto close = token.find(')');
                overlay = token.substr(7, close == std::string::npos ? std::string::npos : close - 7);
                continue;
            }
            if (!IsIdentStart(token[0])) {
                t_.problem(file_, line_, "#reg: name not understood: " + token);
                continue;
            }
            auto [name, count] = SplitArray(token);
            SymbolTable::Declaration d;
            d.name = name;
            d.typeName = registerType_;
            d.count = count;
            d.overlayOf = overlay;
            d.aligned = registerAligned_;
            d.retained = registerRetained_;
            d.file = file_;
            d.line = line_;
            registerAligned_ = false;
            t_.addDeclaration(std::move(d));
        }
    }

    static std::vector<std::string> SplitTokens(std::string_view line) {
        std::vector<std::string> tokens;
        std::string current;
        for (char c : line) {
            if (IsSpaceAscii(c) || c == ',') {
                if (!current.empty()) tokens.push_back(std::move(current));
                current.clear();
            } else {
                current += c;
            }
        }
        if (!current.empty()) tokens.push_back(std::move(current));
        return tokens;
    }

    SymbolTable& t_;
    const std::string& file_;
    std::vector<bool> conditions_;  // whether each open #if... takes its branch
    int untaken_ = 0;               // how many of them do not
    Context context_ = Context::None;
    std::string structName_;
    std::vector<Member> structMembers_;
    std::string registerType_;
    bool registerAligned_ = false, registerRetained_ = false;
    bool registerContinues_ = false;  // the last register line ended with ","
    int line_ = 0;
};

void SymbolTable::addMnemonicDeclarations(std::string_view text, const std::string& file) {
    MnemonicReader(*this, file).read(text);
}

void SymbolTable::addDeclarationFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = UpperAscii(entry.path().filename().string());
        const auto endsWith = [&](std::string_view suffix) {
            return name.size() >= suffix.size() &&
                   name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
        };
        if (endsWith("_DEF.ST") || endsWith("_DEF.ORV")) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        if (UpperAscii(file.extension().string()) == ".ST")
            addIecDeclarations(text.str(), file.filename().string());
        else
            addMnemonicDeclarations(text.str(), file.filename().string());
    }
}

namespace {

// Whether size bytes from offset lie inside one area.
bool Fits(long long offset, long long size) {
    return offset >= 0 && size >= 0 && offset + size <= kAreaSize;
}

}  // namespace

void SymbolTable::build() {
    symbols_.clear();
    end_ = 0;
    const auto insert = [&](const Declaration& d, const Location& location) {
        const bool added = symbols_.emplace(UpperAscii(d.name), Symbol{d.name, location}).second;
        if (!added) problem(d.file, d.line, "declared twice: " + d.name);
        return added;
    };
    const auto sizeOf = [&](const Declaration& d) -> std::optional<Location> {
        const auto type = typeOf(d.typeName);
        if (!type) return std::nullopt;
        Location l;
        l.type = *type;
        l.count = d.count;
        l.size = static_cast<int>(std::min(static_cast<long long>(type->size) * d.count, kTooLarge));
        l.retained = d.retained;
        return l;
    };

    // Placed first: project variables and AT %R declarations keep their addresses.
    for (const Declaration& d : declarations_) {
        if (!d.placedArea.empty()) {
            // The operand parser knows sized keywords only; a bit needs none.
            std::string_view operand = d.placedArea;
            if (UpperAscii(std::string(operand.substr(0, 5))) == "BOOL ") operand.remove_prefix(5);
            const auto parsed = plc::ParseOperand(operand);
            if (!parsed || parsed->area < 0 || parsed->area >= kAreaCount ||
                !Fits(parsed->offset, parsed->size) || parsed->bit > 7) {
                problem(d.file, d.line, "variable " + d.name + ": address not understood: " + d.placedArea);
                continue;
            }
            Location l;
            l.area = parsed->area;
            l.offset = parsed->offset;
            l.size = parsed->size;
            l.bit = parsed->bit;
            l.type = {parsed->kind == 'F' || parsed->kind == 'D' ? (parsed->size == 8 ? "LREAL" : "REAL")
                      : parsed->kind == 'b'                      ? "BOOL"
                      : parsed->size == 1                        ? "BYTE"
                      : parsed->size == 2                        ? "INT"
                      : parsed->size == 4                        ? "DINT"
                                                                 : "LINT",
                      parsed->size, parsed->kind == 'F' || parsed->kind == 'D'};
            if (insert(d, l) && l.area == kRegisterArea) end_ = std::max(end_, l.offset + l.size);
        } else if (d.placed) {
            auto l = sizeOf(d);
            if (!l || !Fits(*d.placed, l->size)) {
                problem(d.file, d.line,
                        "declaration " + d.name + ": type " + d.typeName + " not understood or out of range");
                continue;
            }
            l->offset = *d.placed;
            if (insert(d, *l)) end_ = std::max(end_, l->offset + l->size);
        }
    }
    // Then the rest behind them, in declaration order.
    for (const Declaration& d : declarations_) {
        if (!d.placedArea.empty() || d.placed || !d.overlayOf.empty()) continue;
        auto l = sizeOf(d);
        if (!l) {
            problem(d.file, d.line, "declaration " + d.name + ": type " + d.typeName + " not understood");
            continue;
        }
        if (d.aligned) end_ = (end_ + 3) & ~3;
        if (end_ + l->size > kAreaSize) {
            problem(d.file, d.line, "declaration " + d.name + ": register area full");
            continue;
        }
        l->offset = end_;
        if (insert(d, *l)) end_ += l->size;
    }
    // Overlays lie on the variable they name.
    for (const Declaration& d : declarations_) {
        if (d.overlayOf.empty()) continue;
        auto l = sizeOf(d);
        const auto base = symbols_.find(UpperAscii(d.overlayOf));
        if (!l || base == symbols_.end()) {
            problem(d.file, d.line, "overlay " + d.name + " on " + d.overlayOf + " not understood");
            continue;
        }
        l->area = base->second.location.area;
        l->offset = base->second.location.offset;
        if (!Fits(l->offset, l->size)) {
            problem(d.file, d.line, "overlay " + d.name + " on " + d.overlayOf + ": out of range");
            continue;
        }
        insert(d, *l);
    }
}

std::optional<Location> SymbolTable::resolvePath(const std::string& path, int depth) const {
    if (depth > 8 || path.empty()) return std::nullopt;
    const std::string upper = UpperAscii(path);
    if (const auto found = symbols_.find(upper); found != symbols_.end()) return found->second.location;
    if (const auto alias = aliases_.find(upper); alias != aliases_.end())
        return resolvePath(alias->second, depth + 1);
    const auto split = upper.find_last_of(".~");
    if (split == std::string::npos || split == 0) return std::nullopt;
    const auto base = resolvePath(path.substr(0, split), depth + 1);
    if (!base || base->bit >= 0) return std::nullopt;
    const std::string member = upper.substr(split + 1);
    // "name.11": a bit of a byte or word variable, counted from its first byte.
    if (upper[split] == '.' && !member.empty() && member.size() <= 2 &&
        std::all_of(member.begin(), member.end(), [](char c) { return IsDigitAscii(c); })) {
        const int bit = std::stoi(member);
        if (bit >= base->size * 8 || base->type.real) return std::nullopt;
        Location l = *base;
        l.offset += bit / 8;
        l.bit = bit % 8;
        l.size = 1;
        l.count = 1;
        l.type = {"BOOL", 1, false};
        return l;
    }
    const StructType* type = findStruct(base->type.name);
    if (!type) return std::nullopt;
    for (const Member& m : type->members) {
        if (UpperAscii(m.name) != member) continue;
        Location l;
        l.area = base->area;
        l.offset = base->offset + m.offset;
        l.bit = m.bit;
        l.type = m.type;
        l.count = m.count;
        l.size = m.bit >= 0 ? 1 : m.type.size * m.count;
        if (m.bit >= 0) l.type.size = 1;
        return l;
    }
    return std::nullopt;
}

std::optional<Location> SymbolTable::locate(const std::string& name) const {
    return resolvePath(name, 0);
}

std::vector<RetainedRange> SymbolTable::retainedRanges() const {
    std::vector<RetainedRange> ranges;
    for (const auto& [key, symbol] : symbols_)
        if (symbol.location.retained && symbol.location.area == kRegisterArea)
            ranges.push_back({symbol.name, symbol.location.offset, symbol.location.size});
    std::sort(ranges.begin(), ranges.end(),
              [](const RetainedRange& a, const RetainedRange& b) { return a.offset < b.offset; });
    return ranges;
}

std::optional<std::string> SymbolTable::lookup(const std::string& name) const {
    // Always the text of the location, never the project's own spelling: the
    // caller reads the answer with the operand parser, which knows no "BOOL".
    const auto location = locate(name);
    if (!location) return std::nullopt;
    return AddressText(*location);
}

std::vector<SymbolTable::Listed> SymbolTable::listing() const {
    std::vector<Listed> out;
    out.reserve(symbols_.size());
    for (const auto& [key, symbol] : symbols_) {
        std::string address = AddressText(symbol.location);
        // The type keyword goes to its own column.
        if (const std::size_t space = address.find(' '); space != std::string::npos)
            address.erase(0, space + 1);
        const Location& l = symbol.location;
        std::string type = l.bit >= 0 ? std::string("BOOL") : l.type.name;
        if (l.count > 1) type = "ARRAY[0.." + std::to_string(l.count - 1) + "] OF " + type;
        out.push_back({symbol.name, type, address});
    }
    return out;
}

std::string AddressText(const Location& l) {
    static const char kAreas[] = "XYSRT";
    const char area = l.area >= 0 && l.area < kAreaCount ? kAreas[l.area] : 'R';
    std::string address = "%";
    address += area;
    address += std::to_string(l.offset);
    if (l.bit >= 0 || l.type.name == "BOOL") return address + "." + std::to_string(std::max(l.bit, 0));
    if (!ScalarType(l.type.name)) return address;  // a structure: its first byte
    return l.type.name + " " + address;
}

}  // namespace velmora::softplc
