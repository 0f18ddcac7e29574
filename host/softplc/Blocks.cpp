#include "Blocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Autotuner.h"
#include "BlockMemory.h"
#include "simulation/InputConversion.h"

namespace velmora::softplc {

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

namespace tpid {
constexpr int Det = 0, MinY = 1, MaxY = 3, Input1 = 5, gW = 7, ConW = 9, tiW = 11, Dev = 13, Output = 15,
              LastOut = 17, CurOut = 19, ConOut = 21, DefOut = 23, MinU = 25, MaxU = 27, dMaxU = 29,
              OutCycle = 31, PBnd = 33, RelCool = 35, Ti = 37, Td = 39, EGap = 41, DGap = 43, IGap = 45,
              Control = 47, Status = 49;
// The private area behind the structure.
constexpr int Time = 50;      // float: ms since the last sample
constexpr int Integral = 54;  // float: integral part (positional) or exact output (incremental), %
constexpr int PrevX = 58;     // float: action variable at the last sample, %
constexpr int DState = 62;    // float: filtered derivative part, %
constexpr int WState = 66;    // float: set point filter, raw units
constexpr int Position = 70;  // int16: modelled actuator position of the 3-stage output, 0.01 %
constexpr int Flags =
    72;  // bit 0 started, bit 1 the output was held (manual, input error, stop) since the last sample
}  // namespace tpid

namespace control {
constexpr int RC = 0, AO = 1, A12 = 2, KC = 3, BU = 4, IP = 5, AM = 6, HR = 7, RF = 8, RIO = 9, FU0 = 13,
              FU1 = 14, FU3 = 15;
}

bool Valid(std::int32_t v) {
    return v > kInputUnderflow && v < kInputOverflow;
}

}  // namespace

std::uint8_t RunPidBlock(std::uint8_t* p, std::int32_t input2, std::int32_t input3, double dtMs) {
    using namespace tpid;
    const std::uint16_t ctrl = static_cast<std::uint16_t>(Get16(p, Control));
    const auto on = [&](int bit) { return ((ctrl >> bit) & 1) != 0; };
    std::uint8_t flags = p[Flags];
    const bool started = flags & 1;
    dtMs = std::max(0.0, Finite(dtMs, 0));

    const double minY = Get16(p, MinY), maxY = Get16(p, MaxY);
    const double range = maxY - minY;
    const std::int32_t input1 = Get16(p, Input1);
    const bool inputMode2 = on(control::HR) || on(control::RIO);
    const bool ey1 = !Valid(input1), ey2 = inputMode2 && !Valid(input2),
               ey3 = on(control::KC) && !Valid(input3);

    // The measured value: the second input stands in for the first when it fails.
    double y = input1;
    bool measuringError = ey1;
    if (on(control::HR) && ey1 && !ey2) {
        y = input2;
        measuringError = false;
    }

    // Set point: the ratio of the second input in ratio control, gW otherwise.
    double w = Get16(p, gW);
    if (on(control::RIO))
        w = Valid(input2) ? input2 * static_cast<double>(Get16(p, gW)) / 10000.0 : Get16(p, ConW);

    const double minU = Get16(p, MinU) / 100.0, maxU = Get16(p, MaxU) / 100.0;
    const bool parameterError = range == 0 || Get16(p, PBnd) <= 0 || minU > maxU;
    int errorCode = parameterError ? 2 : (measuringError ? 1 : 0);

    double timeMs = Finite(GetF(p, Time), 0) + dtMs;
    double wState = Finite(GetF(p, WState), w);
    if (!started) {
        wState = w;
        SetF(p, Integral, Get16(p, CurOut) / 100.0);
        SetF(p, DState, 0);
        Set16(p, Position, Get16(p, CurOut));
        timeMs = 1e12;  // the first call samples at once
    }
    const double periodMs = Get16(p, OutCycle) * 10.0;
    const bool sample = timeMs >= periodMs;
    // The first sample has no history: no integral or derivative step from an unknown time.
    const double T = started ? std::min(timeMs, 1e9) / 1000.0 : 0.0;
    if (sample) timeMs = 0;

    double curOut = Get16(p, CurOut) / 100.0;
    bool deadBand = false;
    bool umn = false, umx = false;
    const bool manual = !on(control::AM);
    const bool enabled = on(control::RC);

    // Action variable x and set point in percent of the measuring range;
    // reverse action works on negated values.
    const double sign = on(control::AO) ? -1.0 : 1.0;
    const auto percent = [&](double raw) { return range == 0 ? 0.0 : (raw - minY) * 100.0 / range; };

    if (!enabled || parameterError) {
        // Nothing is computed; the output holds.
    } else if (manual) {
        curOut = std::clamp(Get16(p, Output) / 100.0, minU, maxU);
    } else if (measuringError) {
        const int def = Get16(p, DefOut);
        if (def != 11000) curOut = def / 100.0;  // 11000: keep the last output
    } else if (sample) {
        double wPrev = wState;
        // Set point modification, tiW counted in sampling periods: a first-order
        // filter, or with RF a ramp that runs the whole measuring range in tiW samples.
        const double samples = static_cast<std::uint16_t>(Get16(p, tiW));
        if (samples <= 0) {
            wState = w;
        } else if (on(control::RF)) {
            const double rate = std::abs(range) / samples;
            wState = w > wState ? std::min(w, wState + rate) : std::max(w, wState - rate);
        } else {
            wState += (w - wState) / (samples + 1);
        }
        const double x = sign * percent(y);
        const double wp = sign * percent(wState);
        double prevX = Finite(GetF(p, PrevX), x);
        const bool resume = !started || (flags & 2);  // first sample after manual, an input error or a stop
        if (resume) {
            prevX = x;
            wPrev = wState;
        }
        const auto withDeadBand = [&](double e) {
            const double gap = Get16(p, EGap) / 100.0;
            if (std::abs(e) <= gap) return 0.0;
            return e > 0 ? e - gap : e + gap;
        };
        const double eRaw = wp - x;
        const double e = withDeadBand(eRaw);
        deadBand = e == 0;
        double band = Get16(p, PBnd) / 10.0;
        if (e < 0) band = band * Get16(p, RelCool) / 1000.0;
        const double kp = band > 0 ? 100.0 / band : 0.0;
        const double ti = Get16(p, Ti) / 10.0, td = Get16(p, Td) / 10.0;
        const double iGap = Get16(p, IGap) / 100.0, dGap = Get16(p, DGap) / 100.0;

        // Derivative on the measurement, filtered with Td/4.
        const double n = 4.0;
        double d = Finite(GetF(p, DState), 0);
        const double dPrev = d;
        if (td > 0 && T > 0 && !(dGap > 0 && std::abs(eRaw) > dGap)) {
            const double raw = -kp * td * (x - prevX) / T;
            d += (raw - d) * T / (td / n + T);
        } else {
            d = 0;
        }
        const bool integrate = ti > 0 && T > 0 && !(iGap > 0 && std::abs(eRaw) > iGap);
        const double iStep = integrate ? kp * T / ti * e : 0.0;
        const double limit = Get16(p, dMaxU) / 100.0;
        const double previous = curOut;
        const auto limited = [&](double u) {
            if (limit > 0 && !on(control::BU)) u = std::clamp(u, previous - limit, previous + limit);
            return std::clamp(u, minU, maxU);
        };
        if (on(control::IP)) {
            // Incremental: the output moves by the change of each part; clamping it is the anti-windup.
            const double ePrev = withDeadBand(sign * percent(wPrev) - prevX);
            double base = Finite(GetF(p, Integral), curOut);
            if (resume) base = curOut;
            if (on(control::KC) && !on(control::BU) && Valid(input3))
                base = input3 / 100.0;  // external feedback
            const double u = base + kp * (e - ePrev) + iStep + (d - dPrev);
            curOut = limited(u);
            SetF(p, Integral, curOut);
        } else {
            // Positional: P + I + D; the integral stops while the output is held at a limit
            // in the direction the error pushes (conditional integration).
            double integral = Finite(GetF(p, Integral), 0);
            const double pPart = kp * e;
            if (!started)
                integral = std::clamp(0.0, minU, maxU);  // a start: no bias against the first error
            else if (resume)
                integral = std::clamp(curOut - pPart - d, minU, maxU);
            double u = pPart + integral + iStep + d;
            const double out = limited(u);
            if (!((out < u && iStep > 0) || (out > u && iStep < 0))) integral += iStep;
            integral = std::clamp(integral, minU - std::abs(pPart), maxU + std::abs(pPart));
            u = pPart + integral + d;
            curOut = limited(u);
            SetF(p, Integral, integral);
        }
        SetF(p, PrevX, x);
        SetF(p, DState, d);
        Set16(p, LastOut, previous * 100.0);
    }
    umn = enabled && curOut <= minU;
    umx = enabled && curOut >= maxU;
    if (manual || measuringError || !enabled) SetF(p, Integral, on(control::IP) ? curOut : GetF(p, Integral));

    Set16(p, CurOut, curOut * 100.0);
    if (!manual) Set16(p, Output, curOut * 100.0);  // the manual value starts where automatic left off
    Set16(p, ConW, wState);
    Set16(p, Dev, sign * (wState - y));
    Set16(p, ConOut, on(control::A12) ? curOut * 40.95 : curOut * 100.0);

    // Three-stage output: at each sample a pulse long enough for the actuator
    // (dMaxU per sampling period, or a whole stroke per minute) to reach the
    // demanded position, no longer than the period.
    bool up = false, down = false;
    if (on(control::BU) && enabled && !parameterError) {
        const double speed =
            (Get16(p, dMaxU) > 0 && periodMs > 0) ? Get16(p, dMaxU) / periodMs : 10000.0 / 60000.0;
        double position = Get16(p, Position);
        if (sample) {
            const double start =
                std::clamp(on(control::KC) && Valid(input3) ? double(input3) : position, 0.0, 10000.0);
            const double demand = curOut * 100.0;
            double travel = demand - start;
            const double most = speed * std::max(periodMs, dtMs);
            travel = std::clamp(travel, -most, most);
            // Shorter than one cycle, or than the smallest action FU (0.32 % steps): wait.
            const int fu = (on(control::FU0) ? 1 : 0) | (on(control::FU1) ? 2 : 0) | (on(control::FU3) ? 4 : 0);
            if (std::abs(travel) < std::max(speed * dtMs, fu * 32.0)) travel = 0;
            // A demand at an end keeps driving into the end stop: the model cannot see the
            // actuator, and a model that ran ahead of it would otherwise never catch up.
            if ((demand >= 10000 && travel >= 0) || (demand <= 0 && travel <= 0))
                travel = demand >= 10000 ? most : -most;
            Set16(p, LastOut, start);
            position = start + travel;
            Set16(p, Position, position);
        }
        const double travel = position - Get16(p, LastOut);
        const double pulseMs = std::abs(travel) / speed;
        const double since = sample ? 0 : timeMs;
        if (since < pulseMs) {
            up = travel > 0;
            down = travel < 0;
        }
    }

    // The next automatic sample starts from the output as it is (bumpless).
    const bool held = manual || measuringError || !enabled || parameterError;
    const bool resumed = !held && sample;
    flags = static_cast<std::uint8_t>(1 | ((held || ((flags & 2) && !resumed)) ? 2 : 0));
    p[Flags] = flags;
    SetF(p, Time, timeMs);
    SetF(p, WState, wState);

    const std::uint8_t status =
        static_cast<std::uint8_t>((up ? 1 : 0) | (down ? 2 : 0) | (manual ? 4 : 0) | (deadBand ? 8 : 0) |
                                  (ey1 ? 16 : 0) | (ey2 ? 32 : 0) | (ey3 ? 64 : 0));
    p[Status] = status;
    const std::uint8_t det = static_cast<std::uint8_t>((errorCode & 7) | (umn ? 8 : 0) | (umx ? 16 : 0) |
                                                       (ey1 ? 32 : 0) | (ey2 ? 64 : 0) | (ey3 ? 128 : 0));
    p[Det] = det;
    return det;
}

// ------------------------------------------------------------------- PIDA

namespace {
// The private area behind the structure: the accepted parameters (parallel form) and the state.
namespace accepted {
constexpr int K = pida::Private + 0, Ti = pida::Private + 4, Td = pida::Private + 8, Nd = pida::Private + 12,
              B = pida::Private + 16, C = pida::Private + 20, Tt = pida::Private + 24, Hi = pida::Private + 28,
              Lo = pida::Private + 32, Type = pida::Private + 36, Reverse = pida::Private + 40,
              Integral = pida::Private + 44, DState = pida::Private + 48, PrevWeighted = pida::Private + 52,
              Time = pida::Private + 56, Started = pida::Private + 60;
}  // namespace accepted

// irType 1..7 = D, I, ID, P, PD, PI, PID: bit 2 P, bit 1 I, bit 0 D.
constexpr std::int32_t kUseP = 4, kUseI = 2, kUseD = 1;

double Proportional(const std::uint8_t* p, double k, double b, std::int32_t type, bool reverse) {
    const double w = GetF(p, pida::sp), y = GetF(p, pida::pv);
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
    PidSettings pid{real(pida::k, 0), std::max(0.0, real(pida::ti, 0)), std::max(0.0, real(pida::td, 0)),
                    real(pida::nd, 10), real(pida::b, 1), real(pida::c, 0)};
    if (Get32(p, pida::ipid) == 2) pid = SerialToParallel(pid);
    SetF(p, K, pid.k);
    SetF(p, Ti, pid.ti);
    SetF(p, Td, pid.td);
    SetF(p, Nd, pid.nd);
    SetF(p, B, pid.b);
    SetF(p, C, pid.c);
    SetF(p, Tt, std::max(0.0, real(pida::tt, 0)));
    SetF(p, Hi, real(pida::hilim, 100));
    SetF(p, Lo, real(pida::lolim, 0));
    std::memcpy(p + Type, p + pida::irType, 4);
    p[Reverse] = p[pida::RACT];
    p[pida::CHANGED] = 0;
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
    if (p[pida::CHANGED] || first) AcceptParameters(p, first);

    // A sample is due when the period is reached, rounded to the nearest call.
    const double ts = Finite(GetF(p, pida::Ts), 0);
    double time = Finite(GetF(p, Time), 0) + dtMs / 1000.0;
    if (!first && time + dtMs / 2000.0 < ts) {
        SetF(p, Time, time);
        // Between samples too: an output spoilt from outside does not stay.
        if (!std::isfinite(GetF(p, pida::mv))) {
            const double hi = Finite(GetF(p, Hi), 100), lo = Finite(GetF(p, Lo), 0);
            SetF(p, pida::mv, std::clamp(0.0, std::min(lo, hi), std::max(lo, hi)));
        }
        return;
    }
    const double h = first ? 0.0 : time;
    SetF(p, Time, 0);
    p[Started] = 1;

    double hi = Finite(GetF(p, Hi), 100), lo = Finite(GetF(p, Lo), 0);
    if (lo > hi) std::swap(lo, hi);
    const double stored = GetF(p, pida::mv);
    const double previous = std::isfinite(stored) ? std::clamp(stored, lo, hi) : std::clamp(0.0, lo, hi);
    const TunerOutput tuner = h > 0 ? RunTuner(p, h, previous) : TunerOutput{};

    const double kk = Finite(GetF(p, K), 0), tiV = Finite(GetF(p, Ti), 0), tdV = Finite(GetF(p, Td), 0);
    const double ndV = std::max(1.0, Finite(GetF(p, Nd), 10)), bw = Finite(GetF(p, B), 1),
                 cw = Finite(GetF(p, C), 0), ttV = Finite(GetF(p, Tt), 0);
    const std::int32_t type = Get32(p, Type);
    const double s = p[Reverse] ? -1.0 : 1.0;
    const double spv = GetF(p, pida::sp), pvv = GetF(p, pida::pv), hvv = GetF(p, pida::hv);
    const double dvv = Finite(GetF(p, pida::dv), 0);
    const bool inputsOk = std::isfinite(spv) && std::isfinite(pvv);
    const bool manual = p[pida::MAN] != 0;

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
    p[pida::SAT] = automatic && limited != out ? 1 : 0;
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
    SetF(p, pida::mv, out);
    SetF(p, pida::dmv, out - previous);
    SetF(p, pida::de, inputsOk ? spv - pvv : 0.0);
}

}  // namespace velmora::softplc
