#pragma once
// velmora-host online --script FILE: what a user does in the online view,
// pass by pass, and one block per pass of what the view then shows.
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::softplc {
class SoftPlc;
}

namespace velmora::host {

class HeadlessSession;

// One line of a script: "PASS ACTION [ARGS]", run before that pass.
struct ScriptLine {
    int line = 0;  // in the file, from 1
    int pass = 0;  // from 1
    std::string action;
    std::vector<std::string> args;
};

// Reads a script. Blank lines and lines starting with "#" are skipped. A line
// that cannot be read gives nothing and "FILE:LINE: reason" in `error`.
std::optional<std::vector<ScriptLine>> ReadOnlineScript(std::istream& in, const std::string& fileName,
                                                        std::string& error);
// Reads the script file; nothing after the reason on err when the file is
// missing, a folder or unreadable, or a line cannot be read.
std::optional<std::vector<ScriptLine>> LoadOnlineScript(const std::string& fileName, std::ostream& err);

// The script's set lines against the soft PLC's symbols and their types,
// before the run starts; false after "FILE:LINE: reason" on err.
bool CheckScriptValues(const softplc::SoftPlc& plc, const std::vector<ScriptLine>& script,
                       const std::string& fileName, std::ostream& err);

// Runs the script against the controller's online view for `passes` passes
// (at least up to the script's last pass), printing the block of each pass.
// False after "FILE:LINE: reason" on err when a line cannot be carried out
// (a view action after close, a click on a value box that is disabled or not
// shown).
bool RunOnlineScript(HeadlessSession& session, const std::string& controller,
                     const std::vector<ScriptLine>& script, int passes, const std::string& fileName,
                     std::ostream& out, std::ostream& err);

}  // namespace velmora::host
