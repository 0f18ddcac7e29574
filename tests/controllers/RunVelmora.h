#pragma once
// Runs the velmora command as a user would, for the command tests.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace velmora::testing {

struct CommandResult {
    int status = -1;  // the exit code; -1 when the command did not exit normally
    std::string out;  // stdout; stderr is dropped
};

inline CommandResult RunVelmora(const std::string& arguments) {
    const std::string command = std::string(VELMORA_BIN_DIR) + "/velmora " + arguments + " 2>/dev/null";
    CommandResult r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace velmora::testing
