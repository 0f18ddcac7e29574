// velmora-host: the IDE stand-in. Started without a command (or with
// "window [PROJECT_DIR [PLC]]") it opens its main window; the headless
// commands (register, unregister, compile, online, run) serve scripts and tests.
#include <iostream>
#include <string>
#include <vector>

#include "host/Commands.h"
#include "host/gui/MainWindow.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool window = args.empty() || args.front() == "window" || args.front().starts_with("/");
    if (window) {
        if (!args.empty() && args.front() == "window") args.erase(args.begin());
        return velmora::host::RunMainWindow(argc, argv, args);
    }
    const int status = velmora::host::RunCommand(args, std::cout, std::cerr);
    // A full or closed standard output must not pass for a printed result.
    if (!(std::cout << std::flush)) {
        std::cerr << "velmora-host: cannot write to the standard output\n";
        return status ? status : 1;
    }
    return status;
}
