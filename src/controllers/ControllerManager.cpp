#include "controllers/ControllerManager.h"
#include "controllers/SectionReader.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/ControllerFile.h"
#include "controllers/NewController.h"

namespace velmora {

namespace {

constexpr std::uint32_t kWarningCaption = 2038;
constexpr std::uint32_t kErrorCaption = 3019;
constexpr std::uint32_t kInterfaceError = 3021;
constexpr std::uint32_t kCompileFirst = 3034;
constexpr std::uint32_t kRemoveQuestion = 3038;
constexpr std::uint32_t kOverwriteQuestion = 3040;

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

// The position of a name in the project's file list, compared in upper case.
// The host's file list as the shared removal of generated files wants it;
// remembers whether the list could be had at all.
class ManagerFileList : public ProjectFileList {
public:
    explicit ManagerFileList(ManagerHost& host) : host_(host) {}
    std::string files() override {
        auto list = host_.projectFiles();
        if (!list) reachable = false;
        return list.value_or(std::string());
    }
    void remove(int index) override { host_.removeProjectFile(index); }
    bool reachable = true;

private:
    ManagerHost& host_;
};

}  // namespace

ManagerCommands CommandsFor(const std::vector<ManagerLine>& lines, int selected) {
    std::size_t checked = 0;
    for (const auto& line : lines) checked += line.checked ? 1 : 0;
    const bool hasSelection = selected >= 0 && selected < static_cast<int>(lines.size());
    ManagerCommands c;
    c.startSelected = hasSelection && !lines[static_cast<std::size_t>(selected)].checked;
    c.stopSelected = hasSelection && lines[static_cast<std::size_t>(selected)].checked;
    c.startAll = lines.size() > checked;
    c.stopAll = checked > 0;
    c.remove = c.exportSelected = hasSelection;
    c.add = c.import = checked == 0;
    return c;
}

std::string ManagerLineText(std::string_view section) {
    // Ten characters, not bytes: a section that is not a controller's may begin
    // with letters of more than one byte.
    std::size_t pos = 0;
    for (int chars = 0; chars < 10; ++chars) {
        if (pos >= section.size()) return {};
        ++pos;
        while (pos < section.size() && (static_cast<unsigned char>(section[pos]) & 0xC0) == 0x80) ++pos;
    }
    return std::string(section.substr(pos));
}

std::string FileDialogFilter(std::string_view pairs) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto bar = pairs.find('|');
        parts.push_back(pairs.substr(0, bar));
        if (bar == std::string_view::npos) break;
        pairs.remove_prefix(bar + 1);
    }
    std::string out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string_view description = parts[i], pattern = parts[i + 1];
        if (!out.empty()) out += ";;";
        out += description;
        // The toolkit's dialog takes its patterns from the parentheses.
        if (description.find("(" + std::string(pattern) + ")") == std::string_view::npos)
            out += " (" + std::string(pattern) + ")";
    }
    return out;
}

std::string ExportText(const std::filesystem::path& controllerFile, std::string_view controllerName) {
    const IniFile file(controllerFile);
    const std::string section = ControllerSection(controllerName);
    std::string text = "[" + section + "]\r\n";
    for (const auto& line : file.sectionValues(section)) text += line + "\r\n";
    return text;
}

ControllerManager::ControllerManager(ManagerHost& host, ManagerFileDialogs dialogs)
    : host_(host), dialogs_(std::move(dialogs)) {}

void ControllerManager::notify() {
    if (changed) changed();
}

void ControllerManager::select(int index) {
    const int next = index >= 0 && index < static_cast<int>(lines_.size()) ? index : -1;
    if (next == selected_) return;
    selected_ = next;
    notify();
}

std::filesystem::path ControllerManager::controllerFile() {
    try {
        return host_.controllerFile();
    } catch (...) {
        // No project or no PLC open: the manager shows an empty list.
        return {};
    }
}

bool ControllerManager::listIsCurrent() {
    const auto now = controllerFile();
    if (!now.empty() && now == listFile_) return true;
    refresh();
    return false;
}

std::filesystem::path ControllerManager::dialogFolder() {
    const auto file = controllerFile();
    return file.empty() ? std::filesystem::path() : file.parent_path();
}

void ControllerManager::reportError(const std::string& message) {
    host_.messages().show(Text(kErrorCaption), message, MessageIcon::Stop, MessageButtons::Ok);
}

void ControllerManager::refresh() {
    lines_.clear();
    selected_ = -1;
    const auto path = controllerFile();
    listFile_ = path;
    std::error_code ec;
    if (!path.empty() && std::filesystem::exists(path, ec)) {
        try {
            const IniFile file(path);
            for (const auto& section : file.sections())
                if (!EqualNoCase(section, "Desktop")) lines_.push_back({ManagerLineText(section), false});
        } catch (const std::exception& e) {
            reportError(e.what());
        }
    }
    if (!lines_.empty()) selected_ = 0;
    updateChecks();
}

void ControllerManager::updateChecks() {
    for (const auto& view : host_.onlineViews())
        for (auto& line : lines_)
            if (line.text == view.controllerName) {
                line.checked = view.communicating;
                break;
            }
    notify();
}

void ControllerManager::uncheck(std::string_view controllerName) {
    for (auto& line : lines_)
        if (line.text == controllerName) {
            line.checked = false;
            break;
        }
    notify();
}

void ControllerManager::openSelected() {
    if (selected_ < 0 || !listIsCurrent()) return;
    // The view opens docked whatever the manager's own dock state is.
    const bool flag = host_.managerDockFlag();
    host_.setManagerDockFlag(true);
    host_.openOnlineView(lines_[static_cast<std::size_t>(selected_)].text);
    host_.setManagerDockFlag(flag);
}

void ControllerManager::checkBoxClick(int index) {
    if (index < 0 || index >= static_cast<int>(lines_.size()) || !listIsCurrent()) return;
    selected_ = index;
    const std::string name = lines_[static_cast<std::size_t>(index)].text;
    openSelected();
    for (const auto& view : host_.onlineViews())
        if (view.controllerName == name) {
            host_.toggleViewCommunication(name);
            break;
        }
    updateChecks();
}

void ControllerManager::startAll() {
    if (!listIsCurrent()) return;
    // Fresh code: the warning comes once, here, and every view then starts
    // without repeating it.
    const bool warned = host_.codeGenerated();
    if (warned)
        host_.messages().show(Text(kWarningCaption), Text(kCompileFirst), MessageIcon::Exclamation,
                              MessageButtons::Ok);
    host_.setCompileWarningGiven(warned);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        selected_ = static_cast<int>(i);
        if (!lines_[i].checked) checkBoxClick(static_cast<int>(i));
    }
    host_.setCompileWarningGiven(false);
    notify();
}

void ControllerManager::stopAll() {
    if (!listIsCurrent()) return;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        selected_ = static_cast<int>(i);
        if (lines_[i].checked) checkBoxClick(static_cast<int>(i));
    }
    notify();
}

void ControllerManager::startSelected() {
    if (selected_ >= 0 && !lines_[static_cast<std::size_t>(selected_)].checked) checkBoxClick(selected_);
    notify();
}

void ControllerManager::stopSelected() {
    if (selected_ >= 0 && lines_[static_cast<std::size_t>(selected_)].checked) checkBoxClick(selected_);
    notify();
}

void ControllerManager::add() {
    if (!listIsCurrent()) return;
    host_.runNewControllerWizard();
    refresh();
}

void ControllerManager::removeSelected() {
    if (selected_ < 0 || !listIsCurrent()) return;
    const std::string name = lines_[static_cast<std::size_t>(selected_)].text;
    if (host_.messages().show(Text(kWarningCaption), Text(kRemoveQuestion) + " " + name + "?",
                              MessageIcon::Exclamation, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    bool headerInST = false;
    try {
        const auto path = host_.controllerFile();
        IniFile file(path, ProjectFolderOf(path));
        headerInST = SectionReader(file, ControllerSection(name), Reader::Lists).flag(key::HeaderInST);
        IniFile::Batch batch(file);
        file.eraseSection(RemovedControllerSection(name));
        file.eraseSection(ControllerSection(name));
        batch.commit();
    } catch (const std::exception& e) {
        // The controller stays as it was; nothing else is touched.
        reportError(e.what());
        refresh();
        return;
    }
    host_.closeOnlineView(name);
    ManagerFileList project(host_);
    RemoveGeneratedFiles(project, name, headerInST);
    if (!project.reachable)
        host_.messages().show(Text(kErrorCaption), Text(kInterfaceError), MessageIcon::Stop,
                              MessageButtons::Ok);
    refresh();
}

void ControllerManager::importController() {
    if (!dialogs_.openImport || !listIsCurrent()) return;
    const auto chosen = dialogs_.openImport(dialogFolder());
    if (!chosen) return;
    const auto bytes = ReadWholeFile(*chosen);
    if (!bytes) return;
    const auto lines = SplitLines(*bytes);
    if (lines.empty() || lines.front().find("Regulator") == std::string::npos) return;

    std::string imported;
    try {
        const auto path = host_.controllerFile();
        IniFile file(path, ProjectFolderOf(path));
        std::string proposed = chosen->stem().string();
        std::optional<ImportName> target;
        while (true) {
            target = host_.askImportName(proposed);
            if (!target) return;
            if (SectionReader(file, ControllerSection(target->name), Reader::Lists).text(key::Name).empty())
                break;
            if (host_.messages().show(Text(kWarningCaption), Text(kOverwriteQuestion),
                                      MessageIcon::Exclamation, MessageButtons::YesNo) == MessageAnswer::Yes)
                break;
            proposed = target->name;
        }

        const std::string section = ControllerSection(target->name);
        IniFile::Batch batch(file);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string_view line = Trim(lines[i]);
            // The file holds one controller; anything after a further header is not part of it.
            if (!line.empty() && line.front() == '[') break;
            if (line.empty() || line.front() == ';') continue;
            const auto eq = line.find('=');
            if (eq == std::string_view::npos) continue;
            const std::string_view key = Trim(line.substr(0, eq));
            if (key.empty()) continue;
            file.writeString(section, key, Trim(line.substr(eq + 1)));
        }
        file.writeBool(section, "HeaderInST", target->headerInST);
        file.writeString(section, "Name", target->name);
        batch.commit();
        imported = target->name;
    } catch (const std::exception& e) {
        reportError(e.what());
        refresh();
        return;
    }
    host_.generate(imported);
    host_.openOnlineView(imported);
    refresh();
}

void ControllerManager::exportSelected() {
    if (selected_ < 0 || !dialogs_.saveExport || !listIsCurrent()) return;
    const std::string name = lines_[static_cast<std::size_t>(selected_)].text;
    const auto chosen = dialogs_.saveExport(dialogFolder(), name);
    if (!chosen) return;
    try {
        if (auto result = WriteFileAtomically(*chosen, ExportText(host_.controllerFile(), name)); !result)
            reportError(result.message());
    } catch (const std::exception& e) {
        reportError(e.what());
    }
}

}  // namespace velmora
