#include "host/looptest/LoopTestEval.h"
#include "base/Strings.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace velmora::looptest {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The samples of a series between two times (both included) that have a value yet.
struct Range {
    std::size_t begin, end;  // [begin, end)
};

Range Between(const Series& s, Millis from, Millis to) {
    const auto& t = s.times;
    std::size_t b = static_cast<std::size_t>(std::lower_bound(t.begin(), t.end(), from) - t.begin());
    const std::size_t e = static_cast<std::size_t>(std::upper_bound(t.begin(), t.end(), to) - t.begin());
    b = std::max(b, s.values.first);
    return {b, std::max(b, e)};
}

double Value(const Series& s, std::size_t i) {
    return s.values.values[i];
}

double Reference(const Series& s, std::size_t i) {
    return s.reference && i >= s.reference->first ? s.reference->values[i] : kNone;
}

Verdict Fail(std::string figure, std::optional<Millis> at) {
    return {false, std::move(figure), at};
}

Verdict NoValue(const Series& s, std::size_t i) {
    return Fail("no value (the input is in error)", s.times[i]);
}

Verdict Within(const Expectation& e, const Series& s, Millis end) {
    const Range r = Between(s, e.t1, end);
    if (r.begin == r.end) return Fail("no value from " + FormatSeconds(e.t1), std::nullopt);
    std::optional<std::size_t> broke;
    double worst = 0;
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const double deviation = std::fabs(Value(s, i) - e.b);
        if (std::isnan(deviation))
            return broke ? Fail(FormatNumber(Value(s, *broke)), s.times[*broke]) : NoValue(s, i);
        if (deviation > e.a && !broke) broke = i;
        worst = std::max(worst, deviation);
    }
    if (!broke) return {true, "largest deviation " + FormatNumber(worst), std::nullopt};
    return Fail(FormatNumber(Value(s, *broke)) + " (largest deviation " + FormatNumber(worst) + ")",
                s.times[*broke]);
}

// The value a step response goes to: the set-point for a controller's y,
// else where the series ends; NaN when there is none.
double FinalValue(const Series& s, Millis end) {
    const Range r = Between(s, 0, end);
    if (r.begin == r.end) return kNone;
    return s.reference ? Reference(s, r.end - 1) : Value(s, r.end - 1);
}

Verdict Overshoot(const Expectation& e, const Series& s, Millis end) {
    const Range before = Between(s, 0, e.t1 - 1);
    const Range after = Between(s, e.t1, end);
    if (after.begin == after.end) return Fail("no value after " + FormatSeconds(e.t1), std::nullopt);
    const double initial = before.begin < before.end ? Value(s, before.end - 1) : Value(s, after.begin);
    const double final = FinalValue(s, end);
    if (std::isnan(initial) || std::isnan(final)) return Fail("no value at the step or at its end", e.t1);
    const double step = final - initial;
    if (std::fabs(step) <= 1e-9 * (1 + std::fabs(final) + std::fabs(initial)))
        return Fail("no step to measure: from " + FormatNumber(initial) + " to " + FormatNumber(final),
                    std::nullopt);
    const double sign = step > 0 ? 1 : -1;
    double peak = 0;
    std::size_t peakAt = after.begin;
    std::optional<Millis> broke;
    for (std::size_t i = after.begin; i < after.end; ++i) {
        const double beyond = (Value(s, i) - final) * sign;
        if (std::isnan(beyond)) return NoValue(s, i);
        if (beyond > peak) peak = beyond, peakAt = i;
        if (!broke && beyond / std::fabs(step) * 100 > e.a) broke = s.times[i];
    }
    const double percent = peak / std::fabs(step) * 100;
    std::string figure = "overshoot " + FormatNumber(percent) + " %";
    if (peak > 0)
        figure += " (peak " + FormatNumber(Value(s, peakAt)) + " at " + FormatSeconds(s.times[peakAt]) + ")";
    return {!broke, figure, broke};
}

Verdict Settles(const Expectation& e, const Series& s, Millis end) {
    const double target = FinalValue(s, end);
    const Range r = Between(s, e.t1, end);
    if (r.begin == r.end || std::isnan(target))
        return Fail("no value after " + FormatSeconds(e.t1), std::nullopt);
    std::optional<std::size_t> lastOut;
    std::optional<Millis> broke;
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const double deviation = std::fabs(Value(s, i) - target);
        if (std::isnan(deviation) || deviation > e.a) {
            lastOut = i;
            if (!broke && s.times[i] >= e.t1 + e.span) broke = s.times[i];
        }
    }
    const std::string around = " (band around " + FormatNumber(target) + ")";
    if (lastOut && *lastOut + 1 == r.end)
        return Fail("not settled: " + FormatNumber(Value(s, *lastOut)) + " at " +
                        FormatSeconds(s.times[*lastOut]) + around,
                    broke);
    const Millis settled = lastOut ? s.times[*lastOut + 1] - e.t1 : 0;
    return {!broke, "settling time " + FormatSeconds(settled) + around, broke};
}

Verdict InBounds(const Expectation& e, const Series& s) {
    const Range r = Between(s, e.t1, e.t2);
    if (r.begin == r.end)
        return Fail("no value from " + FormatSeconds(e.t1) + " to " + FormatSeconds(e.t2), std::nullopt);
    double low = Value(s, r.begin), high = low;
    std::optional<std::size_t> broke;
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const double v = Value(s, i);
        if (std::isnan(v))
            return broke ? Fail(FormatNumber(Value(s, *broke)), s.times[*broke]) : NoValue(s, i);
        low = std::min(low, v);
        high = std::max(high, v);
        if (!broke && (v < e.a || v > e.b)) broke = i;
    }
    const std::string range = "range " + FormatNumber(low) + " .. " + FormatNumber(high);
    if (!broke) return {true, range, std::nullopt};
    return Fail(FormatNumber(Value(s, *broke)) + " (" + range + ")", s.times[*broke]);
}

Verdict Iae(const Expectation& e, const Series& s) {
    const Range r = Between(s, e.t1, e.t2);
    if (r.begin == r.end || !s.reference) return Fail("no value from " + FormatSeconds(e.t1), std::nullopt);
    double sum = 0, previous = kNone;
    std::optional<Millis> broke;
    for (std::size_t i = r.begin; i < r.end; ++i) {
        const double error = std::fabs(Reference(s, i) - Value(s, i));
        if (std::isnan(error)) return NoValue(s, i);
        // Trapezoids between neighbouring samples, in % times seconds.
        if (i > r.begin)
            sum += (previous + error) / 2 * static_cast<double>(s.times[i] - s.times[i - 1]) / 1000.0;
        previous = error;
        if (!broke && sum > e.a) broke = s.times[i];
    }
    return {!broke, "IAE " + FormatNumber(sum) + " %·s", broke};
}

}  // namespace

const Trace::Column* Trace::column(std::string_view name) const {
    for (const Column& c : columns)
        if (EqualNoCase(c.name, name)) return &c;
    return nullptr;
}

std::string ColumnName(const Subject& subject) {
    switch (subject.kind) {
        case Subject::Kind::Y:
            return subject.name + ".y";
        case Subject::Kind::W:
            return subject.name + ".w";
        case Subject::Kind::U:
            return subject.name + ".u";
        default:
            return subject.name;
    }
}

Verdict Evaluate(const Expectation& e, const Series& s, Millis windowEnd) {
    switch (e.check) {
        case Check::Within:
            return Within(e, s, s.times.empty() ? 0 : s.times.back());
        case Check::Overshoot:
            return Overshoot(e, s, windowEnd);
        case Check::Settles:
            return Settles(e, s, windowEnd);
        case Check::Between:
            return InBounds(e, s);
        case Check::Iae:
            return Iae(e, s);
        default:
            return Fail("not a check of values", std::nullopt);
    }
}

std::vector<Verdict> EvaluateCase(const Case& c, const Trace& trace) {
    std::vector<Verdict> verdicts;
    for (const Expectation& e : c.expectations) {
        if (e.check == Check::NoPlcError) {
            if (trace.fault)
                verdicts.push_back(Fail("PLC error: " + trace.fault->text, trace.fault->at));
            else
                verdicts.push_back({true, "no PLC error", std::nullopt});
            continue;
        }
        const Trace::Column* values = trace.column(ColumnName(e.subject));
        if (!values) {
            verdicts.push_back(Fail("nothing was recorded for " + e.subject.written, std::nullopt));
            continue;
        }
        const Trace::Column* reference = nullptr;
        if (e.subject.kind == Subject::Kind::Y) reference = trace.column(e.subject.name + ".w");
        Verdict v = Evaluate(e, Series{trace.times, *values, reference}, c.windowEnd(e.t1));
        // A failure of a loop nothing closes is most likely that: say so.
        const OnlineController* o = e.subject.controllerValue() ? c.findOnline(e.subject.name) : nullptr;
        if (!v.pass && o && !o->simulated())
            v.figure += "; the loop is open: " + o->name + "'s plant is not simulated";
        verdicts.push_back(std::move(v));
    }
    return verdicts;
}

}  // namespace velmora::looptest
