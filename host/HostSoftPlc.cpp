#include "host/HostSoftPlc.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include "base/IniFile.h"
#include "base/Paths.h"
#include "host/HostIde.h"
#include "base/Strings.h"

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
    for (const auto& [suffix, iec] : {std::pair<std::string_view, bool>{"_DEF.ST", true}, {"_DEF.ORV", false}}) {
        if (upper.size() > suffix.size() && upper.ends_with(suffix))
            return DeclarationFile{UpperAscii(base.substr(0, base.size() - suffix.size())), iec};
    }
    return std::nullopt;
}

// Upper-case names of the controllers in the PLC's controller file; nothing
// when the file does not exist.
std::optional<std::set<std::string>> ControllersOf(const std::filesystem::path& projectDir, const std::string& plc) {
    const auto path = projectDir / "Velmora" / (plc + ".rglx");
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    IniFile file(path);
    std::set<std::string> names;
    for (const std::string& section : file.sections()) {
        const std::string name = file.readString(section, "Name", "");
        if (!name.empty()) names.insert(UpperAscii(name));
    }
    return names;
}

}  // namespace

HostSoftPlc::HostSoftPlc(HostIde& ide) : ide_(ide) {
    plc_.setKeepHistory(false);
    plc_.makeCurrent();
    ide_.extraSymbols = [this](std::string_view name) { return plc_.lookup(std::string(name)); };
    ide_.plcState = [this] { return static_cast<std::int32_t>(plc_.plcState()); };
    ide_.symbolsChanged = [this] { reload(); };
    ide_.setRequestFunction(softplc::SoftPlc::requestFunction());
    loop_.hardOff = [this](std::uint16_t) { ide_.commLost(true); };
    loop_.softOff = [this](std::uint16_t) { ide_.commLost(false); };
    if (!ide_.currentPlc().empty()) reload();
}

HostSoftPlc::~HostSoftPlc() {
    ide_.extraSymbols = nullptr;
    ide_.plcState = nullptr;
    ide_.symbolsChanged = nullptr;
    ide_.setRequestFunction(nullptr);
}

void HostSoftPlc::reload() {
    softplc::SymbolTable& table = plc_.symbols();
    table.clear();
    loaded_.clear();
    const PlcDescription* plc = ide_.currentPlcDescription();
    if (!plc) {
        table.build();
        return;
    }
    for (const auto& [name, text] : plc->variables) table.addVariable(name, text);

    const auto controllers = ControllersOf(ide_.projectFolder(), plc->name);
    for (const std::string& file : ide_.project().files) {
        const auto declaration = AsDeclarationFile(file);
        if (!declaration) continue;
        if (controllers && !controllers->contains(declaration->controller)) continue;
        std::ifstream in(HostPath(file, ide_.projectFolder()), std::ios::binary);
        if (!in) {
            ide_.note("soft PLC: cannot read " + file);
            continue;
        }
        std::ostringstream text;
        text << in.rdbuf();
        if (declaration->iec)
            table.addIecDeclarations(text.str());
        else
            table.addMnemonicDeclarations(text.str());
        loaded_.push_back(file);
    }
    table.build();
    for (const std::string& problem : table.problems()) ide_.note("soft PLC: " + problem);
    ide_.note("soft PLC: " + std::to_string(table.size()) + " symbols of " + plc->name);
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
