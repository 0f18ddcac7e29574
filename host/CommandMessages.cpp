#include "host/CommandMessages.h"

namespace velmora::host {

void CommandMessages::operator()(const std::string& line) {
    if (line.starts_with("failed ")) {
        err_ << "velmora-host: " << line << " (--fail-call)\n";
    } else if (line.starts_with("event failed")) {
        err_ << "velmora-host: " << line << "\n";
        eventFailed_ = true;
    } else if (line.starts_with("error: ")) {
        err_ << "velmora-host: " << line.substr(7) << "\n";
    } else if (line.starts_with("soft PLC: ") && line.find(" symbols of ") == std::string::npos &&
               line.find(" runs ") == std::string::npos && softPlcSaid_.insert(line).second) {
        err_ << "velmora-host: " << line << "\n";
    }
}

}  // namespace velmora::host
