// velmora-host: the IDE stand-in. Without a command it will open the main
// window; for now it prints its usage.
#include <iostream>
#include <string>
#include <vector>

#include "host/Commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return velmora::host::RunCommand(args, std::cout, std::cerr);
}
