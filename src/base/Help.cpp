#include "base/Help.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/Platform.h"
#include "base/Strings.h"
#include "base/Texts.h"
#include "base/Toolkit.h"

namespace velmora {

namespace {

// Where the name's extension starts (npos when it has none); a dot in a
// folder name or at the start of the name is no extension.
std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t separator = name.find_last_of("\\/:");
    if (dot == std::string_view::npos || dot == 0) return std::string_view::npos;
    if (separator != std::string_view::npos && dot <= separator + 1) return std::string_view::npos;
    return dot;
}

std::string WithoutExtension(std::string_view name) {
    return std::string(name.substr(0, ExtensionStart(name)));
}

bool HostFileExists(const std::string& hostPath) {
    std::error_code ec;
    return std::filesystem::is_regular_file(HostPath(hostPath), ec);
}

std::string HelpPathOf(std::string_view oemDirectory, int language, std::string_view fileName,
                       std::string_view extension) {
    std::string path = std::string(oemDirectory) + "\\HELP" + "\\" + std::string(HelpFolderCode(language)) +
                       "_" + WithoutExtension(fileName);
    return WithoutExtension(path) + std::string(extension);
}

}  // namespace

std::string_view HelpFolderCode(int language) {
    switch (language) {
        case 0:
            return "CSY";
        case 2:
            return "RUS";
        case 3:
            return "PLK";
        case 4:
            return "DEU";
        default:
            return "ENU";
    }
}

std::string HelpPath(std::string_view oemDirectory, int language, std::string_view fileName,
                     bool withFallback, std::string_view extension) {
    if (language == 255) return std::string(fileName);
    std::string path = HelpPathOf(oemDirectory, language, fileName, extension);
    if (!withFallback || HostFileExists(path)) return path;
    for (int other : {1, 4, 0}) {
        std::string candidate = HelpPath(oemDirectory, other, fileName, false, extension);
        if (HostFileExists(candidate)) return candidate;
    }
    return path;
}

std::string HelpPath(int language, std::string_view fileName, bool withFallback, std::string_view extension) {
    return HelpPath(Module().oemDirectory, language, fileName, withFallback, extension);
}

HelpViewer DesktopHelpViewer(MessageBoxes* messages) {
    HelpViewer viewer;
    viewer.messages = messages;
    viewer.extension = std::string(HelpFileExtension());
    const HtmlHelpEntry library = LoadHtmlHelp();
    if (!library) {
        viewer.open = OpenDocument;
        return viewer;
    }
    // The owner is the host application's window, which the library knows.
    viewer.open = [library](const std::filesystem::path& file) {
        return library(nullptr, file.string().c_str(), kHelpDisplayTopic, 0) != nullptr;
    };
    viewer.lookup = [library](const std::filesystem::path& file, HelpLookup kind,
                              const std::string& keywords) {
        HelpLinkRecord link;
        link.keywords = keywords.c_str();
        const unsigned command = kind == HelpLookup::Keyword ? kHelpKeywordLookup : kHelpALinkLookup;
        const auto data = reinterpret_cast<std::uintptr_t>(&link);
        return library(nullptr, file.string().c_str(), command, data) != nullptr;
    };
    return viewer;
}

bool ShowHelp(const HelpViewer& viewer, std::string_view oemDirectory, int language,
              std::string_view fileName, std::string_view topic, std::string_view keyword) {
    const std::string path = HelpPath(oemDirectory, language, fileName, true, viewer.extension);
    if (!HostFileExists(path)) return false;
    const std::filesystem::path file = HostPath(path);
    const std::string key(Trim(keyword));
    const std::string subject(Trim(WithoutExtension(topic)));
    if ((!key.empty() || !subject.empty()) && viewer.lookup) {
        bool found = true;
        if (!key.empty()) found = viewer.lookup(file, HelpLookup::Keyword, key);
        if (!subject.empty()) found = viewer.lookup(file, HelpLookup::Topic, "a_" + subject);
        if (!found && viewer.messages)
            viewer.messages->show(Text(2038), Text(3564), MessageIcon::Exclamation, MessageButtons::Ok);
    } else if (viewer.open) {
        viewer.open(file);
    }
    return true;
}

bool ShowHelp(const HelpViewer& viewer, int language, std::string_view fileName, std::string_view topic,
              std::string_view keyword) {
    return ShowHelp(viewer, Module().oemDirectory, language, fileName, topic, keyword);
}

}  // namespace velmora
