#include "base/Platform.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the other Windows headers build on it.
#include <windows.h>

#include <io.h>
#include <shellapi.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/PosixFd.h"
extern char** environ;
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace velmora {

#ifdef _WIN32

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

std::int64_t Ticks(FILETIME t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    FileStamp s;
    s.exists = true;
    s.device = info.dwVolumeSerialNumber;
    s.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    s.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    s.modified = Ticks(info.ftLastWriteTime);
    s.changed = Ticks(info.ftCreationTime);  // a file put in place by rename is a new file
    return s;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

std::string SystemErrorText(unsigned long code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
    return out;
}

FileStamp StampOf(const std::filesystem::path& path) {
    Handle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) return {};
    return StampOf(info);
}

FileContent ReadWholeFile(const std::filesystem::path& path) {
    FileContent out;
    Handle h(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!h.valid() || !GetFileInformationByHandle(h.get(), &info)) {
        out.error = SystemErrorText(GetLastError());
        return out;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        out.error = "it is a folder";
        return out;
    }
    out.stamp = StampOf(info);
    std::size_t got = 0;
    out.bytes.resize(static_cast<std::size_t>(out.stamp.size));
    while (true) {
        if (got == out.bytes.size()) out.bytes.resize(out.bytes.size() + 4096);  // the file grew meanwhile
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.bytes.size() - got, 1u << 30));
        if (!ReadFile(h.get(), out.bytes.data() + got, want, &n, nullptr)) {
            out.error = SystemErrorText(GetLastError());
            break;
        }
        if (n == 0) break;
        got += n;
    }
    out.bytes.resize(got);
    return out;
}

bool MayWrite(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
    Handle h(CreateFileW(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) return false;
    DWORD written = 0;
    return WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::filesystem::path ExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<std::string> ProcessArguments() {
    std::vector<std::string> out;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return out;
    for (int i = 0; i < count; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(n > 0 ? static_cast<std::size_t>(n) : 1u, '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, arguments[i], -1, text.data(), n, nullptr, nullptr);
        text.resize(text.size() - 1);
        out.push_back(std::move(text));
    }
    LocalFree(arguments);
    return out;
}

std::tm LocalCalendar(std::time_t time) {
    std::tm tm{};
    localtime_s(&tm, &time);
    return tm;
}

std::tm UtcCalendar(std::time_t time) {
    std::tm tm{};
    gmtime_s(&tm, &time);
    return tm;
}

bool OpenDocument(const std::filesystem::path& file) {
    const auto result = ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

HtmlHelpEntry LoadHtmlHelp() {
    // Loaded once and kept: the library owns the help windows it opens.
    static HMODULE library = LoadLibraryA("HHCTRL.OCX");
    if (!library) return nullptr;
    return reinterpret_cast<HtmlHelpEntry>(GetProcAddress(library, "HtmlHelpA"));
}

std::string_view HelpFileExtension() {
    return ".chm";
}

#else

namespace {

using posix::Fd;

std::int64_t Nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileStamp StampOf(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.file = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.modified = Nanoseconds(st.st_mtim);
    s.changed = Nanoseconds(st.st_ctim);
    return s;
}

}  // namespace

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

std::string SystemErrorText(unsigned long code) {
    return std::strerror(static_cast<int>(code));
}

FileStamp StampOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return StampOf(st);
}

FileContent ReadWholeFile(const std::filesystem::path& path) {
    FileContent out;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        out.error = SystemErrorText(errno);
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.error = SystemErrorText(EISDIR);
        return out;
    }
    out.stamp = StampOf(st);
    std::size_t got = 0;
    out.bytes.resize(static_cast<std::size_t>(st.st_size));
    while (true) {
        if (got == out.bytes.size()) out.bytes.resize(out.bytes.size() + 4096);  // the file grew meanwhile
        const ssize_t n = ::read(fd.get(), out.bytes.data() + got, out.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.error = SystemErrorText(errno);
            break;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.bytes.resize(got);
    return out;
}

bool MayWrite(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return true;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
}

bool AppendToFile(const std::filesystem::path& path, std::string_view bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

std::vector<std::string> ProcessArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        out.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::tm LocalCalendar(std::time_t time) {
    std::tm tm{};
    ::localtime_r(&time, &tm);
    return tm;
}

std::tm UtcCalendar(std::time_t time) {
    std::tm tm{};
    ::gmtime_r(&time, &tm);
    return tm;
}

bool OpenDocument(const std::filesystem::path& file) {
    // The shell backgrounds the opener and returns at once; its status says
    // whether an opener exists at all.
    const char* script = "command -v xdg-open >/dev/null 2>&1 || exit 1; xdg-open \"$1\" >/dev/null 2>&1 &";
    const std::string path = file.string();
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),         const_cast<char*>(script),
                    const_cast<char*>("sh"), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

HtmlHelpEntry LoadHtmlHelp() {
    return reinterpret_cast<HtmlHelpEntry>(::dlsym(RTLD_DEFAULT, "HtmlHelpA"));
}

std::string_view HelpFileExtension() {
    return ".html";
}

#endif

}  // namespace velmora
