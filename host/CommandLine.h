#pragma once
// What the headless commands share in reading their command lines: the
// options one by one (the IDE's switches may stand among them), numbers
// checked against their limits before anything runs, and the limits.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::host {

// A command line that cannot be carried out as written; the message names the
// option. The command ends with status 2 and the usage.
struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

// The limits of the numbers run and online take (the usage and the README
// list them): a run's virtual time, its scan and sample periods, the rows it
// prints, and online's passes.
inline constexpr double kMaxRunSeconds = 1e7;  // about 116 days
inline constexpr double kMinCycleMs = 1;
inline constexpr double kMaxCycleMs = 10000;
inline constexpr double kMaxRunRows = 1e7;
inline constexpr long long kMaxPasses = 1000000;

// Whether a command-line argument is one of the IDE's switches ("/USELOGFILE",
// "/OEMDIR=DIR", any "/WORD" that is not a path).
bool IsIdeSwitch(const std::string& arg);

// The arguments of one command, option by option.
class CommandArgs {
public:
    CommandArgs(const std::vector<std::string>& args, std::string command)
        : args_(args), command_(std::move(command)) {}

    // The next option; the IDE's switches between options are passed over
    // (a switch is never taken for an option's value). Nothing at the end.
    std::optional<std::string> next();
    // The value of the option just read; UsageError when none follows.
    std::string value(const std::string& option);
    // An option that is not the command's.
    [[noreturn]] void unexpected(const std::string& option) const;
    const std::string& command() const { return command_; }

private:
    const std::vector<std::string>& args_;
    std::string command_;
    std::size_t at_ = 0;
};

// A decimal number (sign, fraction and exponent allowed; nan and inf are not
// numbers) from min to max; UsageError naming the option otherwise.
double CheckedNumber(std::string_view text, const std::string& option, double min, double max);
// A whole decimal number from min to max; UsageError naming the option otherwise.
long long CheckedCount(std::string_view text, const std::string& option, long long min, long long max);

// A number as the messages show a limit ("10000000", "0.5", "3.40282e+38").
std::string LimitText(double value);

}  // namespace velmora::host
