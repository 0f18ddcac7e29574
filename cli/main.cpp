// velmora: the headless jobs of the controllers tool.
#include "Command.h"

#include <iostream>

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"

namespace velmora::cli {

std::vector<CommandSetup>& CommandSetups() {
    static std::vector<CommandSetup> setups;
    return setups;
}

namespace {
int exitCode = 0;
}

std::optional<std::filesystem::path> ControllerFileToRead(std::string_view command,
                                                          const std::filesystem::path& projectDir,
                                                          std::string_view plc) {
    const auto fail = [&](const std::string& why) {
        std::cerr << "velmora " << command << ": " << why << '\n';
        SetExitCode(1);
        return std::nullopt;
    };
    if (!IsLegalName(plc)) return fail("the PLC name \"" + PrintableName(plc) + "\" is not a legal name");
    const auto path = ControllerFilePath(projectDir, plc);
    const IniFile file(path);
    if (const std::string error = file.readError(); !error.empty()) return fail(error);
    if (!file.fileExists()) return fail("controller file not found: " + path.string());
    return path;
}

void SetExitCode(int code) {
    exitCode = code;
}
int ExitCode() {
    return exitCode;
}

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
    // A full or closed standard output must not pass for a printed result.
    if (!(std::cout << std::flush)) {
        std::cerr << "velmora: cannot write to the standard output\n";
        return 1;
    }
    return velmora::cli::ExitCode();
}
