#pragma once
// Expectations judged over a sampled trace: pure functions of the samples.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/looptest/LoopTestFile.h"

namespace velmora::looptest {

// A case's samples: one time axis, one column per subject the case looks at.
// A value is NaN where none could be read (a controller's input in error);
// a column's samples before `first` have no value yet (a controller's view
// before its first data) and are left out of every expectation.
struct Trace {
    struct Column {
        std::string name;  // "Chiller.y", or the symbol as first written
        std::vector<double> values;
        std::size_t first = 0;
    };
    std::vector<Millis> times;
    std::vector<Column> columns;
    // The PLC's first run-time fault: when it was seen and its text.
    struct Fault {
        Millis at = 0;
        std::string text;
    };
    std::optional<Fault> fault;

    // Case-insensitive; nullptr when there is none.
    const Column* column(std::string_view name) const;
};

// The column of a subject: "NAME.y|w|u" for a controller's values, the symbol otherwise.
std::string ColumnName(const Subject& subject);

struct Verdict {
    bool pass = true;
    std::string figure;             // what was measured
    std::optional<Millis> brokeAt;  // where it first failed
};

// One series as an expectation reads it. `reference` is the controller's w
// for its y (the control error, the target of a step), else null.
struct Series {
    const std::vector<Millis>& times;
    const Trace::Column& values;
    const Trace::Column* reference = nullptr;
};

// Judges one expectation (not NoPlcError) over the series; `windowEnd` ends
// the response to the step of Overshoot and Settles.
Verdict Evaluate(const Expectation& e, const Series& s, Millis windowEnd);
// Judges every expectation of the case over its trace, in order.
std::vector<Verdict> EvaluateCase(const Case& c, const Trace& trace);

}  // namespace velmora::looptest
