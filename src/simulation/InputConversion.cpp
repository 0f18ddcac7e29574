#include "simulation/InputConversion.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace velmora {
namespace {

// Sensor resistance of a temperature (tenths of a degree) for the three
// resistance-thermometer curves the modules linearise.
struct Quartic {
    double c0, c1, c2, c3, c4;
    double operator()(double v) const {
        return c0 + c1 * v + c2 * v * v + c3 * v * v * v + c4 * v * v * v * v;
    }
};
constexpr Quartic P1{1001.0123270731, 0.391073285478639, -6.43399736805628e-6, 1.51238533995841e-10,
                     -1.01146235231917e-14};
constexpr Quartic P2{999.94611006394, 0.546427160860591, 6.68679006630775e-5, 4.99314397546459e-9,
                     8.27950379639166e-14};
constexpr Quartic P3{1000.87877317547, 0.442923745084593, 5.53463072115193e-5, -8.5127773585023e-11,
                     2.21683898906412e-12};

double T(double x) {
    return std::trunc(x);
}

double In(double v, double lo, double hi) {
    return std::clamp(v, lo, hi);
}

// Kept within the int range (NaN gives 0): settings at the int limits give values past it.
int Int(double r) {
    if (std::isnan(r)) return 0;
    return static_cast<int>(
        std::clamp(r, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

// Result kept within lo..hi.
int Within(double r, int lo, int hi) {
    return Int(std::clamp(r, double(lo), double(hi)));
}

// Result kept within lo..hi and marked valid.
int MarkedWithin(double r, int lo, int hi) {
    return Within(r, lo, hi) | kRawValidBit;
}

// Result marked valid, limited above; below `low` the module reports `lowCode`.
int MarkedUpTo(double r, int hi, int low, int lowCode) {
    if (r < low) return lowCode;
    return Int(std::min(r, double(hi))) | kRawValidBit;
}

// The bridge circuit of the larger PLC types and the divider of type index 0.
double Bridge(double resistance) {
    return T(10 * resistance / (7500 + resistance) * 2.5 * 819);
}
double Divider(double resistance) {
    return T(resistance * 5 / (resistance * 0.00061 + 2.013));
}

// The 4xx modules, which mark a valid reading with bit 13 and report a fixed
// code below their low bound; 1202 and 1502 convert like 402.
std::optional<int> MarkedModules4xx(int mode, double v) {
    switch (mode) {
        case 401:
            return MarkedWithin(T(In(v, 0, 10000) * 0.4), 0, 4000);
        case 402:
        case 1202:
        case 1502: {
            v = In(v, -10000, 10000);
            const double k = mode == 402 ? 0.4 : 0.40955;
            const int r = Within(T(std::abs(T(v)) * k), 0, mode == 402 ? 4000 : 4095);
            // A negative value has no valid mark: the module reports its magnitude only.
            return v >= 0 ? (r | kRawValidBit) : r;
        }
        case 410:
            return MarkedUpTo(T(In(v, 0, 10000) * 0.32 + 800), 4000, 800, 8992);
        case 420:
            return MarkedWithin(T(In(v, 0, 2560) * 1.6), 0, 4095);
        case 421:
            return MarkedUpTo(T(T(P1(In(v, -1000, 4260)) + 0.5) * 1.6), 4095, 965, 9157);
        case 430:
            return MarkedWithin(T(std::abs(T(In(v, 0, 1024) * 10000 / 1024)) * 0.40955), 0, 4095);
        case 431:
            return MarkedUpTo(T(P1(In(v, -1000, 2680)) * 2), 4011, 1206, 9398);
        case 432:
            return MarkedUpTo(T(P2(In(v, -500, 1520)) * 2), 4004, 1485, 9677);
        default:
            return std::nullopt;
    }
}

// The marked modules of the 12xx and 15xx rows.
std::optional<int> MarkedModules12xx15xx(int mode, double v) {
    switch (mode) {
        case 1201:
        case 1501:
            return MarkedWithin(T(In(v, 0, 10000) * 0.40955), 0, 4095);
        case 1210:
        case 1510:
            return MarkedUpTo(T(In(v, 0, 10000) * 0.3276 + 819), 4095, 819, 9011);
        case 1220:
            return MarkedWithin(T(T(In(v, 0, 5000) * 2) * 0.40955), 0, 4095);
        case 1221:
            return MarkedUpTo(T(T(P1(In(v, -1000, 8500)) * 2) * 0.40955), 3193, 494, 8686);
        case 1230:
        case 1530:
            return MarkedWithin(T(T(In(v, 0, 2000) * 5) * 0.40955), 0, 4095);
        case 1231:
        case 1531:
            return MarkedUpTo(T(T(P1(In(v, -1000, 2600)) * 5) * 0.40955), 4047, 1235, 9427);
        case 1232:
        case 1532:
            return MarkedUpTo(T(T(P2(In(v, -500, 1520)) * 4.995) * 0.4096), 4095, 1520, 9712);
        case 1520:
            return MarkedWithin(T(T(In(v, 0, 1570) * 1000 / 157) * 0.40955), 0, 4095);
        case 1521:
            return MarkedUpTo(T(T(P1(In(v, -1000, 1470)) * 1000 / 157) * 0.40955), 4073, 1573, 9765);
        case 1525:
            return MarkedWithin(T(T(In(v, 0, 3200) * 100 * 0.03125) * 0.40955), 0, 4095);
        case 1526:
            return MarkedUpTo(T(T(P1(In(v, -1000, 6200)) * 100 * 0.03125) * 0.40955), 4094, 772, 8964);
        default:
            return std::nullopt;
    }
}

// The modules without a valid mark.
std::optional<int> UnmarkedModules(int mode, double v) {
    switch (mode) {
        case 501:
        case 1101:
        case 4001:
            return Within(T(In(v, 0, 10000) * 0.40955), 0, 4094);
        case 510:
        case 1110:
        case 4010:
            return Within(T(In(v, 0, 10000) * 0.3276 + 819), 819, 4095);
        case 1102: {
            const double r = T(In(v, -10000, 10000) * 0.40955 * 0.5 + 2048);
            return r < 0 ? 1 : Int(std::min(r, 4094.0));
        }
        case 1120:
            return Within(T(T(In(v, 0, 5000) * 2) * 0.40955), 0, 4095);
        case 1121:
            return Within(T(T(P1(In(v, -1000, 8500)) * 2) * 0.40955), 494, 3193);
        case 1130:
            return Within(T(T(In(v, 0, 2000) * 5) * 0.40955), 0, 4095);
        case 1131:
            return Within(T(T(P1(In(v, -1000, 2600)) * 5) * 0.40955), 1235, 4047);
        case 1132:
            return Within(T(T(P2(In(v, -500, 1520)) * 5) * 0.40955), 1520, 4095);
        default:
            return std::nullopt;
    }
}

// The resistance inputs of the 20xx modes, through the compact series' divider
// or the bridge of the larger PLC types.
std::optional<int> ResistanceCircuits(int mode, double v, bool compact) {
    switch (mode) {
        case 2001:
            v = In(v, 0, 10000);
            if (compact) return Within(T(v * 25 / 61 * 125 / 161 + 241), 241, 3422);
            return Within(T(v * 0.4095), 0, 4094);
        case 2010:
            v = In(v, 0, 10000);
            if (compact) return Within(T((v + 2500) * 20 / 61 * 125 / 161 + 241), 878, 3422);
            return Within(T(v * 0.3276 + 819), 819, 4094);
        case 2025:  // the value is a resistance
            return Within(Divider(In(v, 0, 1000)), 0, 1906);
        case 2030:  // the value is a resistance
            return Within(Bridge(In(v, 0, 1870)), 0, 4087);
        case 2031: {
            // The module reports everything above 4042 as 4092 (the top of the
            // input range), so 4043..4091 never occur.
            const double r = Bridge(P1(In(v, -1000, 2315)));
            if (r < 1524) return 1524;
            return r > 4042 ? 4092 : Int(r);
        }
        case 2032:
            // Input limited at 1350 (1352 would give 4092, beyond the raw range);
            // the compact circuit gives 1426 at -600, so that is its low bound.
            if (compact) return Within(Divider(P2(In(v, -600, 1350))), 1426, 2965);
            return Within(Bridge(P2(In(v, -500, 1350))), 1845, 4090);
        case 2033:
            if (compact) return Within(Divider(P3(In(v, -600, 1610))), 1527, 2967);
            return Within(Bridge(P3(In(v, -500, 1600))), 1959, 4079);
        default:
            return std::nullopt;
    }
}

}  // namespace

bool HasInputConversion(int mode) {
    // clang-format off
    switch (mode) {
        case 401: case 402: case 410: case 420: case 421: case 430: case 431: case 432:
        case 501: case 510: case 1101: case 1102: case 1110: case 1120: case 1121: case 1130:
        case 1131: case 1132: case 1201: case 1202: case 1210: case 1220: case 1221: case 1230:
        case 1231: case 1232: case 1501: case 1502: case 1510: case 1520: case 1521: case 1525:
        case 1526: case 1530: case 1531: case 1532: case 2001: case 2010: case 2025: case 2030:
        case 2031: case 2032: case 2033: case 4001: case 4010:
            return true;
        default:
            return false;
    }
    // clang-format on
}

int ConvertInputToRaw(int mode, double value, int plcTypeIndex) {
    const double v = std::isnan(value) ? 0.0 : value;
    if (const auto raw = MarkedModules4xx(mode, v)) return *raw;
    if (const auto raw = MarkedModules12xx15xx(mode, v)) return *raw;
    if (const auto raw = UnmarkedModules(mode, v)) return *raw;
    if (const auto raw = ResistanceCircuits(mode, v, plcTypeIndex == 0)) return *raw;
    return Int(T(std::clamp(v, -32768.0, 32767.0)));
}

}  // namespace velmora
