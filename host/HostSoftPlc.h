#pragma once
// The stand-in's PLC: a soft PLC bound to a HostIde. It answers the host's
// variable look-up and PLC state query, serves the request function the
// plug-ins get in each comm-loop pass, and whenever the open PLC changes or a
// compilation made new files it reloads its symbols, compiles the PLC's
// program and restarts it warm (retained memory kept in "<PLC>.retained" in
// the project folder).
#include <cstdint>
#include <string>
#include <vector>

#include "softplc/PlcEngine.h"
#include "softplc/SoftPlc.h"
#include "softplc/SoftPlcCommLoop.h"

namespace velmora::host {

class HostIde;

class HostSoftPlc {
public:
    // Whether a program that compiled runs: velmora-host compile only checks
    // it, and leaves no retained memory behind.
    enum class Mode { Run, CompileOnly };
    // Binds itself to the host (look-up, state, request function, reloads);
    // loads the open PLC's symbols at once when a PLC is open.
    explicit HostSoftPlc(HostIde& ide, Mode mode = Mode::Run);
    ~HostSoftPlc();  // unbinds
    HostSoftPlc(const HostSoftPlc&) = delete;
    HostSoftPlc& operator=(const HostSoftPlc&) = delete;

    softplc::SoftPlc& plc() { return plc_; }
    const softplc::SoftPlc& plc() const { return plc_; }

    // Rebuilds the symbol table: the open PLC's variables from the project
    // description, then the declarations of every file of the project's file
    // list (generated files only of the controllers in the PLC's controller
    // file, all of them when there is no such file); then compiles the
    // program and restarts the PLC warm. A program that does not compile
    // leaves the PLC halted; its messages go to the host's notes.
    void reload();
    // Declaration files read by the last reload (host-relative names).
    const std::vector<std::string>& loadedFiles() const { return loaded_; }

    // One comm-loop pass: every plug-in callback with the request function
    // (none while the connection is down) and the soft PLC's status word.
    void pass();
    // The connection drops (hard: failure, soft: the user stopped it); the
    // plug-ins are told at once.
    void loseConnection(bool hard);
    void regainConnection();
    std::uint32_t status() const { return loop_.status(); }
    softplc::SoftPlcCommLoop& loop() { return loop_; }

    softplc::PlcEngine& engine() { return engine_; }
    // The compiler's messages of the last reload ("file(line): error: text").
    const std::vector<softplc::Diagnostic>& diagnostics() const { return engine_.diagnostics(); }
    // Stops the PLC (retained memory saved) and starts it again.
    void restart(softplc::Restart kind);
    // Stops the PLC and saves its retained memory; the problem of the save
    // (empty when none), also in the host's notes.
    std::string stop();
    // How many saves of retained memory failed (a reload, a restart or a stop).
    int retainedFailures() const { return retainedFailures_; }
    // Runs the PLC for `ms` of its own time (the window calls it from a
    // real timer, headless runs as fast as they can).
    void advance(double ms) { engine_.advance(ms); }

private:
    HostIde& ide_;
    softplc::SoftPlc plc_;
    softplc::SoftPlcCommLoop loop_{plc_};
    softplc::PlcEngine engine_{plc_};
    std::vector<std::string> loaded_;
    Mode mode_;
    int retainedFailures_ = 0;
    bool stopped_ = true;  // nothing to save until the PLC starts
};

}  // namespace velmora::host
