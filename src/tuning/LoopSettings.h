#pragma once
// The parameters of the two controller kinds in their blocks' own units, as
// the controller file and the PLC keep them, and what the tuning needs from
// them: the sampling period and the linear control law.
#include <string>
#include <string_view>

#include "controllers/ControllerKeys.h"

namespace velmora {
class SectionReader;
class SectionWriter;
}  // namespace velmora

namespace velmora::tuning {

// The integer controller (T_PID): units as the block takes them.
struct PidBlockSettings {
    int pBnd = 1000;                        // proportional band, 0.1 % of the measuring range
    int relCool = 1000;                     // band of negative errors, 0.1 % of PBnd
    int ti = 0, td = 0;                     // 0.1 s; Ti 0: no integral action
    int eGap = 0, iGap = 0, dGap = 0;       // 0.01 % of the measuring range
    int outCycle = 100;                     // sampling period, 0.01 s
    int minU = 0, maxU = 10000, dMaxU = 0;  // 0.01 %
    int minY = 0, maxY = 10000;             // raw values of 0 % and 100 %
    int tiW = 0;                            // set-point filter, samples
    bool reverse = false;                   // AO
    bool incremental = true;                // IP
    bool threeStage = false;                // BU
    bool ramp = false;                      // RF
    int fu = 0;                             // smallest action of the three-stage output, N × 0.32 %

    bool operator==(const PidBlockSettings&) const = default;
};

// The floating-point controller (_TPIDA_); k, ti, td in the serial form when `serial` (ipid 2).
struct PidaBlockSettings {
    double k = 1, ti = 4, td = 1, nd = 10, b = 1, c = 0, tt = 1;
    double hilim = 100, lolim = 0;
    double ts = 0.2;  // sampling period, s
    int irType = 7;   // 1..7 = D, I, ID, P, PD, PI, PID
    bool reverse = false;
    bool serial = false;

    bool operator==(const PidaBlockSettings&) const = default;
};

struct LoopController {
    ControllerKind kind = ControllerKind::Pid;
    PidBlockSettings pid;
    PidaBlockSettings pida;
};

// Limits of the PID parameter page (PBnd 0.1 .. 3000 %, Ti and Td 0 .. 3000 s).
constexpr int kMinPBnd = 1, kMaxPBnd = 30000, kMaxTime = 30000;

// The period the block samples at when it is called every `scan` s: the PID
// block samples at the first call at which OutCycle has passed, the PIDA
// block at the call nearest to Ts.
double SamplePeriod(const LoopController& c, double scan);
// The output limits, %.
double OutputLow(const LoopController& c);
double OutputHigh(const LoopController& c);
bool Reverse(const LoopController& c);

// The control law without limits, dead band or rounding, in the parallel form
// u = k·(b·w − y) + integral of k/ti·e + D on (c·w − y) filtered to td/nd;
// ti 0: no integral, td 0: no derivative. `integralLate`: the integral of a
// sample acts from the next one (PIDA); else at once (PID).
struct ControlLaw {
    double k = 0, ti = 0, td = 0, nd = 4, b = 1, c = 0;
    bool proportional = true;
    bool integralLate = false;
};
ControlLaw LawOf(const LoopController& c);

// Serial (interacting) parameters to the parallel ones the PIDA block runs.
void SerialToParallel(double& k, double& ti, double& td);
void ParallelToSerial(double& k, double& ti, double& td);

// The controller as the code generator reads it from its section.
LoopController ReadLoopController(const SectionReader& section);

// Its tuning parameters into its section, as "Save vals" stores them: PBnd, Ti,
// Td, TiW and WFiltr (not the ramp) for the PID or k, Ti, td, nd, b and c (PIDMA).
void WriteLoopParameters(SectionWriter& section, const LoopController& c);

// "PBnd 12.5 %, Ti 30.0 s, Td 2.0 s, TiW 0" or "k 2.500, ti 30.00 s, ...".
std::string DescribeParameters(const LoopController& c);

// Whether two PID settings modify a set-point step differently: TiW, and the
// ramp (RF) against the filter where TiW is not 0.
bool SetpointModificationDiffers(const PidBlockSettings& a, const PidBlockSettings& b);
// "filter, TiW 63", "ramp, TiW 500" or "none".
std::string SetpointModificationText(const PidBlockSettings& p);

// Parameters a user typed, "PBnd=12.5,Ti=30,Td=2,TiW=4" (PID, shown units) or
// "k=2,ti=10,td=1,b=0.5" (PIDMA), over `into`; an error text, empty when read.
std::string ApplyTypedParameters(std::string_view text, LoopController& into);

}  // namespace velmora::tuning
