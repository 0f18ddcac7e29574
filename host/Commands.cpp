#include "host/Commands.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Registry.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "host/CommandLine.h"
#include "host/CommandMessages.h"
#include "host/HostIde.h"
#include "host/HostSoftPlc.h"
#include "host/OnlineCommand.h"
#include "host/PluginLoader.h"
#include "host/looptest/LoopTestCommand.h"
#include "plugin/Registration.h"

namespace velmora::host {

namespace {

#ifdef _WIN32
constexpr const char* kModuleFileName = "Velmora.dll";
#else
constexpr const char* kModuleFileName = "libVelmora.so";
#endif

std::string VersionText(DWORD v) {
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." +
           std::to_string((v >> 8) & 0xFF) + "." + std::to_string(v & 0xFF);
}

// The plug-in module shipped with this host: beside it in a build tree, in
// ../lib/velmora when installed (packaging/CMakeLists.txt).
std::filesystem::path BundledModule() {
    const std::filesystem::path dir = HostExecutableDirectory();
    const std::filesystem::path installed = dir.parent_path() / "lib" / "velmora" / kModuleFileName;
    std::error_code ec;
    return std::filesystem::is_regular_file(dir / kModuleFileName, ec) ? dir / kModuleFileName : installed;
}

int Register(const std::vector<std::string>& args, bool unregister, std::ostream& out, std::ostream& err) {
    std::vector<std::string> paths;
    CommandArgs in(args, unregister ? "unregister" : "register");
    while (const auto a = in.next()) paths.push_back(*a);
    if (paths.size() > 1) throw UsageError(in.command() + " takes at most one PATH");
    const std::string given = paths.empty() ? BundledModule().string() : paths[0];
    std::error_code ec;
    const auto path = std::filesystem::absolute(given, ec);
    if (ec || !std::filesystem::is_regular_file(path)) {
        err << "velmora-host: no such module: " << given << "\n";
        return 1;
    }
    const auto registryFile = Registry::DefaultPath();
    if (!unregister) {
        // The host's installation defines its plug-in categories.
        Registry registry(registryFile);
        RegisterHostCategories(registry);
        registry.save();
    }
    PluginModule module(path);
    const HRESULT hr = unregister ? module.unregisterServer() : module.registerServer();
    if (FAILED(hr)) {
        err << "velmora-host: " << (unregister ? "DllUnregisterServer" : "DllRegisterServer")
            << " failed: " << DescribeFailure(hr) << "\n";
        return 1;
    }
    out << (unregister ? "Unregistered " : "Registered ") << path.string() << " in " << registryFile.string()
        << "\n";
    return 0;
}

struct CompileRequest {
    std::string projectDir, plcName;
    std::vector<std::string> failing;  // --fail-call
};

CompileRequest ReadCompileArgs(const std::vector<std::string>& args) {
    CompileRequest r;
    CommandArgs in(args, "compile");
    while (const auto a = in.next()) {
        if (*a == "--project")
            r.projectDir = in.value(*a);
        else if (*a == "--plc")
            r.plcName = in.value(*a);
        else if (*a == "--fail-call")
            r.failing.push_back(in.value(*a));
        else
            in.unexpected(*a);
    }
    if (r.projectDir.empty() || r.plcName.empty())
        throw UsageError("compile needs --project DIR and --plc PLC");
    return r;
}

// Loads and installs every registered plug-in and says which were installed;
// false when one could not be loaded or installed, or none is registered.
bool LoadPlugins(PluginHost& plugins, std::ostream& out, std::ostream& err) {
    bool problems = false;
    plugins.loadAll(Registry(Registry::DefaultPath()), [&](const std::string& problem) {
        err << "velmora-host: " << problem << "\n";
        problems = true;
    });
    if (plugins.plugins().empty()) {
        err << "velmora-host: no plug-in is registered in " << Registry::DefaultPath().string() << "\n";
        return false;
    }
    for (const auto& p : plugins.plugins())
        out << (p.installed ? "Installed " : "Not installed ") << p.progId << " " << VersionText(p.version)
            << "\n";
    return !problems;
}

// The plug-in generates what it can and still lets the host compile; a named
// controller whose code is not among the project's files failed (the plug-in
// said why on standard error). Hosts that refuse the files are not asked.
bool EveryControllerGenerated(const HostIde& ide, const std::string& plcName, std::ostream& err) {
    const auto& files = ide.registeredFiles();
    const IniFile file(ControllerFilePath(ide.projectDirectory(), plcName));
    if (files.empty() || !file.fileExists()) return true;
    bool all = true;
    for (const auto& c : ListControllers(file))
        if (std::find(files.begin(), files.end(), "Velmora\\" + c.name + ".orv") == files.end()) {
            err << "velmora-host: [" << c.section << "] was not generated\n";
            all = false;
        }
    return all;
}

// Opens the PLC and compiles it: the plug-ins generate, the listed files must
// be there, and the soft PLC must take the program as run and online would
// run it. False when any of it failed (said on err).
bool CompilePlc(HostIde& ide, const std::string& plcName, const CommandMessages& messages, std::ostream& out,
                std::ostream& err) {
    HostSoftPlc soft(ide, HostSoftPlc::Mode::CompileOnly);
    ide.loadProject();
    ide.openPlc(plcName);
    ide.fillTree();
    const bool compiled = ide.compile() && !messages.eventFailed() && soft.engine().hasProgram() &&
                          EveryControllerGenerated(ide, plcName, err);
    for (const auto& file : ide.registeredFiles()) out << "Generated " << file << "\n";
    out << (compiled ? "Compiled " : "Compilation failed for ") << ide.currentPlc() << "\n";
    ide.closePlc();
    return compiled;
}

int Compile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CompileRequest r = ReadCompileArgs(args);
    if (!IsLegalName(r.plcName)) {
        err << "velmora-host: the PLC name \"" << PrintableName(r.plcName) << "\" is not a legal name\n";
        return 1;
    }
    HostIde ide(r.projectDir);
    for (const auto& request : r.failing)
        if (!ide.addFailure(request))
            throw UsageError("--fail-call " + request + ": the result is no failure code");
    CommandMessages messages(err);
    ide.trace = [&](const std::string& line) { messages(line); };
    if (!ide.project().findPlc(r.plcName)) {
        err << "velmora-host: the project has no PLC " << r.plcName << "\n";
        return 1;
    }
    PluginHost plugins(ide);
    const bool loaded = LoadPlugins(plugins, out, err);
    if (plugins.plugins().empty()) return 1;
    const bool compiled = CompilePlc(ide, r.plcName, messages, out, err);
    plugins.unloadAll();
    return loaded && compiled ? 0 : 1;
}

}  // namespace

std::string Usage() {
    return "Usage: velmora-host [window [PROJECT_DIR [PLC]]]   (the main window)\n"
           "       velmora-host register PATH\n"
           "       velmora-host unregister PATH\n"
           "         PATH is the plug-in module; left out, the one installed with this host\n"
           "       velmora-host compile --project DIR --plc PLC [--fail-call CALL[=RESULT]]...\n"
           "         the plug-ins generate, every listed file must exist and the soft PLC must take the\n"
           "         program (its errors as FILE(LINE): error: TEXT), else status 1.\n"
           "         --fail-call makes a host call fail (RESULT: hex or decimal, default 0x80004005) to try\n"
           "         the plug-in's error paths; CALL as \"AddImage\", \"GetMenuItem VelmoraHELP\",\n"
           "         \"QI IYantProject\" or \"Advise IYantCpmEvents\" (README, host section)\n"
           "       velmora-host online --project DIR --plc PLC --controller NAME [--passes N] [--set "
           "SYMBOL=VALUE]...\n"
           "                           [--record FILE]   (saves what the view recorded as a trend data "
           "file)\n"
           "                           [--script FILE]   (user actions per pass, one block printed per pass; "
           "README)\n"
           "                           [--simulate] [--plant KEY=VALUE]...   (switches the plant simulation "
           "on first)\n"
           "         compiles, opens the controller's online view on the built-in soft PLC (running),\n"
           "         switches it online, runs N comm-loop passes (default 8, at most 1000000) and prints\n"
           "         what the view received; --set presets a soft PLC variable after compiling\n"
           "         (repeatable); a controller with Simulation=1 runs against its simulated plant\n"
           "       velmora-host run --project DIR --plc PLC --seconds S [--cycle-ms N] [--sample-ms N]\n"
           "                        [--trace SYMBOL]... [--at T set SYMBOL=VALUE]... [--at T restart "
           "warm|cold]\n"
           "                        [--online CONTROLLER]...\n"
           "         compiles, runs the PLC program S seconds of virtual time (scan every N ms, default 10)\n"
           "         and prints a CSV trace (a row every --sample-ms, default 100); --online switches a\n"
           "         controller's view online and closes its loop through its plant simulation.\n"
           "         Limits: S from 0 to 1e7, --cycle-ms from 1 to 10000, --sample-ms from the cycle to\n"
           "         S*1000 and at most 1e7 rows, --at T from 0 to S\n"
           "       A value set takes the variable's type: BOOL 0 or 1, BYTE 0..255, INT -32768..32767,\n"
           "       UINT 0..65535, DINT and UDINT their 32-bit ranges, REAL a finite number (no nan, no "
           "inf).\n"
           "       A number out of its range ends the command with status 2; a PLC run-time error, a failed\n"
           "       generation or a failed save of retained memory with status 1. A long run shows its\n"
           "       progress once a second when standard error is a terminal.\n"
           "       velmora-host test --project DIR [--plc PLC] [FILE|DIR]... [--junit FILE] [--keep-traces "
           "DIR]\n"
           "         runs the loop tests of the files (default DIR/tests/*.vtest) on the soft PLC, one line\n"
           "         per case; exit 1 when a case fails, 2 when a file is bad (docs/loop-tests.md)\n"
           "Plug-in switches such as /USELOGFILE, /USECOMMLOGFILE and /OEMDIR=DIR may follow.\n"
           "The registry file is $VELMORA_REGISTRY, else ~/.local/share/velmora/registry.ini.\n";
}

int RunCommand(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    // The IDE's switches may stand before the command word; each command passes over those among its options.
    const auto first =
        std::find_if_not(all.begin(), all.end(), [](const std::string& a) { return IsIdeSwitch(a); });
    try {
        if (first == all.end()) {
            out << Usage();
            return 0;
        }
        const std::string command = *first;
        const std::vector<std::string> rest(first + 1, all.end());
        if (command == "register") return Register(rest, false, out, err);
        if (command == "unregister") return Register(rest, true, out, err);
        if (command == "compile") return Compile(rest, out, err);
        if (command == "online") return RunOnline(rest, out, err);
        if (command == "run") return RunProgram(rest, out, err);
        if (command == "test") {
            try {
                return looptest::RunLoopTests(rest, out, err);
            } catch (const std::invalid_argument& e) {
                throw UsageError(e.what());
            }
        }
        if (command == "--help" || command == "help") {
            out << Usage();
            return 0;
        }
        throw UsageError("unknown command " + command);
    } catch (const UsageError& e) {
        err << "velmora-host: " << e.what() << "\n" << Usage();
        return 2;
    } catch (const std::exception& e) {
        err << "velmora-host: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace velmora::host
