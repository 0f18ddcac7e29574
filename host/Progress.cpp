#include "host/Progress.h"

#include <cstdio>

#include "base/Platform.h"

namespace velmora::host {

Progress::Progress(std::ostream& err, std::string what, double total, std::string unit)
    : err_(err),
      what_(std::move(what)),
      unit_(std::move(unit)),
      total_(total),
      terminal_(StandardErrorIsTerminal()),
      last_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    end();
}

void Progress::end() {
    if (shown_) err_ << "\n" << std::flush;
    shown_ = false;
}

void Progress::update(double done) {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    char line[160];
    std::snprintf(line, sizeof line, "\rvelmora-host: %s: %.0f of %.0f %s (%.0f %%) ", what_.c_str(), done,
                  total_, unit_.c_str(), total_ > 0 ? 100.0 * done / total_ : 100.0);
    err_ << line << std::flush;
    shown_ = true;
}

}  // namespace velmora::host
