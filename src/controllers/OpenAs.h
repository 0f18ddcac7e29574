#pragma once
// The decisions of the open-as dialog TFormOpenAs1, which asks under which name
// an imported controller is stored.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class MessageBoxes;

// The name the dialog proposes for an import file: its name without folder and
// extension.
std::string ProposedImportName(const std::filesystem::path& importFile);

// OK is available exactly when the trimmed name is not empty.
bool OpenAsOkEnabled(std::string_view name);

class OpenAs {
public:
    explicit OpenAs(MessageBoxes& messages) : messages_(messages) {}

    // OK click: the legal name, to be put into Edit1 when it had to be corrected
    // (OK is then marked); nullopt when the typed name was legal already.
    std::optional<std::string> okClick(std::string_view typedName);
    // Close query of a close through OK, with Edit1's text; false keeps the dialog open.
    bool closeQuery(std::string_view name);

    bool marked() const { return marked_; }

private:
    MessageBoxes& messages_;
    bool marked_ = false;
};

}  // namespace velmora
