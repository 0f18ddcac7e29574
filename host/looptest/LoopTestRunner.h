#pragma once
// Runs checked loop-test cases on the headless engine: each case in a
// session of its own (the PLC compiled and started warm, as velmora-host run
// does), its controllers online with their plants, its stimuli at their
// times, and every subject sampled on one virtual clock.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/looptest/LoopTestCheck.h"
#include "host/looptest/LoopTestEval.h"
#include "online/TrendBuffer.h"

namespace velmora::looptest {

// The project files a run changes besides the generated sources: each PLC's
// controller file (plant keys, release number, desktop) and its retained
// memory. Kept as they were when made; put back by restore() and at the end.
class ProjectState {
public:
    ProjectState(const std::filesystem::path& projectDir, const std::vector<std::string>& plcs);
    ~ProjectState();
    ProjectState(const ProjectState&) = delete;
    ProjectState& operator=(const ProjectState&) = delete;
    // An error text, empty when every file is as it was.
    std::string restore();

private:
    struct Saved {
        std::filesystem::path path;
        bool existed = false;
        std::string bytes;
    };
    std::vector<Saved> files_;
};

// Compiles the PLC in a session and lists what a case may name. False (the
// reason in `why`, the session's words in `log`) when the PLC does not compile.
bool ReadCatalogue(const std::filesystem::path& projectDir, const std::string& plc, PlcCatalogue& catalogue,
                   std::string& why, std::string& log);

struct CaseRun {
    Trace trace;
    std::string error;  // the case could not be set up
    std::string log;    // what the session said
    // What each online controller's view recorded, as its graph page keeps it.
    std::vector<std::pair<std::string, std::shared_ptr<const online::TrendBuffer>>> recordings;
};

// Runs one checked case on `plc`.
CaseRun RunCase(const Case& c, const std::string& plc, const std::filesystem::path& projectDir);

}  // namespace velmora::looptest
