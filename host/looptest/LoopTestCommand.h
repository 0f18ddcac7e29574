#pragma once
// velmora-host test: a project's loop tests on the soft PLC.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::looptest {

// Arguments after the command word: --project DIR [--plc PLC] [FILE|DIR]...
// [--junit FILE] [--keep-traces DIR]. Returns 0 when every case passes, 1
// when one fails or cannot run, 2 for a test file that cannot be read or
// names what the PLC does not have (nothing runs then). Usage errors throw
// std::invalid_argument.
int RunLoopTests(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::looptest
