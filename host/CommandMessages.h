#pragma once
// What a headless command prints of the host's trace on standard error:
// injected failures, the plug-ins' failed events, the host's errors and the
// soft PLC's problems (each once: the PLC loads when it opens and again
// after the compilation, and both loads find the same ones).
#include <ostream>
#include <set>
#include <string>

namespace velmora::host {

class CommandMessages {
public:
    explicit CommandMessages(std::ostream& err) : err_(err) {}

    // One line of HostIde::trace.
    void operator()(const std::string& line);
    // Whether a plug-in failed one of the host's events (a controller it
    // could not generate, among others).
    bool eventFailed() const { return eventFailed_; }

private:
    std::ostream& err_;
    std::set<std::string> softPlcSaid_;
    bool eventFailed_ = false;
};

}  // namespace velmora::host
