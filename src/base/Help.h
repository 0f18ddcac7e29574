#pragma once
// Context help: the compiled help file of a language in the OEM directory's
// HELP folder, and showing it at a topic or keyword.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

class MessageBoxes;

// The help file's path in the host's form: OEM directory + "\HELP\" + folder
// code + "_" + the file's base name, with the extension of the help format
// (".chm" for compiled HTML help). Language 255 gives the file name unchanged.
// With fallback, a missing file is looked for in languages 1, 4 and 0 in turn;
// when none exists the requested path is kept.
std::string HelpPath(std::string_view oemDirectory, int language, std::string_view fileName,
                     bool withFallback, std::string_view extension = ".chm");
// The same with the module's OEM directory.
std::string HelpPath(int language, std::string_view fileName, bool withFallback,
                     std::string_view extension = ".chm");
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
    // The extension of the files this viewer opens.
    std::string extension = ".chm";
};

// The link record the help library's keyword (K-link) and A-link look-ups take.
struct HelpLinkRecord {
    std::int32_t size = sizeof(HelpLinkRecord);
    std::int32_t reserved = 0;
    const char* keywords = nullptr;
    const char* url = nullptr;
    const char* messageText = nullptr;
    const char* messageTitle = nullptr;
    const char* window = nullptr;
    std::int32_t indexOnFail = 0;
};
// The help library's commands.
constexpr unsigned kHelpDisplayTopic = 0x00;
constexpr unsigned kHelpKeywordLookup = 0x0D;
constexpr unsigned kHelpALinkLookup = 0x13;

// The system's help: its help library when the process has one (open and
// look-ups through it, its file format), else the desktop's opener
// (xdg-open, started in the background) on the same files and no look-up.
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
