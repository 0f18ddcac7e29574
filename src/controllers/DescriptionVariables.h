#pragma once
// The checks of a PLC's variable lines in the project description
// ("Boiler_T=INT %R200"). An address that cannot be what its type says is an
// error and the variable is left out, as a PLC compiler refuses it: an
// unknown type, an operand that is no address, a type whose size the operand
// contradicts (INT on the IEC bit %Q200, BOOL on the byte %R200), a bit number
// beyond its byte or word (%R202.99), an address past its area, a name given
// twice. Variables that share memory are kept with a warning: an alias of a
// status word and its bits is a common and wanted layout.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/IniFile.h"

namespace velmora {

struct DescriptionProblem {
    std::filesystem::path file;
    int line = 0;
    bool error = false;  // false: a warning, the variable is kept
    std::string text;

    // "<file>(<line>): error: <text>" or "... warning: ..."
    std::string message() const;
};

// The variables of the lines that may be used, in file order (name, address
// text); every problem is added to problems.
std::vector<std::pair<std::string, std::string>> CheckVariables(const std::vector<IniFile::KeyEntry>& lines,
                                                                const std::filesystem::path& file,
                                                                std::vector<DescriptionProblem>& problems);

}  // namespace velmora
