#pragma once
// The PID and PIDA blocks as the soft PLC runs them (docs/softplc.md), call by
// call, for the preview: the same sampling, rounding, limits, dead band,
// anti-windup and output stage, with the state kept in the widths the PLC
// keeps it (INT words, REAL floats), so the preview shows what the loop does.
// Measuring errors, the second and third input and the tuner are left out:
// a preview has none of them.
#include <cstdint>

#include "tuning/LoopSettings.h"

namespace velmora::tuning {

class PidBlockModel {
public:
    explicit PidBlockModel(const PidBlockSettings& settings) : s_(settings) {}

    // One call: Input1 and gW in raw units, the time since the last call in ms;
    // in manual the block puts out `Output`.
    void call(int input1, int gW, double dtMs, bool automatic);
    void setOutput(double percent);  // Output, the manual value

    double output() const { return curOut_ / 100.0; }  // CurOut, %
    bool raising() const { return up_; }               // UH
    bool lowering() const { return down_; }            // UC
    bool sampled() const { return sampled_; }          // this call ran a control step

private:
    void controlStep(double y, double w, double T, double& curOut);
    double limited(double u, double previous) const;
    double positional(double pPart, double iStep, double d, bool resume, double previous);
    void threeStage(bool sample, double curOut, double timeMs, double dtMs);

    PidBlockSettings s_;
    std::int16_t curOut_ = 0, output_ = 0, lastOut_ = 0, position_ = 0;
    float time_ = 0, integral_ = 0, prevX_ = 0, dState_ = 0, wState_ = 0;
    bool started_ = false, held_ = false, up_ = false, down_ = false, sampled_ = false;
};

class PidaBlockModel {
public:
    explicit PidaBlockModel(const PidaBlockSettings& settings);

    // One call with the set point, the measurement and, in manual, hv.
    void call(double sp, double pv, double dtMs, bool manual, double hv);

    double output() const { return mv_; }  // mv
    bool sampled() const { return sampled_; }

private:
    float k_, ti_, td_, nd_, b_, c_, tt_, hi_, lo_, ts_;
    int type_;
    bool reverse_;
    float time_ = 0, mv_ = 0, integral_ = 0, dState_ = 0, prevWeighted_ = 0;
    bool started_ = false, sampled_ = false;
};

}  // namespace velmora::tuning
