// velmora: the headless jobs of the controllers tool.
#include "Command.h"

#include <iostream>

namespace velmora::cli {

std::vector<CommandSetup>& CommandSetups() {
    static std::vector<CommandSetup> setups;
    return setups;
}

namespace {
int exitCode = 0;
}

void SetExitCode(int code) { exitCode = code; }
int ExitCode() { return exitCode; }

}  // namespace velmora::cli

int main(int argc, char** argv) {
    CLI::App app{"velmora - PID controllers of a PLC project: files, code, simulation, report"};
    app.require_subcommand(1);
    for (auto& setup : velmora::cli::CommandSetups()) setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        std::cerr << "velmora: " << e.what() << '\n';
        return 1;
    }
    return velmora::cli::ExitCode();
}
