#include "wizard/PageRules.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Texts.h"
#include "base/Toolkit.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextWarning = 2038;
constexpr std::uint32_t kTextError = 3019;
constexpr std::uint32_t kTextVariable = 3412;
constexpr std::uint32_t kTextNotDefined = 3413;

}  // namespace

std::string FormatFixed(double value, int decimals, int significant, char separator) {
    if (!std::isfinite(value)) value = 0;
    char buffer[400];
    // The value is rounded once, to the significant digits or to the decimals,
    // whichever keeps fewer digits.
    int integerDigits = value == 0 ? 1 : static_cast<int>(std::floor(std::log10(std::fabs(value)))) + 1;
    // to_chars and from_chars: the same digits whatever locale the process runs in.
    if (integerDigits + decimals > significant) {
        auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                 std::max(significant - 1, 0))
                       .ptr;
        std::from_chars(buffer, end, value);
    }
    const char* end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, std::max(decimals, 0))
            .ptr;
    std::string text(static_cast<const char*>(buffer), end);
    // A value that rounds to zero shows no sign.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    for (char& c : text)
        if (c == '.') c = separator;
    return text;
}

double LimitDecimal(double value, double lo, double hi) {
    if (value >= hi) return hi;
    if (value < lo) return lo;
    return value;
}

std::string LimitDecimalText(std::string_view text, double lo, double hi, int decimals, char separator) {
    return FormatFixed(LimitDecimal(ParseDecimal(text), lo, hi), decimals, 5, separator);
}

std::optional<double> TryParseDecimal(std::string_view text) {
    std::string copy(text);
    for (char& c : copy)
        if (c == ',') c = '.';
    const std::size_t start = copy.size() - TrimLeft(copy).size();
    // Only plain decimal numbers: no hexadecimal, infinity or NaN spellings.
    std::size_t at = start;
    if (at < copy.size() && (copy[at] == '+' || copy[at] == '-')) ++at;
    bool digit =
        at < copy.size() &&
        (std::isdigit(static_cast<unsigned char>(copy[at])) ||
         (copy[at] == '.' && at + 1 < copy.size() && std::isdigit(static_cast<unsigned char>(copy[at + 1]))));
    if (!digit) return std::nullopt;
    if (copy.compare(at, 2, "0x") == 0 || copy.compare(at, 2, "0X") == 0) return 0.0;
    return ParseDecimal(std::string_view(copy).substr(start));
}

std::optional<int> ParseInteger(std::string_view text) {
    const std::string trimmed(Trim(text));
    if (trimmed.empty()) return std::nullopt;
    std::size_t at = 0;
    if (trimmed[0] == '+' || trimmed[0] == '-') at = 1;
    if (at == trimmed.size()) return std::nullopt;
    for (std::size_t i = at; i < trimmed.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(trimmed[i]))) return std::nullopt;
    errno = 0;
    long long value = std::strtoll(trimmed.c_str(), nullptr, 10);
    if (errno == ERANGE || value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<int>(value);
}

int IntegerOr(std::string_view text, int fallback) {
    return ParseInteger(text).value_or(fallback);
}

VariableKind KindOfAddress(std::string_view address) {
    std::string text = UpperAscii(Trim(address));
    // A type keyword anywhere decides, in this order of precedence.
    static const struct {
        const char* keywords[2];
        VariableKind kind;
    } keywords[] = {
        {{"QUAD", "LINT"}, VariableKind::Quad},   {{"DOUBLE", "LREAL"}, VariableKind::Double},
        {{"FLOAT", "REAL"}, VariableKind::Float}, {{"LONG", "DINT"}, VariableKind::Long},
        {{"BYTE", "SINT"}, VariableKind::Byte},   {{"WORD", "INT"}, VariableKind::Word},
    };
    for (const auto& k : keywords)
        for (const char* word : k.keywords)
            if (text.find(word) != std::string::npos) return k.kind;
    // Otherwise the size letter of the address itself.
    std::size_t percent = text.find('%');
    std::string operand = percent == std::string::npos ? text : text.substr(percent + 1);
    if (operand.size() < 2) return VariableKind::Unknown;
    char area = operand[0];
    bool iec = area == 'I' || area == 'Q' || area == 'M';
    if (!iec && std::strchr("RSTXY", area) == nullptr) return VariableKind::Unknown;
    char size = operand[1];
    bool hasBit = operand.find('.') != std::string::npos;
    if (std::isdigit(static_cast<unsigned char>(size)))
        return hasBit || iec ? VariableKind::Bit : VariableKind::Byte;
    if (hasBit) return VariableKind::Bit;
    switch (size) {
        case 'B':
            return VariableKind::Byte;
        case 'W':
            return VariableKind::Word;
        case 'D':
            return iec ? VariableKind::Long : VariableKind::Double;
        case 'L':
            return iec ? VariableKind::Double : VariableKind::Long;
        case 'F':
            return VariableKind::Float;
        case 'Q':
            return VariableKind::Quad;
        case 'X':
            return iec ? VariableKind::Bit : VariableKind::Unknown;
        default:
            return VariableKind::Unknown;
    }
}

void ShowError(const WizardContext& context, std::uint32_t textId) {
    if (context.messages)
        context.messages->show(Text(kTextError), Text(textId), MessageIcon::Stop, MessageButtons::Ok);
}

std::string VariableQuestion(std::string_view name, std::uint32_t textId) {
    return Text(kTextVariable) + " '" + std::string(name) + "' " + Text(textId);
}

bool AskAboutVariable(const WizardContext& context, std::string_view name, std::uint32_t textId) {
    if (!context.messages) return true;
    return context.messages->show(Text(kTextWarning), VariableQuestion(name, textId),
                                  MessageIcon::Exclamation, MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool ConfirmVariable(const WizardContext& context, std::string_view name,
                     std::optional<VariableKind> expected, std::uint32_t kindQuestion) {
    std::optional<std::string> address;
    if (context.variableAddress) address = context.variableAddress(std::string(name));
    if (!address) return AskAboutVariable(context, name, kTextNotDefined);
    if (expected && KindOfAddress(*address) != *expected)
        return AskAboutVariable(context, name, kindQuestion);
    return true;
}

void AfterPageAccepted(WizardContext& context) {
    if (!context.wizardRunning && context.generate) context.generate(context.controllerName);
}

void AfterPageClosed(WizardContext& context, bool accepted) {
    if (accepted || !context.wizardRunning) return;
    if (context.file) context.file->eraseSection(context.section());
    context.wizardRunning = false;
}

bool DataReachable(const WizardContext& context, const std::vector<std::string>& members) {
    if (!context.controllerData) return false;
    std::vector<std::string> symbols;
    symbols.reserve(members.size());
    for (const auto& m : members) symbols.push_back(context.symbol(m));
    return context.controllerData->reachable(symbols);
}

}  // namespace velmora::wizard
