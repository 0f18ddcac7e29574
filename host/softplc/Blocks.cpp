#include "softplc/Blocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/PidStructure.h"
#include "base/PidaStructure.h"
#include "simulation/InputConversion.h"
#include "softplc/Autotuner.h"
#include "softplc/BlockMemory.h"
#include "tuning/LoopSettings.h"

namespace velmora::softplc {

using plc::PidaOffset;

namespace {

using namespace memory;

// A state that went bad (NaN written over the network, say) restarts at a value.
double Finite(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// Input ranges of the conversion modes (the engineering values the module measures).
struct Range {
    int lo, hi;
};
Range ModeRange(int mode, int plcTypeIndex) {
    switch (mode) {
        case 402:
        case 1202:
        case 1502:
        case 1102:
            return {-10000, 10000};
        case 420:
            return {0, 2560};
        case 421:
            return {-1000, 4260};
        case 430:
            return {0, 1024};
        case 431:
            return {-1000, 2680};
        case 432:
        case 1132:
        case 1232:
        case 1532:
            return {-500, 1520};
        case 1120:
        case 1220:
            return {0, 5000};
        case 1121:
        case 1221:
            return {-1000, 8500};
        case 1130:
        case 1230:
        case 1530:
            return {0, 2000};
        case 1131:
        case 1231:
        case 1531:
            return {-1000, 2600};
        case 1520:
            return {0, 1570};
        case 1521:
            return {-1000, 1470};
        case 1525:
            return {0, 3200};
        case 1526:
            return {-1000, 6200};
        case 2025:
            return {0, 1000};
        case 2030:
            return {0, 1870};
        case 2031:
            return {-1000, 2315};
        case 2032:
            return plcTypeIndex == 0 ? Range{-600, 1350} : Range{-500, 1350};
        case 2033:
            return plcTypeIndex == 0 ? Range{-600, 1610} : Range{-500, 1600};
        default:
            return {0, 10000};
    }
}

// Smallest engineering value in [lo, hi] whose raw word reaches `target`.
int SmallestReaching(int mode, int target, int lo, int hi, int plcTypeIndex, int mask) {
    const auto f = [&](int v) { return ConvertInputToRaw(mode, v, plcTypeIndex) & mask; };
    if (f(hi) < target) return hi;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (f(mid) >= target)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// The value a raw word stands for: of all values that give it, the roundest
// (so 40.00 % sent through a module reads back as 40.00 %), else the middle one.
int Representative(int mode, int target, int lo, int hi, int plcTypeIndex, int mask) {
    const int first = SmallestReaching(mode, target, lo, hi, plcTypeIndex, mask);
    const int beyond = SmallestReaching(mode, target + 1, lo, hi, plcTypeIndex, mask);
    const bool reachesNext = (ConvertInputToRaw(mode, beyond, plcTypeIndex) & mask) > target;
    const int last = reachesNext ? std::max(first, beyond - 1) : first;
    const auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
    for (int p : {10000, 1000, 100, 10}) {
        const int m = (floorDiv(first - 1, p) + 1) * p;  // smallest multiple of p not below first
        if (m <= last) return m;
    }
    return first + (last - first) / 2;
}

}  // namespace

std::uint16_t Crc16(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

std::int32_t ForwardInputConversion(int mode, std::int32_t raw, int plcTypeIndex, bool& valid) {
    valid = true;
    if (!HasInputConversion(mode)) return raw;
    const Range r = ModeRange(mode, plcTypeIndex);
    const bool signedByMark = mode == 402 || mode == 1202 || mode == 1502;
    if (signedByMark) {
        // The valid mark tells the sign: the module reports the magnitude.
        const int magnitude = Representative(mode, raw & 0x1FFF, 0, r.hi, plcTypeIndex, 0x1FFF);
        return (raw & kRawValidBit) ? magnitude : -magnitude;
    }
    const bool marked = (ConvertInputToRaw(mode, r.hi, plcTypeIndex) & kRawValidBit) != 0;
    if (marked && !(raw & kRawValidBit)) {
        valid = false;
        return kInputOverflow;
    }
    const int mask = marked ? 0x1FFF : 0xFFFF;
    const int low = ConvertInputToRaw(mode, r.lo, plcTypeIndex) & mask;
    const int target = std::max(raw & mask, low);
    return Representative(mode, target, r.lo, r.hi, plcTypeIndex, mask);
}

std::int32_t RunConversion(const ConversionArgs& a) {
    bool valid = true;
    double v = a.mode > 0 ? ForwardInputConversion(a.mode, a.value, a.plcTypeIndex, valid) : a.value;
    if (!valid) return kInputOverflow;
    if (a.table && (a.flags & 2)) {
        const double x1 = Get16(a.table, 0), x2 = Get16(a.table, 2), y1 = Get16(a.table, 4),
                     y2 = Get16(a.table, 6);
        v = x2 == x1 ? y1 : y1 + (v - x1) * (y2 - y1) / (x2 - x1);
    } else if (a.table) {
        // Normalisation with copy: the input already has the controller's range; keep it inside.
        const double lo = Get16(a.table, 0), hi = Get16(a.table, 2);
        v = std::clamp(v, std::min(lo, hi), std::max(lo, hi));
    }
    if (a.filter) {
        double state = Finite(GetF(a.filter, 0), v);
        if (a.tau <= 0 || a.dtMs <= 0) {
            state = v;  // no time constant: the filter (re)starts at the input
        } else if (a.plcTypeIndex == 14) {
            state += (v - state) * a.dtMs / (a.tau + a.dtMs);  // this series counts in milliseconds
        } else {
            state += (v - state) / (a.tau + 1.0);  // the others in runs of the process
        }
        SetF(a.filter, 0, state);
        v = state;
    }
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

// ------------------------------------------------------------------- PID

namespace {

using plc::PidOffset;

// The PID instruction's own area behind T_PID.
namespace own {
constexpr int Time = plc::kPidStructSize;  // float: ms since the last sample
constexpr int Integral = Time + 4;    // float: integral part (positional) or exact output (incremental), %
constexpr int PrevX = Integral + 4;   // float: action variable at the last sample, %
constexpr int DState = PrevX + 4;     // float: filtered derivative part, %
constexpr int WState = DState + 4;    // float: set point filter, raw units
constexpr int Position = WState + 4;  // int16: modelled actuator position of the 3-stage output, 0.01 %
constexpr int Flags = Position + 2;   // bit 0 started, bit 1 the output was held since the last sample
static_assert(Flags < kPidBytes);
}  // namespace own

// A bit of the control word by its name.
consteval int Bit(std::string_view name) {
    for (std::size_t i = 0; i < plc::kPidControlBits.size(); ++i)
        if (plc::kPidControlBits[i] == name) return static_cast<int>(i);
    throw "unknown control bit";
}

bool Valid(std::int32_t v) {
    return v > kInputUnderflow && v < kInputOverflow;
}

// One call of the PID block: T_PID and what this call found in it. ReadPid
// sets every member (no default values: the block runs every scan, and
// clearing the whole structure first costs more than the rest of the call).
struct PidCall {
    std::uint8_t* p;
    std::uint16_t control;
    bool started, resume;  // resume: the first sample after the output was held
    double minY, range, minU, maxU;
    double y, w;  // measured value and set point, raw units
    bool ey1, ey2, ey3, measuringError, parameterError;
    double timeMs, periodMs, T;  // T: seconds since the last sample, 0 on the first
    bool sample;
    std::int32_t input3;

    bool on(int bit) const { return ((control >> bit) & 1) != 0; }
    double member(int at) const { return memory::Get16(p, at); }
    bool manual() const { return !on(Bit("AM")); }
    bool enabled() const { return on(Bit("RC")); }
    double sign() const { return on(Bit("AO")) ? -1.0 : 1.0; }  // reverse action works on negated values
    // A raw value in percent of the measuring range.
    double percent(double raw) const { return range == 0 ? 0.0 : (raw - minY) * 100.0 / range; }
    double deadBand(double e) const {
        const double gap = member(PidOffset("EGap")) / 100.0;
        if (std::abs(e) <= gap) return 0.0;
        return e > 0 ? e - gap : e + gap;
    }
};

// The inputs and their errors, the set point, and whether a sample is due.
PidCall ReadPid(std::uint8_t* p, std::int32_t input2, std::int32_t input3, double dtMs) {
    PidCall c;
    c.p = p;
    c.control = static_cast<std::uint16_t>(memory::Get16(p, PidOffset("Control")));
    const std::uint8_t flags = p[own::Flags];
    c.started = flags & 1;
    c.resume = !c.started || (flags & 2);
    c.input3 = input3;
    c.minY = c.member(PidOffset("MinY"));
    c.range = c.member(PidOffset("MaxY")) - c.minY;
    const std::int32_t input1 = memory::Get16(p, PidOffset("Input1"));
    c.ey1 = !Valid(input1);
    c.ey2 = (c.on(Bit("HR")) || c.on(Bit("RIO"))) && !Valid(input2);
    c.ey3 = c.on(Bit("KC")) && !Valid(input3);
    // The measured value: the second input stands in for the first when it fails.
    c.y = input1;
    c.measuringError = c.ey1;
    if (c.on(Bit("HR")) && c.ey1 && !c.ey2) {
        c.y = input2;
        c.measuringError = false;
    }
    // Set point: the ratio of the second input in ratio control, gW otherwise.
    const double gW = c.member(PidOffset("gW"));
    c.w = gW;
    if (c.on(Bit("RIO"))) c.w = Valid(input2) ? input2 * gW / 10000.0 : c.member(PidOffset("ConW"));
    c.minU = c.member(PidOffset("MinU")) / 100.0;
    c.maxU = c.member(PidOffset("MaxU")) / 100.0;
    c.parameterError = c.range == 0 || c.member(PidOffset("PBnd")) <= 0 || c.minU > c.maxU;

    c.timeMs = Finite(memory::GetF(p, own::Time), 0) + dtMs;
    if (!c.started) c.timeMs = 1e12;  // the first call samples at once
    c.periodMs = c.member(PidOffset("OutCycle")) * 10.0;
    c.sample = c.timeMs >= c.periodMs;
    // The first sample has no history: no integral or derivative step from an unknown time.
    c.T = c.started ? std::min(c.timeMs, 1e9) / 1000.0 : 0.0;
    if (c.sample) c.timeMs = 0;
    return c;
}

// Set point modification, tiW counted in sampling periods: a first-order
// filter, or with RF a ramp that runs the whole measuring range in tiW samples.
double FilterSetPoint(const PidCall& c, double wState) {
    const double samples = static_cast<std::uint16_t>(c.member(PidOffset("tiW")));
    if (samples <= 0) return c.w;
    if (c.on(Bit("RF"))) {
        const double rate = std::abs(c.range) / samples;
        return c.w > wState ? std::min(c.w, wState + rate) : std::max(c.w, wState - rate);
    }
    return wState + (c.w - wState) / (samples + 1);
}

// What one sample's control step works with, in percent (ControlStep sets every member).
struct ControlTerms {
    double x, prevX, wPrev;  // action variable now and at the last sample, set point then (raw)
    double e, kp, d, dPrev, iStep;
    double previous;  // the output before the step
};

// The output within its limits: dMaxU per sample (not for the three-stage
// output), then MinU ... MaxU.
double Limited(const PidCall& c, const ControlTerms& t, double u) {
    const double limit = c.member(PidOffset("dMaxU")) / 100.0;
    if (limit > 0 && !c.on(Bit("BU"))) u = std::clamp(u, t.previous - limit, t.previous + limit);
    return std::clamp(u, c.minU, c.maxU);
}

// Incremental: the output moves by the change of each part; clamping it is the anti-windup.
double IncrementalStep(const PidCall& c, const ControlTerms& t) {
    const double ePrev = c.deadBand(c.sign() * c.percent(t.wPrev) - t.prevX);
    double base = Finite(memory::GetF(c.p, own::Integral), t.previous);
    if (c.resume) base = t.previous;
    if (c.on(Bit("KC")) && !c.on(Bit("BU")) && Valid(c.input3)) base = c.input3 / 100.0;  // external feedback
    const double out = Limited(c, t, base + t.kp * (t.e - ePrev) + t.iStep + (t.d - t.dPrev));
    memory::SetF(c.p, own::Integral, out);
    return out;
}

// Positional: P + I + D; the integral stops while the output is held at a
// limit in the direction the error pushes (conditional integration).
double PositionalStep(const PidCall& c, const ControlTerms& t) {
    double integral = Finite(memory::GetF(c.p, own::Integral), 0);
    const double pPart = t.kp * t.e;
    if (!c.started)
        integral = std::clamp(0.0, c.minU, c.maxU);  // a start: no bias against the first error
    else if (c.resume)
        integral = std::clamp(t.previous - pPart - t.d, c.minU, c.maxU);
    const double u = pPart + integral + t.iStep + t.d;
    const double out = Limited(c, t, u);
    if (!((out < u && t.iStep > 0) || (out > u && t.iStep < 0))) integral += t.iStep;
    integral = std::clamp(integral, c.minU - std::abs(pPart), c.maxU + std::abs(pPart));
    memory::SetF(c.p, own::Integral, integral);
    return Limited(c, t, pPart + integral + t.d);
}

// One sample in automatic: the set point filtered, P on the error beyond the
// dead band, I and a filtered D on the measurement; returns the new output
// and sets deadBand when the error lies inside it.
double ControlStep(const PidCall& c, double& wState, double curOut, bool& deadBand) {
    ControlTerms t;
    t.wPrev = wState;
    wState = FilterSetPoint(c, wState);
    t.x = c.sign() * c.percent(c.y);
    t.prevX = Finite(memory::GetF(c.p, own::PrevX), t.x);
    if (c.resume) {
        t.prevX = t.x;
        t.wPrev = wState;
    }
    const double eRaw = c.sign() * c.percent(wState) - t.x;
    t.e = c.deadBand(eRaw);
    deadBand = t.e == 0;
    double band = c.member(PidOffset("PBnd")) / 10.0;
    if (t.e < 0) band = band * c.member(PidOffset("RelCool")) / 1000.0;
    t.kp = band > 0 ? 100.0 / band : 0.0;
    const double ti = c.member(PidOffset("Ti")) / 10.0, td = c.member(PidOffset("Td")) / 10.0;
    const double iGap = c.member(PidOffset("IGap")) / 100.0, dGap = c.member(PidOffset("DGap")) / 100.0;
    // Derivative on the measurement, filtered with Td/4.
    t.d = t.dPrev = Finite(memory::GetF(c.p, own::DState), 0);
    if (td > 0 && c.T > 0 && !(dGap > 0 && std::abs(eRaw) > dGap))
        t.d += (-t.kp * td * (t.x - t.prevX) / c.T - t.d) * c.T / (td / 4.0 + c.T);
    else
        t.d = 0;
    const bool integrate = ti > 0 && c.T > 0 && !(iGap > 0 && std::abs(eRaw) > iGap);
    t.iStep = integrate ? t.kp * c.T / ti * t.e : 0.0;
    t.previous = curOut;
    const double out = c.on(Bit("IP")) ? IncrementalStep(c, t) : PositionalStep(c, t);
    memory::SetF(c.p, own::PrevX, t.x);
    memory::SetF(c.p, own::DState, t.d);
    memory::Set16(c.p, PidOffset("LastOut"), t.previous * 100.0);
    return out;
}

// Three-stage output: at each sample a pulse long enough for the actuator
// (dMaxU per sampling period, or a whole stroke per minute) to reach the
// demanded position, no longer than the period. Returns the up and down bits.
std::pair<bool, bool> ThreeStageOutput(const PidCall& c, double curOut, double dtMs) {
    std::uint8_t* const p = c.p;
    const double dMaxU = c.member(PidOffset("dMaxU"));
    const double speed = (dMaxU > 0 && c.periodMs > 0) ? dMaxU / c.periodMs : 10000.0 / 60000.0;
    double position = memory::Get16(p, own::Position);
    if (c.sample) {
        const double start =
            std::clamp(c.on(Bit("KC")) && Valid(c.input3) ? double(c.input3) : position, 0.0, 10000.0);
        const double demand = curOut * 100.0;
        const double most = speed * std::max(c.periodMs, dtMs);
        double travel = std::clamp(demand - start, -most, most);
        // Shorter than one cycle, or than the smallest action FU (0.32 % steps): wait.
        const int fu = (c.on(Bit("FU0")) ? 1 : 0) | (c.on(Bit("FU1")) ? 2 : 0) | (c.on(Bit("FU3")) ? 4 : 0);
        if (std::abs(travel) < std::max(speed * dtMs, fu * 32.0)) travel = 0;
        // A demand at an end keeps driving into the end stop: the model cannot see the
        // actuator, and a model that ran ahead of it would otherwise never catch up.
        if ((demand >= 10000 && travel >= 0) || (demand <= 0 && travel <= 0))
            travel = demand >= 10000 ? most : -most;
        memory::Set16(p, PidOffset("LastOut"), start);
        position = start + travel;
        memory::Set16(p, own::Position, position);
    }
    const double travel = position - memory::Get16(p, PidOffset("LastOut"));
    const double pulseMs = std::abs(travel) / speed;
    const double since = c.sample ? 0 : c.timeMs;
    if (since >= pulseMs) return {false, false};
    return {travel > 0, travel < 0};
}

// The outputs of the call: CurOut, Output, ConW, Dev and ConOut.
void WritePidOutputs(const PidCall& c, double curOut, double wState) {
    std::uint8_t* const p = c.p;
    if (c.manual() || c.measuringError || !c.enabled())
        memory::SetF(p, own::Integral, c.on(Bit("IP")) ? curOut : memory::GetF(p, own::Integral));
    memory::Set16(p, PidOffset("CurOut"), curOut * 100.0);
    if (!c.manual())
        memory::Set16(p, PidOffset("Output"), curOut * 100.0);  // manual starts where automatic left off
    memory::Set16(p, PidOffset("ConW"), wState);
    memory::Set16(p, PidOffset("Dev"), c.sign() * (wState - c.y));
    memory::Set16(p, PidOffset("ConOut"), c.on(Bit("A12")) ? curOut * 40.95 : curOut * 100.0);
}

}  // namespace

std::uint8_t RunPidBlock(std::uint8_t* p, std::int32_t input2, std::int32_t input3, double dtMs) {
    dtMs = std::max(0.0, Finite(dtMs, 0));
    const PidCall c = ReadPid(p, input2, input3, dtMs);
    double wState = Finite(memory::GetF(p, own::WState), c.w);
    if (!c.started) {
        wState = c.w;
        memory::SetF(p, own::Integral, c.member(PidOffset("CurOut")) / 100.0);
        memory::SetF(p, own::DState, 0);
        memory::Set16(p, own::Position, c.member(PidOffset("CurOut")));
    }
    double curOut = c.member(PidOffset("CurOut")) / 100.0;
    bool deadBand = false;
    if (!c.enabled() || c.parameterError) {
        // Nothing is computed; the output holds.
    } else if (c.manual()) {
        curOut = std::clamp(c.member(PidOffset("Output")) / 100.0, c.minU, c.maxU);
    } else if (c.measuringError) {
        const double def = c.member(PidOffset("DefOut"));
        if (def != 11000) curOut = def / 100.0;  // 11000: keep the last output
    } else if (c.sample) {
        curOut = ControlStep(c, wState, curOut, deadBand);
    }
    WritePidOutputs(c, curOut, wState);
    const auto [up, down] = c.on(Bit("BU")) && c.enabled() && !c.parameterError
                                ? ThreeStageOutput(c, curOut, dtMs)
                                : std::pair{false, false};

    // The next automatic sample starts from the output as it is (bumpless).
    const bool held = c.manual() || c.measuringError || !c.enabled() || c.parameterError;
    const bool wasHeld = p[own::Flags] & 2;
    p[own::Flags] = static_cast<std::uint8_t>(1 | ((held || (wasHeld && !c.sample)) ? 2 : 0));
    memory::SetF(p, own::Time, c.timeMs);
    memory::SetF(p, own::WState, wState);

    const bool umn = c.enabled() && curOut <= c.minU, umx = c.enabled() && curOut >= c.maxU;
    const int errorCode = c.parameterError ? 2 : (c.measuringError ? 1 : 0);
    p[PidOffset("Status")] =
        static_cast<std::uint8_t>((up ? 1 : 0) | (down ? 2 : 0) | (c.manual() ? 4 : 0) | (deadBand ? 8 : 0) |
                                  (c.ey1 ? 16 : 0) | (c.ey2 ? 32 : 0) | (c.ey3 ? 64 : 0));
    const auto det = static_cast<std::uint8_t>((errorCode & 7) | (umn ? 8 : 0) | (umx ? 16 : 0) |
                                               (c.ey1 ? 32 : 0) | (c.ey2 ? 64 : 0) | (c.ey3 ? 128 : 0));
    p[PidOffset("Det")] = det;
    return det;
}

// ------------------------------------------------------------------- PIDA

namespace {
// The private area behind the structure: the accepted parameters (parallel form) and the state.
namespace accepted {
constexpr int K = plc::kPidaStructSize + 0, Ti = plc::kPidaStructSize + 4, Td = plc::kPidaStructSize + 8,
              Nd = plc::kPidaStructSize + 12, B = plc::kPidaStructSize + 16, C = plc::kPidaStructSize + 20,
              Tt = plc::kPidaStructSize + 24, Hi = plc::kPidaStructSize + 28, Lo = plc::kPidaStructSize + 32,
              Type = plc::kPidaStructSize + 36, Reverse = plc::kPidaStructSize + 40,
              Integral = plc::kPidaStructSize + 44, DState = plc::kPidaStructSize + 48,
              PrevWeighted = plc::kPidaStructSize + 52, Time = plc::kPidaStructSize + 56,
              Started = plc::kPidaStructSize + 60;
}  // namespace accepted

// irType 1..7 = D, I, ID, P, PD, PI, PID: bit 2 P, bit 1 I, bit 0 D.
constexpr std::int32_t kUseP = 4, kUseI = 2, kUseD = 1;

double Proportional(const std::uint8_t* p, double k, double b, std::int32_t type, bool reverse) {
    const double w = GetF(p, PidaOffset("sp")), y = GetF(p, PidaOffset("pv"));
    const double v = (type & kUseP) ? k * (reverse ? -1 : 1) * (b * w - y) : 0.0;
    return std::isfinite(v) ? v : 0.0;
}

// Takes over the parameters the user changed; the integral absorbs the jump
// of the proportional part, so a new gain does not bump the output.
void AcceptParameters(std::uint8_t* p, bool first) {
    using namespace accepted;
    const auto real = [&](int at, double fallback) { return Finite(GetF(p, at), fallback); };
    const double oldP =
        first ? 0.0 : Proportional(p, real(K, 0), real(B, 1), Get32(p, Type), p[Reverse] != 0);
    PidSettings pid{real(PidaOffset("k"), 0),
                    std::max(0.0, real(PidaOffset("ti"), 0)),
                    std::max(0.0, real(PidaOffset("td"), 0)),
                    real(PidaOffset("nd"), 10),
                    real(PidaOffset("b"), 1),
                    real(PidaOffset("c"), 0)};
    if (Get32(p, PidaOffset("ipid")) == 2) tuning::SerialToParallel(pid.k, pid.ti, pid.td);
    SetF(p, K, pid.k);
    SetF(p, Ti, pid.ti);
    SetF(p, Td, pid.td);
    SetF(p, Nd, pid.nd);
    SetF(p, B, pid.b);
    SetF(p, C, pid.c);
    SetF(p, Tt, std::max(0.0, real(PidaOffset("tt"), 0)));
    SetF(p, Hi, real(PidaOffset("hilim"), 100));
    SetF(p, Lo, real(PidaOffset("lolim"), 0));
    std::memcpy(p + Type, p + PidaOffset("irType"), 4);
    p[Reverse] = p[PidaOffset("RACT")];
    p[PidaOffset("CHANGED")] = 0;
    if (!first) {
        const double newP = Proportional(p, pid.k, pid.b, Get32(p, Type), p[Reverse] != 0);
        SetF(p, Integral, Finite(GetF(p, Integral), 0) + oldP - newP);
    }
}
}  // namespace

void RunPidaBlock(std::uint8_t* p, double dtMs) {
    using namespace accepted;
    dtMs = std::max(0.0, Finite(dtMs, 0));
    const bool first = !p[Started];
    if (p[PidaOffset("CHANGED")] || first) AcceptParameters(p, first);

    // A sample is due when the period is reached, rounded to the nearest call.
    const double ts = Finite(GetF(p, PidaOffset("Ts")), 0);
    double time = Finite(GetF(p, Time), 0) + dtMs / 1000.0;
    if (!first && time + dtMs / 2000.0 < ts) {
        SetF(p, Time, time);
        // Between samples too: an output spoilt from outside does not stay.
        if (!std::isfinite(GetF(p, PidaOffset("mv")))) {
            const double hi = Finite(GetF(p, Hi), 100), lo = Finite(GetF(p, Lo), 0);
            SetF(p, PidaOffset("mv"), std::clamp(0.0, std::min(lo, hi), std::max(lo, hi)));
        }
        return;
    }
    const double h = first ? 0.0 : time;
    SetF(p, Time, 0);
    p[Started] = 1;

    double hi = Finite(GetF(p, Hi), 100), lo = Finite(GetF(p, Lo), 0);
    if (lo > hi) std::swap(lo, hi);
    const double stored = GetF(p, PidaOffset("mv"));
    const double previous = std::isfinite(stored) ? std::clamp(stored, lo, hi) : std::clamp(0.0, lo, hi);
    const TunerOutput tuner = h > 0 ? RunTuner(p, h, previous) : TunerOutput{};

    const double kk = Finite(GetF(p, K), 0), tiV = Finite(GetF(p, Ti), 0), tdV = Finite(GetF(p, Td), 0);
    const double ndV = std::max(1.0, Finite(GetF(p, Nd), 10)), bw = Finite(GetF(p, B), 1),
                 cw = Finite(GetF(p, C), 0), ttV = Finite(GetF(p, Tt), 0);
    const std::int32_t type = Get32(p, Type);
    const double s = p[Reverse] ? -1.0 : 1.0;
    const double spv = GetF(p, PidaOffset("sp")), pvv = GetF(p, PidaOffset("pv")),
                 hvv = GetF(p, PidaOffset("hv"));
    const double dvv = Finite(GetF(p, PidaOffset("dv")), 0);
    const bool inputsOk = std::isfinite(spv) && std::isfinite(pvv);
    const bool manual = p[PidaOffset("MAN")] != 0;

    double integral = Finite(GetF(p, Integral), previous);
    double d = Finite(GetF(p, DState), 0);
    const double e = s * (spv - pvv), weighted = s * (cw * spv - pvv);  // D acts on the weighted error
    const double prevWeighted = first ? weighted : Finite(GetF(p, PrevWeighted), weighted);
    const double pPart = Proportional(p, kk, bw, type, s < 0);
    if (inputsOk && (type & kUseD) && tdV > 0 && h > 0) {
        const double ad = tdV / (tdV + ndV * h);
        d = ad * d + kk * ndV * ad * (weighted - prevWeighted);
    } else if (inputsOk) {
        d = 0;
    }
    // A start has no history: no bias that would cancel the first error, so a controller
    // without I part acts on its error at once.
    if (first) integral = 0;
    const double v = pPart + integral + d + dvv;

    double out = v;
    if (tuner.drives)
        out = tuner.mv;
    else if (manual)
        out = std::isfinite(hvv) ? hvv : previous;
    else if (!inputsOk || !std::isfinite(v))
        out = previous;  // nothing non-finite reaches the output: it holds
    if (!std::isfinite(out)) out = previous;
    const double limited = std::clamp(out, lo, hi);
    const bool automatic = !tuner.drives && !manual && inputsOk && std::isfinite(v);
    p[PidaOffset("SAT")] = automatic && limited != out ? 1 : 0;
    out = limited;

    if (!automatic) {
        // The integral follows the output held from outside: back to automatic without a bump.
        if (inputsOk) integral = out - pPart - d - dvv;
    } else if ((type & kUseI) && tiV > 0 && h > 0) {
        // Anti-windup by tracking: the integral is pulled toward the limited output within tt.
        const double back = ttV > 0 ? std::min(1.0, h / ttV) * (out - v) : (out - v);
        integral += kk * h / tiV * e + back;
    }
    if (!std::isfinite(integral)) integral = out - dvv;
    if (!std::isfinite(d)) d = 0;
    SetF(p, Integral, integral);
    SetF(p, DState, d);
    if (inputsOk) SetF(p, PrevWeighted, weighted);
    SetF(p, PidaOffset("mv"), out);
    SetF(p, PidaOffset("dmv"), out - previous);
    SetF(p, PidaOffset("de"), inputsOk ? spv - pvv : 0.0);
}

}  // namespace velmora::softplc
