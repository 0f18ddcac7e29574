#pragma once
// Each subcommand of `velmora` lives in its own source file and registers
// itself with a file-scope CommandRegistration; main() sets them all up.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora::cli {

// Adds a subcommand to the application. The callback set on the subcommand
// returns nothing; it reports its outcome through SetExitCode.
using CommandSetup = std::function<void(CLI::App& app)>;

std::vector<CommandSetup>& CommandSetups();

struct CommandRegistration {
    explicit CommandRegistration(CommandSetup setup) { CommandSetups().push_back(std::move(setup)); }
};

// The controller file of a PLC for a command that reads it; nullopt (after a
// message naming the file and exit status 1) when the PLC name is not legal or
// the file is missing or cannot be read.
std::optional<std::filesystem::path> ControllerFileToRead(std::string_view command,
                                                          const std::filesystem::path& projectDir,
                                                          std::string_view plc);

// The exit status of the run (0 unless a command sets it).
void SetExitCode(int code);
int ExitCode();

}  // namespace velmora::cli
