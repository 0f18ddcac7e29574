#pragma once
// The simulated plant of one online view: a discrete-time model stepped every
// 0.1 s that turns the controller output read from the PLC into the measured
// value written back. Independent of any window; each view owns one.
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// Values of TypSoustavy.
enum PlantType : int {
    kPlantNone = 0,
    kPlantFirstOrder = 1,
    kPlantSecondOrder = 2,
    kPlantSecondOrderOscillating = 3,
    kPlantThirdOrder = 4,
    kPlantThirdOrderOscillating = 5,
};

// Values of AddOut: where the disturbance added to the output comes from.
enum DisturbanceSource : int { kDisturbanceNone = 0, kDisturbanceWord = 1, kDisturbanceReal = 2 };

// The plant settings of a controller, with the defaults the online view reads.
struct PlantSettings {
    double su = 1;                         // static gain while the stage input is positive
    double su2 = 1;                        // static gain while it is zero or negative
    double tau1 = 10, tau2 = 5, tau3 = 2;  // time constants, s
    double delta = 0.25;                   // relative damping
    double omega = 0.5;                    // frequency of the oscillation, rad/s
    double tauA = 20;                      // time constant of the integrating stage, s
    double minSU = 0, maxSU = 100;         // limits of the integrating stage, %
    double simT = 1;                       // exchange period with the PLC, s
    int dDelta = 1;                        // dead time, model steps
    double y0 = 0;                         // initial state, %
    double ys = 0;                         // equilibrium state, %
    bool astat = false;                    // integrating stage on
    bool simulation = false;               // simulation active
    bool delay = false;                    // dead time on
    int plantType = kPlantFirstOrder;
    int addOut = kDisturbanceNone;
    std::string addOutName;

    bool operator==(const PlantSettings&) const = default;
};

// How the simulated output reaches the inputs of an integer controller.
struct SimulatedInputs {
    bool pidController = true;   // only the integer controller gets raw input values
    int y1Mode = 0, y3Mode = 0;  // Y1CNVMode, Y3CNVMode
    int minY = 0, maxY = 10000;  // raw values of 0 % and 100 % of the controlled variable
    int y3x1 = 0, y3x2 = 10000;  // raw range of the simulated actuator position
    int plcTypeIndex = 0;

    bool operator==(const SimulatedInputs&) const = default;
};

// A value for one input of the controller. An INT input carries the module's
// raw value; a REAL input (mode below -710) carries the engineering value
// itself, since a REAL input has no raw scale.
struct RawInputValue {
    double value = 0;
    bool real = false;
};

// What the exchange read for the disturbance variable.
struct DisturbanceReading {
    std::int16_t word = 0;
    float real = 0;
};

class PlantSimulation {
public:
    static constexpr double kStep = 0.1;  // model step, s
    // The dead time is held in memory step by step; beyond 10000 s it is cut.
    static constexpr int kMaxDeadTimeSteps = 100000;

    PlantSimulation();

    // (Re)loads the settings and resets output, stage input, first stage and
    // dead-time ring to y0; the second-order stage keeps its previous input
    // and output (0 for a new simulation). Marks the coefficients for
    // recomputation.
    void load(const PlantSettings& settings, const SimulatedInputs& inputs = {});
    // The next step recomputes the cached coefficients (the exchange period changed).
    void markCoefficientsDirty() { dirty_ = true; }
    bool coefficientsDirty() const { return dirty_; }

    // The plant input u in percent, kept until changed.
    void setPlantInput(double u) { u_ = u; }
    void setDisturbanceReading(DisturbanceReading reading) { reading_ = reading; }

    // One model step of 0.1 s.
    void step();

    const PlantSettings& settings() const { return settings_; }
    const SimulatedInputs& inputs() const { return inputs_; }
    double plantInput() const { return u_; }
    double stageInput() const { return s_; }   // s: after the integrating stage
    double firstStage() const { return x1_; }  // x1 of the third-order plants
    double output() const { return yd_; }      // plant output without disturbance, %
    double simulatedOutput() const { return ysim_; }
    double disturbance() const { return a_; }
    // Raw values of the first and third input of an integer controller, as of
    // the last active step.
    RawInputValue firstInput() const { return y1_; }
    RawInputValue thirdInput() const { return y3_; }
    // An active step has run since the last load: only then may values be written.
    bool hasStepped() const { return stepped_; }
    bool newValue() const { return newValue_; }
    void clearNewValue() { newValue_ = false; }

private:
    void computeSecondOrderCoefficients();
    void computeOscillatingCoefficients();
    // The steps of step(), in their order.
    void readDisturbance();
    void integratingStage();
    double delayedInput();
    void plantStep(double gain, double ud);
    void rawInputs();

    PlantSettings settings_;
    SimulatedInputs inputs_;
    DisturbanceReading reading_;
    double u_ = 0, s_ = 0, x1_ = 0, yd_ = 0, yp_ = 0, up_ = 0;
    std::vector<double> ring_;
    int k_ = 0;
    double a_coef_ = 0, b_ = 0, c_ = 0, d_ = 0, e1_ = 0, e2_ = 0, e3_ = 0, eOmega_ = 0, g_ = 0;
    bool dirty_ = true;
    double ysim_ = 0, a_ = 0;
    RawInputValue y1_, y3_;
    bool stepped_ = false;
    bool newValue_ = false;
};

// The plant input of an integer controller from its last read structure: the
// analog output in hundredths of a percent when bit 3 of the output type code
// is set, else full action from the three-stage output bits.
double PidPlantInput(int outputTypeCode, int curOut, bool upBit, bool downBit);

// Interval of the exchange timer for an exchange period: 125 ms per second of
// SimT (every view is served once per 8 ticks), rounded, 1 ms to one hour.
// The online session's real timer takes this value.
int CommTimerInterval(double simT);

}  // namespace velmora
