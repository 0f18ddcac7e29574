#pragma once
// The operating system behind one set of calls: file identity, reading a
// whole file, calendar time and handing a document to the desktop. The rest
// of the program calls these and no system API of its own.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What tells one state of a file from another without reading it: a change
// of content, a replacement by rename or a touch all change the stamp.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0, file = 0;  // volume and file number (inode, file index)
    std::uint64_t size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds, or the system's own ticks

    bool operator==(const FileStamp&) const = default;
};

// A missing or unreachable file gives a stamp with exists == false.
FileStamp StampOf(const std::filesystem::path& path);

struct FileContent {
    std::string bytes;
    FileStamp stamp;    // of the file that was read, taken from the open file
    std::string error;  // empty when the file was read whole
};
// Reads a regular file; a folder or an unreadable file gives an error text.
FileContent ReadWholeFile(const std::filesystem::path& path);

// False when the file exists and may not be written by this process (no write
// permission, read-only attribute).
bool MayWrite(const std::filesystem::path& path);

// Adds the bytes at the end of the file (created when missing) in one write,
// so that lines of several processes do not interleave. For logs only: user
// files are replaced whole through WriteFileAtomically.
bool AppendToFile(const std::filesystem::path& path, std::string_view bytes);

// The running program's file and its command line (UTF-8), program name first.
std::filesystem::path ExecutablePath();
std::vector<std::string> ProcessArguments();

// Whether the process's standard error is a terminal (where progress is shown).
bool StandardErrorIsTerminal();

// The system's message for an error number (errno, or GetLastError() on Windows).
std::string SystemErrorText(unsigned long code);

// Calendar fields of a time in the local zone or in UTC.
std::tm LocalCalendar(std::time_t time);
std::tm UtcCalendar(std::time_t time);

// Hands a file to the desktop's opener for its type and returns at once;
// false when there is no opener or it could not be started.
bool OpenDocument(const std::filesystem::path& file);

// The system's help library entry, called as (owner window, file, command,
// data) and answering the help window or null. Windows loads "HHCTRL.OCX"
// ("HtmlHelpA"); elsewhere the program that loaded us may export an entry of
// that name (the IDE stand-in does). Null when there is none.
using HtmlHelpEntry = void* (*)(void* owner, const char* file, unsigned command, std::uintptr_t data);
HtmlHelpEntry LoadHtmlHelp();
// The extension of the help files that library opens (".chm", ".html").
std::string_view HelpFileExtension();

}  // namespace velmora
