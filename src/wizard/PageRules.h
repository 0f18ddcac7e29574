#pragma once
// Rules shared by the wizard pages: number formats of the edits, scaled
// integers, the messages and questions about variables, and the page
// conventions for OK and close.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Strings.h"
#include "wizard/WizardContext.h"

namespace velmora::wizard {

// Fixed format with the given decimals after rounding to `significant` digits.
std::string FormatFixed(double value, int decimals, int significant, char separator);

// The limit rule of a decimal edit: at or above hi becomes hi, below lo becomes
// lo, shown with the given decimals (5 significant digits before rounding).
double LimitDecimal(double value, double lo, double hi);
std::string LimitDecimalText(std::string_view text, double lo, double hi, int decimals, char separator);

// A decimal text read as a number when it starts with one ("," or "."); nullopt otherwise.
std::optional<double> TryParseDecimal(std::string_view text);

// Plain decimal integer conversion of the whole (trimmed) text.
std::optional<int> ParseInteger(std::string_view text);
int IntegerOr(std::string_view text, int fallback);

// What the host's address text says about a variable.
enum class VariableKind { Unknown, Bit, Byte, Word, Long, Float, Double, Quad };
VariableKind KindOfAddress(std::string_view address);

// Error box: caption text 3019, stop icon, OK.
void ShowError(const WizardContext& context, std::uint32_t textId);
// "Variable '<name>' " + text, caption 2038, Yes/No: true for Yes.
std::string VariableQuestion(std::string_view name, std::uint32_t textId);
bool AskAboutVariable(const WizardContext& context, std::string_view name, std::uint32_t textId);

// The OK check of a variable name: an unknown name asks text 3413; a known
// one whose kind is not `expected` asks `kindQuestion`. True when the page may
// go on (every question answered Yes).
bool ConfirmVariable(const WizardContext& context, std::string_view name,
                     std::optional<VariableKind> expected = std::nullopt, std::uint32_t kindQuestion = 0);

// Page conventions. After a page's keys are written: a page opened alone
// regenerates its controller.
void AfterPageAccepted(WizardContext& context);
// A page closing without its OK marker during the wizard discards the new
// controller's section and ends the wizard.
void AfterPageClosed(WizardContext& context, bool accepted);

// Reads and writes the controller's data with the log lines the pages write;
// a null or unreachable data object counts as not reachable.
bool DataReachable(const WizardContext& context, const std::vector<std::string>& members);

}  // namespace velmora::wizard
