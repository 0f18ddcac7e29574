#pragma once
// A long headless run says how far it is: once a second of wall time, on
// standard error, when that is a terminal (a log or a pipe gets nothing).
#include <chrono>
#include <ostream>
#include <string>

namespace velmora::host {

class Progress {
public:
    // `what` names the run ("run", "online"), `unit` what is counted ("s", "passes").
    Progress(std::ostream& err, std::string what, double total, std::string unit);
    ~Progress();  // ends the progress line when one was shown
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // How far the run is; shown when a second has passed since the last time.
    void update(double done);
    // Ends the progress line, so that a message can follow on a line of its own.
    void end();

private:
    std::ostream& err_;
    std::string what_, unit_;
    double total_;
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

}  // namespace velmora::host
