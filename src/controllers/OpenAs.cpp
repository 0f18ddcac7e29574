#include "controllers/OpenAs.h"

#include "base/Strings.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "controllers/LegalName.h"

namespace velmora {

std::string ProposedImportName(const std::filesystem::path& importFile) {
    // Either separator: the file may come from a Windows project folder.
    std::string name = importFile.string();
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

bool OpenAsOkEnabled(std::string_view name) {
    return !Trim(name).empty();
}

std::optional<std::string> OpenAs::okClick(std::string_view typedName) {
    LegalName legal = LegalControllerName(typedName);
    if (!legal.corrected) return std::nullopt;
    marked_ = true;
    return std::move(legal.name);
}

bool OpenAs::closeQuery(std::string_view name) {
    if (!marked_) return true;
    marked_ = false;
    const std::string question = Text(3451) + std::string(name) + "'?";
    return messages_.show(Text(2038), question, MessageIcon::Question, MessageButtons::YesNo) ==
           MessageAnswer::Yes;
}

}  // namespace velmora
