#pragma once
// Loop-test files: plain text, one case per "[case NAME]" section with its
// set-up (PLC, controllers online, plant keys, cycle, sample, duration), its
// stimuli ("at T ...") and its expectations ("expect ..."). Reading is strict
// and pure: every number is range-checked here, every name later against the
// compiled PLC (LoopTestCheck.h).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/PlantKeys.h"
#include "simulation/PlantSimulation.h"

namespace velmora::looptest {

// Virtual time in milliseconds from the start of a case.
using Millis = std::int64_t;

constexpr Millis kMaxDuration = 7LL * 24 * 3600 * 1000;  // one week of virtual time
constexpr long long kMaxSamples = 2'000'000;             // per case: duration / sample
constexpr std::size_t kMaxLineBytes = 4096;
constexpr std::size_t kMaxFileBytes = 1 << 20;
constexpr std::size_t kMaxCasesPerFile = 1000;
constexpr std::size_t kMaxLinesPerCase = 1000;  // stimuli and expectations each
constexpr double kMaxPercent = 1e4;             // a y, w or u value, in % of the controller's range

// "FILE:LINE: reason" ("FILE: reason" for the whole file).
struct Diagnostic {
    std::string file;
    int line = 0;
    std::string reason;
    std::string text() const;
};

// What an expectation looks at: a soft PLC symbol, or a controller's
// measured value y, set-point w or output u as its online view shows them.
struct Subject {
    enum class Kind { Symbol, Y, W, U };
    Kind kind = Kind::Symbol;
    std::string name;  // the symbol, or the controller
    // As written ("Chiller.y", "Chiller_Water_T"); kept for messages.
    std::string written;
    bool controllerValue() const { return kind != Kind::Symbol; }
};

enum class Check { Within, Overshoot, Settles, Between, Iae, NoPlcError };

struct Expectation {
    Check check = Check::NoPlcError;
    Subject subject;
    // Within: tolerance, target. Overshoot: percent. Settles: band. Between:
    // low, high. Iae: limit.
    double a = 0, b = 0;
    // Within: from. Overshoot and Settles: the step. Between and Iae: from, to.
    Millis t1 = 0, t2 = 0;
    Millis span = 0;  // Settles: the time allowed to settle
    int line = 0;
    std::string text;  // the line after "expect" as written, blanks collapsed
};

struct Stimulus {
    enum class Kind { Set, Restart, Disturb };
    Kind kind = Kind::Set;
    Millis at = 0;
    std::string name;   // the symbol (Set) or controller (Disturb)
    double value = 0;   // Set: in the symbol's units; Disturb: %
    bool cold = false;  // Restart
    int line = 0;
};

struct OnlineController {
    std::string name;
    int line = 0;
    std::vector<PlantKey> plant;  // in the order written
    int plantLine = 0;            // the first "plant" line, 0 when none
    // Filled by the check: the controller's plant, the case's keys over the
    // controller file's; the view closes the loop when it is simulated.
    std::optional<PlantSettings> settings;
    bool simulated() const { return settings && settings->simulation; }
};

struct Case {
    std::string file;
    int line = 0;  // of the "[case ...]" header
    std::string name;
    std::string plc;  // empty: the command's --plc
    int plcLine = 0;
    std::vector<OnlineController> online;
    Millis cycle = 10, sample = 100, duration = -1;
    std::vector<Stimulus> stimuli;  // in time order (stable for equal times)
    std::vector<Expectation> expectations;

    const OnlineController* findOnline(std::string_view controller) const;
    // Where the response to a step at `at` ends: the next stimulus after it,
    // or the end of the case.
    Millis windowEnd(Millis at) const;
    // Whether something happens at `at`: the start (0) or a stimulus.
    bool stepAt(Millis at) const;
};

struct ParsedFile {
    std::vector<Case> cases;
    std::vector<Diagnostic> problems;
};

// Reads one file's text; `fileName` is what diagnostics and reports call it.
ParsedFile ParseLoopTests(std::string_view text, const std::string& fileName);

// A time for messages: "300 s", "0.25 s".
std::string FormatSeconds(Millis ms);
// A number for messages and traces: shortest round-trip form up to six
// significant digits, "." decimals, whatever the locale.
std::string FormatNumber(double value);

}  // namespace velmora::looptest
