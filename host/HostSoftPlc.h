#pragma once
// The stand-in's PLC: a soft PLC bound to a HostIde. It answers the host's
// variable look-up and PLC state query, serves the request function the
// plug-ins get in each comm-loop pass, and reloads its symbols whenever the
// open PLC changes or a compilation made new declaration files.
#include <cstdint>
#include <string>
#include <vector>

#include "SoftPlc.h"
#include "SoftPlcCommLoop.h"

namespace velmora::host {

class HostIde;

class HostSoftPlc {
public:
    // Binds itself to the host (look-up, state, request function, reloads);
    // loads the open PLC's symbols at once when a PLC is open.
    explicit HostSoftPlc(HostIde& ide);
    ~HostSoftPlc();  // unbinds
    HostSoftPlc(const HostSoftPlc&) = delete;
    HostSoftPlc& operator=(const HostSoftPlc&) = delete;

    softplc::SoftPlc& plc() { return plc_; }
    const softplc::SoftPlc& plc() const { return plc_; }

    // Rebuilds the symbol table: the open PLC's variables from the project
    // description, then every declaration file ("*_def.ST", "*_def.orv") of
    // the project's file list that belongs to a controller of the PLC's
    // controller file (all of them when there is no such file).
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

private:
    HostIde& ide_;
    softplc::SoftPlc plc_;
    softplc::SoftPlcCommLoop loop_{plc_};
    std::vector<std::string> loaded_;
};

}  // namespace velmora::host
