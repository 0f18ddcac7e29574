#pragma once
// Context help: the compiled help file of a language in the OEM directory's
// HELP folder, and showing it at a topic or keyword.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

class MessageBoxes;

// The help file's path in the host's form: OEM directory + "\HELP\" + folder
// code + "_" + the file's base name, extension ".chm". Language 255 gives the
// file name unchanged. With fallback, a missing file is looked for in
// languages 1, 4 and 0 in turn; when none exists the requested path is kept.
std::string HelpPath(std::string_view oemDirectory, int language, std::string_view fileName,
                     bool withFallback);
// The same with the module's OEM directory.
std::string HelpPath(int language, std::string_view fileName, bool withFallback);
// The help folder code of a language number (the help's own numbering).
std::string_view HelpFolderCode(int language);

enum class HelpLookup { Keyword, Topic };

// How help gets on the screen.
struct HelpViewer {
    // Opens the file at its start page; false when nothing could be started.
    std::function<bool(const std::filesystem::path& file)> open;
    // Shows the first A-link (Topic, keywords "a_" + topic) or K-link
    // (Keyword) match in the file; false when the viewer found nothing.
    // Empty where no viewer able to look up topics exists: on such systems
    // the file opens at its start page, and as no lookup was made, no
    // "Topic not found" is reported either.
    std::function<bool(const std::filesystem::path& file, HelpLookup kind, const std::string& keywords)>
        lookup;
    // Where "Topic not found" (text 3564) is shown: caption text 2038
    // ("Warning"), exclamation icon, OK button.
    MessageBoxes* messages = nullptr;
};

// The desktop's opener (xdg-open, started in the background) and no lookup.
HelpViewer DesktopHelpViewer(MessageBoxes* messages);

// Shows the help of a language: false (and nothing shown) when the file is
// missing; otherwise the keyword and then the topic (its extension stripped)
// are looked up, and "Topic not found" appears when the last lookup fails; with
// neither, the file opens at its start page.
bool ShowHelp(const HelpViewer& viewer, std::string_view oemDirectory, int language,
              std::string_view fileName, std::string_view topic, std::string_view keyword);
bool ShowHelp(const HelpViewer& viewer, int language, std::string_view fileName, std::string_view topic,
              std::string_view keyword);

}  // namespace velmora
