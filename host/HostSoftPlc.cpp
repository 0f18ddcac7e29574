#include "host/HostSoftPlc.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Strings.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "host/HostIde.h"
#include "host/softplc/ProjectSources.h"
#include "softplc/ProjectSources.h"

namespace velmora::host {

namespace {

// The controller a declaration file belongs to and its dialect, from its
// host-relative name ("Velmora\\Boiler_def.ST"); nothing for other files.
struct DeclarationFile {
    std::string controller;
    bool iec = false;
};
std::optional<DeclarationFile> AsDeclarationFile(const std::string& hostName) {
    const std::size_t slash = hostName.find_last_of("\\/");
    const std::string base = slash == std::string::npos ? hostName : hostName.substr(slash + 1);
    const std::string upper = UpperAscii(base);
    for (const auto& [suffix, iec] :
         {std::pair<std::string_view, bool>{"_DEF.ST", true}, {"_DEF.ORV", false}}) {
        if (upper.size() > suffix.size() && upper.ends_with(suffix))
            return DeclarationFile{UpperAscii(base.substr(0, base.size() - suffix.size())), iec};
    }
    return std::nullopt;
}

}  // namespace

HostSoftPlc::HostSoftPlc(HostIde& ide, Mode mode) : ide_(ide), mode_(mode) {
    plc_.setKeepHistory(false);
    plc_.makeCurrent();
    ide_.extraSymbols = [this](std::string_view name) { return plc_.lookup(std::string(name)); };
    ide_.plcState = [this] { return static_cast<std::int32_t>(plc_.plcState()); };
    ide_.variableList = [this] {
        std::vector<HostIde::Variable> out;
        for (auto& v : plc_.symbols().listing())
            out.push_back({std::move(v.name), std::move(v.type), std::move(v.address)});
        return out;
    };
    ide_.errorText = [this](std::int32_t code) { return plc_.describe(code); };
    ide_.symbolsChanged = [this] { reload(); };
    ide_.setRequestFunction(softplc::SoftPlc::requestFunction());
    loop_.hardOff = [this](std::uint16_t) { ide_.commLost(true); };
    loop_.softOff = [this](std::uint16_t) { ide_.commLost(false); };
    if (!ide_.currentPlc().empty()) reload();
}

HostSoftPlc::~HostSoftPlc() {
    stop();
    ide_.extraSymbols = nullptr;
    ide_.plcState = nullptr;
    ide_.variableList = nullptr;
    ide_.errorText = nullptr;
    ide_.symbolsChanged = nullptr;
    ide_.setRequestFunction(nullptr);
}

std::string HostSoftPlc::stop() {
    // Saved once per start: the session's own stop and then its destructor's.
    if (stopped_) {
        if (plc_.mode() != softplc::PlcMode::Halt) plc_.setMode(softplc::PlcMode::Halt);
        return {};
    }
    stopped_ = true;
    const std::string problem = engine_.stop();
    if (!problem.empty()) {
        ++retainedFailures_;
        ide_.note("soft PLC: retained memory: " + problem);
    }
    return problem;
}

void HostSoftPlc::reload() {
    stop();
    softplc::SymbolTable& table = plc_.symbols();
    loaded_.clear();
    const PlcDescription* plc = ide_.currentPlcDescription();
    if (!plc) {
        table.clear();
        table.build();
        engine_.setRetainedFile({});
        return;
    }
    const softplc::ProjectSources sources =
        softplc::CollectProjectSources(ide_.projectFolder(), ide_.project().files, plc->name);
    for (const std::string& problem : sources.problems) ide_.note("soft PLC: " + problem);
    softplc::BuildSymbols(table, plc, sources.files, ide_.project().file);
    for (const auto& f : sources.files)
        if (AsDeclarationFile(f.name)) loaded_.push_back(f.name);
    for (const std::string& problem : table.problems()) ide_.note("soft PLC: " + problem);
    ide_.note("soft PLC: " + std::to_string(table.size()) + " symbols of " + plc->name);

    engine_.setPlcTypeIndex(plc->type);
    if (mode_ == Mode::Run) engine_.setRetainedFile(ide_.projectFolder() / (plc->name + ".retained"));
    const bool compiled = engine_.compile(sources.files, softplc::CompileOptions{plc->series});
    for (const softplc::Diagnostic& d : engine_.diagnostics()) ide_.note("soft PLC: " + d.format());
    if (!compiled) {
        ide_.note("soft PLC: the program of " + plc->name + " did not compile; the PLC stays halted");
        return;
    }
    if (mode_ == Mode::CompileOnly) return;
    engine_.start(softplc::Restart::Warm);
    stopped_ = false;
    ide_.note("soft PLC: " + plc->name + " runs " + std::to_string(engine_.program().sourceInstructions) +
              " instructions");
}

void HostSoftPlc::restart(softplc::Restart kind) {
    stop();
    if (!engine_.hasProgram()) return;
    engine_.start(kind);
    stopped_ = false;
}

void HostSoftPlc::pass() {
    plc_.makeCurrent();
    const auto request = ide_.requestFunction();
    if (!loop_.connectionUp()) ide_.setRequestFunction(nullptr);
    ide_.commLoopPass(loop_.status());
    ide_.setRequestFunction(request);
}

void HostSoftPlc::loseConnection(bool hard) {
    loop_.loseConnection(hard);
}

void HostSoftPlc::regainConnection() {
    loop_.regainConnection();
}

}  // namespace velmora::host
