#include "controllers/NewController.h"
#include "controllers/SectionReader.h"

#include "controllers/ControllerFile.h"

#include "base/IniFile.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/LegalName.h"

namespace velmora {

namespace {

bool RemoveEntry(ProjectFileList& project, const std::string& file) {
    const std::string wanted = UpperAscii(file);
    const auto lines = SplitLines(project.files());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (UpperAscii(lines[i]) == wanted) {
            project.remove(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

}  // namespace

int RemoveGeneratedFiles(ProjectFileList& project, std::string_view name, bool headerInST) {
    int removed = 0;
    // The list is read again between the removals: positions shift after each one.
    if (RemoveEntry(project, DeclarationsFileName(name, headerInST))) ++removed;
    if (RemoveEntry(project, CodeFileName(name))) ++removed;
    return removed;
}

NewControllerLayout LayoutForSeries(int series) {
    NewControllerLayout layout;
    if (series >= kFirstIecSeries) {
        layout.kinds = {"PID", "PIDA"};
        layout.dialectVisible = true;
        layout.height = 150;
    } else {
        layout.kinds = {"PID"};
        layout.dialectVisible = false;
        layout.height = 124;
    }
    return layout;
}

std::string ProposeControllerName(const IniFile& file) {
    for (int n = 1;; ++n) {
        std::string name = "PID_" + std::to_string(n);
        if (!file.sectionExists(ControllerSection(name))) return name;
    }
}

bool NewControllerOkEnabled(std::string_view name, std::string_view kind) {
    return !Trim(name).empty() && !kind.empty();
}

NewController::NewController(NewControllerHost& host, MessageBoxes& messages)
    : host_(host), messages_(messages) {}

void NewController::create() {
    if (auto series = host_.plcSeries()) series_ = *series;
    layout_ = LayoutForSeries(series_);
    IniFile file(host_.controllerFile());
    proposedName_ = ProposeControllerName(file);
}

void NewController::okClick(std::string_view typedName) {
    LegalName legal = LegalControllerName(typedName);
    name_ = std::move(legal.name);
    if (legal.corrected) marked_ = true;
    host_.setCurrentController(name_);
    host_.setWizardRunning(true);
}

void NewController::cancelClick() {
    marked_ = false;
    host_.setCurrentController(std::string());
    host_.setWizardRunning(false);
}

bool NewController::closeQuery(std::string_view kind, bool headerInST) {
    if (marked_) {
        marked_ = false;
        const std::string question = Text(3451) + name_ + "'?";
        if (messages_.show(Text(2038), question, MessageIcon::Question, MessageButtons::YesNo) !=
            MessageAnswer::Yes)
            return false;
    }

    const auto path = host_.controllerFile();
    IniFile file(path, ProjectFolderOf(path));
    const std::string section = ControllerSection(name_);
    std::optional<bool> oldHeaderInST;
    try {
        if (file.sectionExists(section)) {
            if (messages_.show(Text(2038), Text(3040), MessageIcon::Exclamation, MessageButtons::YesNo) !=
                MessageAnswer::Yes)
                return false;
            oldHeaderInST = SectionReader(file, section, Reader::Lists).flag(key::HeaderInST);
            file.eraseSection(section);
            host_.closeOnlineView(name_);
        }
        file.writeString(section, "Name", name_);
        file.writeString(section, "Type", kind);
        file.writeBool(section, "HeaderInST", headerInST);
    } catch (const IniFileError& e) {
        // A file the user cannot write: say so and let them choose another name or cancel.
        messages_.show(Text(3019), e.what(), MessageIcon::Stop, MessageButtons::Ok);
        return false;
    }

    ProjectFileList* project = host_.projectFiles();
    if (!project) {
        messages_.show(Text(3019), Text(3021), MessageIcon::Stop, MessageButtons::Ok);
    } else if (oldHeaderInST) {
        RemoveGeneratedFiles(*project, name_, *oldHeaderInST);
    }
    return true;
}

}  // namespace velmora
