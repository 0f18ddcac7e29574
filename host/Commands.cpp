#include "host/Commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>

#include "host/HostIde.h"
#include "host/OnlineCommand.h"
#include "host/PluginLoader.h"
#include "host/looptest/LoopTestCommand.h"
#include "controllers/LegalName.h"
#include "plugin/Registration.h"
#include "base/Log.h"
#include "base/Registry.h"
#include "base/Strings.h"

namespace velmora::host {

namespace {

#ifdef _WIN32
constexpr const char* kModuleFileName = "Velmora.dll";
#else
constexpr const char* kModuleFileName = "libVelmora.so";
#endif

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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
    if (args.size() > 1)
        throw UsageError(std::string(unregister ? "unregister" : "register") + " takes at most one PATH");
    const std::string given = args.empty() ? BundledModule().string() : args[0];
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

int Compile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string projectDir, plcName;
    std::vector<std::string> failing;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--project" || a == "--plc") && i + 1 < args.size()) {
            (a == "--project" ? projectDir : plcName) = args[++i];
        } else if (a == "--fail-call" && i + 1 < args.size()) {
            failing.push_back(args[++i]);
        } else {
            throw UsageError("compile: unexpected argument " + a);
        }
    }
    if (projectDir.empty() || plcName.empty()) throw UsageError("compile needs --project DIR and --plc PLC");

    if (!IsLegalName(plcName)) {
        err << "velmora-host: the PLC name \"" << PrintableName(plcName) << "\" is not a legal name\n";
        return 1;
    }
    HostIde ide(projectDir);
    for (const auto& request : failing)
        if (!ide.addFailure(request))
            throw UsageError("--fail-call " + request + ": the result is no failure code");
    bool eventFailed = false;  // a plug-in that could not do its part of the compilation
    ide.trace = [&](const std::string& line) {
        if (line.rfind("failed ", 0) == 0) {
            err << "velmora-host: " << line << " (--fail-call)\n";
        } else if (line.rfind("event failed", 0) == 0) {
            err << "velmora-host: " << line << "\n";
            eventFailed = true;
        } else if (line.rfind("error: ", 0) == 0) {
            err << "velmora-host: " << line.substr(7) << "\n";
        }
    };
    if (!ide.project().findPlc(plcName)) {
        err << "velmora-host: the project has no PLC " << plcName << "\n";
        return 1;
    }
    const Registry registry(Registry::DefaultPath());
    PluginHost plugins(ide);
    bool problems = false;
    plugins.loadAll(registry, [&](const std::string& problem) {
        err << "velmora-host: " << problem << "\n";
        problems = true;
    });
    if (plugins.plugins().empty()) {
        err << "velmora-host: no plug-in is registered in " << Registry::DefaultPath().string() << "\n";
        return 1;
    }
    for (const auto& p : plugins.plugins())
        out << (p.installed ? "Installed " : "Not installed ") << p.progId << " " << VersionText(p.version)
            << "\n";

    ide.loadProject();
    ide.openPlc(plcName);
    ide.fillTree();
    const bool compiled = ide.compile() && !eventFailed;
    for (const auto& file : ide.registeredFiles()) out << "Generated " << file << "\n";
    out << (compiled ? "Compiled " : "Compilation failed for ") << ide.currentPlc() << "\n";
    ide.closePlc();
    plugins.unloadAll();
    return problems || !compiled || eventFailed ? 1 : 0;
}

}  // namespace

std::string Usage() {
    return "Usage: velmora-host [window [PROJECT_DIR [PLC]]]   (the main window)\n"
           "       velmora-host register PATH\n"
           "       velmora-host unregister PATH\n"
           "         PATH is the plug-in module; left out, the one installed with this host\n"
           "       velmora-host compile --project DIR --plc PLC [--fail-call CALL[=RESULT]]...\n"
           "         --fail-call makes a host call fail (RESULT: hex or decimal, default 0x80004005) to try\n"
           "         the plug-in's error paths; CALL as \"AddImage\", \"GetMenuItem VelmoraHELP\",\n"
           "         \"QI IYantProject\" or \"Advise IYantCpmEvents\" (README, host section)\n"
           "       velmora-host online --project DIR --plc PLC --controller NAME [--passes N] [--set SYMBOL=VALUE]...\n"
           "                           [--record FILE]   (saves what the view recorded as a trend data file)\n"
           "                           [--script FILE]   (user actions per pass, one block printed per pass; README)\n"
           "                           [--simulate] [--plant KEY=VALUE]...   (switches the plant simulation on first)\n"
           "         compiles, opens the controller's online view on the built-in soft PLC (running),\n"
           "         switches it online, runs N comm-loop passes (default 8) and prints what the view received;\n"
           "         --set presets a soft PLC variable after compiling (repeatable); a controller\n"
           "         with Simulation=1 runs against its simulated plant\n"
           "       velmora-host run --project DIR --plc PLC --seconds S [--cycle-ms N] [--sample-ms N]\n"
           "                        [--trace SYMBOL]... [--at T set SYMBOL=VALUE]... [--at T restart warm|cold]\n"
           "                        [--online CONTROLLER]...\n"
           "         compiles, runs the PLC program S seconds of virtual time (scan every N ms, default 10)\n"
           "         and prints a CSV trace (a row every --sample-ms, default 100); --online switches a\n"
           "         controller's view online and closes its loop through its plant simulation\n"
           "       velmora-host test --project DIR [--plc PLC] [FILE|DIR]... [--junit FILE] [--keep-traces DIR]\n"
           "         runs the loop tests of the files (default DIR/tests/*.vtest) on the soft PLC, one line\n"
           "         per case; exit 1 when a case fails, 2 when a file is bad (docs/loop-tests.md)\n"
           "Plug-in switches such as /USELOGFILE, /USECOMMLOGFILE and /OEMDIR=DIR may follow.\n"
           "The registry file is $VELMORA_REGISTRY, else ~/.local/share/velmora/registry.ini.\n";
}

bool IsIdeSwitch(const std::string& arg) {
    const std::string a(Trim(arg));
    if (a.size() < 2 || a[0] != '/') return false;
    const std::string upper = UpperAscii(a);
    if (upper.rfind("/OEMDIR=", 0) == 0) return true;
    // "/WORD" or "/WORD=value": a switch, not an absolute path.
    const std::string word = upper.substr(1, upper.find('=') - 1);
    return std::all_of(word.begin(), word.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }) &&
           !std::filesystem::exists(a);
}

int RunCommand(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args;
    for (const auto& a : all)
        if (!IsIdeSwitch(a)) args.push_back(a);
    try {
        if (args.empty()) {
            out << Usage();
            return 0;
        }
        const std::string command = args[0];
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "register") return Register(rest, false, out, err);
        if (command == "unregister") return Register(rest, true, out, err);
        if (command == "compile") return Compile(rest, out, err);
        if (command == "online" || command == "run" || command == "test") {
            try {
                if (command == "test") return looptest::RunLoopTests(rest, out, err);
                return command == "online" ? RunOnline(rest, out, err) : RunProgram(rest, out, err);
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
