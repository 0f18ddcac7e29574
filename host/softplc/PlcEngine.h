#pragma once
// Runs the soft PLC: compiles the project's program, starts it with a cold or
// warm restart (retained memory from its file), scans P 0 every cycle and
// P 41 on its own period, and stops into its error state on a run-time
// fault. Time is virtual: advance() runs cycles and every periodic task
// (the communication loop, the plug-in's timers, a simulated plant) in one
// clock, as fast as the CPU allows; the window host calls it from a real timer.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "softplc/IlCompiler.h"
#include "softplc/IlMachine.h"
#include "softplc/RetainedMemory.h"
#include "softplc/SoftPlc.h"

namespace velmora::softplc {

enum class Restart { Cold, Warm };

class PlcEngine {
public:
    explicit PlcEngine(SoftPlc& plc);

    // Compiles the files against the PLC's symbol table (built already).
    // On success the new program replaces the old one; the PLC is stopped.
    bool compile(const std::vector<SourceFile>& files, const CompileOptions& options);
    const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
    bool hasProgram() const { return loaded_; }
    const Program& program() const { return machine_.program(); }
    Machine& machine() { return machine_; }

    void setPlcTypeIndex(int index) { machine_.setPlcTypeIndex(index); }
    // Where retained memory is kept; empty: nowhere (every start is cold).
    void setRetainedFile(std::filesystem::path file);
    const std::optional<RetainedMemory>& retained() const { return retained_; }

    void setCycleMs(double ms) { cycleMs_ = ms > 0 ? ms : 10; }
    double cycleMs() const { return cycleMs_; }
    void setTimedPeriodMs(double ms) { timedMs_ = ms > 0 ? ms : 10; }

    // Clears memory (retained variables too for a cold restart, which the
    // file then does not refill), runs P 62 or P 63 and puts the PLC in RUN.
    void start(Restart kind);
    // Halts the PLC and writes its retained memory to the file. Errors of the
    // write come back as text (empty when none).
    std::string stop();
    bool running() const { return plc_.mode() == PlcMode::Run; }
    // The fault that put the PLC into its error state, if any.
    const std::optional<MachineFault>& fault() const { return machine_.fault(); }

    // One scan: P 41 when its period is due, then P 0.
    void cycle();

    // ---- virtual time ----
    double now() const { return nowMs_; }
    // A task run every `periodMs` of virtual time, first at now + periodMs
    // (or at now + firstMs when given). Returns its id.
    int every(double periodMs, std::function<void()> task, std::optional<double> firstMs = {});
    void cancel(int id);
    // Runs every cycle and task due up to now + ms, in time order (a cycle
    // before a task due at the same instant), and sets the clock to that time.
    void advance(double ms);
    // Something to run once at an absolute virtual time.
    void at(double timeMs, std::function<void()> task);
    // Called after every scan (traces).
    std::function<void()> afterCycle;

private:
    struct Task {
        int id;
        double next;
        double period;  // 0: once
        std::function<void()> run;
    };

    SoftPlc& plc_;
    Machine machine_;
    bool loaded_ = false;
    std::vector<Diagnostic> diagnostics_;
    std::optional<RetainedMemory> retained_;
    double cycleMs_ = 10;
    double timedMs_ = 10;
    double nowMs_ = 0;
    double nextCycle_ = 0;
    double lastCycle_ = 0;
    double lastTimed_ = 0;
    bool started_ = false;
    std::vector<Task> tasks_;
    int nextId_ = 1;
};

}  // namespace velmora::softplc
