#include "base/AtomicFile.h"

#include "base/Paths.h"
#include "base/Platform.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/PosixFd.h"
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <utility>

namespace velmora {

namespace detail {
TemporaryNameSource& TemporaryNames() {
    static TemporaryNameSource source = nullptr;
    return source;
}
}  // namespace detail

namespace {

using Clock = std::filesystem::file_time_type::clock;
const auto kRunStart = Clock::now();

constexpr std::string_view kMarker = ".velmora-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomLength = 6;
constexpr int kAttempts = 64;

std::string RandomPart() {
    if (auto source = detail::TemporaryNames()) return source();
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
    std::string out(kRandomLength, ' ');
    for (char& c : out) c = kAlphabet[pick(random)];
    return out;
}

// ".<name>.velmora-XXXXXX.tmp", with the name shortened so that the whole stays
// a legal file name even for a target whose name is already as long as can be.
std::filesystem::path TemporaryPath(const std::filesystem::path& dir, const std::filesystem::path& target) {
    auto name = target.filename().native();
    constexpr std::size_t kKeep = 120;
    if (name.size() > kKeep) name.resize(kKeep);
    std::filesystem::path temp = dir / (std::filesystem::path::string_type(1, '.') + name);
    temp += std::string(kMarker) + RandomPart() + std::string(kSuffix);
    return temp;
}

bool IsTemporaryName(const std::string& name) {
    const std::size_t tail = kMarker.size() + kRandomLength + kSuffix.size();
    if (name.size() <= tail || name.front() != '.') return false;
    std::string_view end = std::string_view(name).substr(name.size() - tail);
    return end.substr(0, kMarker.size()) == kMarker && end.substr(end.size() - kSuffix.size()) == kSuffix;
}

// Removes the temporary files a killed run left in the folder, once per folder
// and run. Only files older than this run and a minute old: a younger one may
// belong to another process that is writing right now.
void RemoveLeftovers(const std::filesystem::path& dir) {
    static std::mutex mutex;
    static std::set<std::filesystem::path> done;
    {
        std::lock_guard lock(mutex);
        if (!done.insert(dir).second) return;
    }
    const auto limit = std::min(kRunStart, Clock::now() - std::chrono::minutes(1));
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsTemporaryName(it->path().filename().string())) continue;
        std::error_code fileError;
        if (!it->is_regular_file(fileError) || it->is_symlink(fileError)) continue;
        auto written = it->last_write_time(fileError);
        if (!fileError && written < limit) std::filesystem::remove(it->path(), fileError);
    }
}

WriteFailure Failure(const std::filesystem::path& target, std::string reason) {
    return WriteFailure{target, std::move(reason)};
}

// Whether path lies in folder (or is it); both are without links and "..".
bool Inside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty() && std::next(f) == folder.end()) return true;  // "dir/" ends in an empty part
        if (p == path.end() || *p != *f) return false;
    }
    return true;
}

// The path with its folder and every link at its end resolved; a link that
// leads nowhere yet is resolved too, so its file is created where it points.
std::filesystem::path Resolved(std::filesystem::path path, std::error_code& ec) {
    for (int hops = 0; hops < 40; ++hops) {
        const std::filesystem::path name = path.filename();
        if (name == "." || name == "..") {
            ec = std::make_error_code(std::errc::is_a_directory);
            return {};
        }
        const std::filesystem::path folder = std::filesystem::weakly_canonical(Folder(path), ec);
        if (ec) return {};
        path = folder / name;
        const auto status = std::filesystem::symlink_status(path, ec);
        if (status.type() == std::filesystem::file_type::not_found) ec.clear();
        if (ec) return {};
        if (status.type() != std::filesystem::file_type::symlink) return path;
        const std::filesystem::path to = std::filesystem::read_symlink(path, ec);
        if (ec) return {};
        path = to.is_absolute() ? to : folder / to;
    }
    ec = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return {};
}

// The file the bytes go to: the target with every link on its way resolved;
// nullopt, with the reason in why, when it may not be written. The check and
// the rename are not one step: a link swapped in between by someone who may
// write the folder is not caught.
std::optional<std::filesystem::path> Destination(const std::filesystem::path& target,
                                                 const std::filesystem::path& root, std::string& why) {
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::weakly_canonical(root.empty() ? Folder(target) : root, ec);
    if (ec) {
        why = "the folder " + root.string() + " cannot be resolved (" + ec.message() + ")";
        return std::nullopt;
    }
    const std::filesystem::path resolved = Resolved(target, ec);
    if (ec) {
        why = "it cannot be resolved (" + ec.message() + ")";
        return std::nullopt;
    }
    if (!Inside(resolved, folder)) {
        why = "it leads to " + resolved.string() + ", outside the folder " + folder.string() +
              "; nothing was written";
        return std::nullopt;
    }
    return resolved;
}

#ifdef _WIN32

WriteResult Replace(const std::filesystem::path& target, const std::filesystem::path& dir,
                    std::string_view bytes, WriteOptions options) {
    std::filesystem::path temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (int attempt = 0; attempt < kAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = TemporaryPath(dir, target);
        // CREATE_NEW never opens what is already there, a link included.
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) return Failure(target, SystemErrorText(error));
    auto fail = [&](DWORD code) {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        DeleteFileW(temp.c_str());
        return WriteResult(Failure(target, SystemErrorText(code)));
    };
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return fail(GetLastError());
        bytes.remove_prefix(written);
    }
    if (options.sync && !FlushFileBuffers(file)) return fail(GetLastError());
    if (!CloseHandle(file)) {
        file = INVALID_HANDLE_VALUE;
        return fail(GetLastError());
    }
    file = INVALID_HANDLE_VALUE;
    DWORD flags = MOVEFILE_REPLACE_EXISTING | (options.sync ? MOVEFILE_WRITE_THROUGH : 0);
    if (!MoveFileExW(temp.c_str(), target.c_str(), flags)) return fail(GetLastError());
    return {};
}

#else

using posix::Fd;

#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

WriteResult Replace(const std::filesystem::path& target, const std::filesystem::path& dir,
                    std::string_view bytes, WriteOptions options) {
    std::filesystem::path temp;
    int raw = -1;
    for (int attempt = 0; attempt < kAttempts && raw < 0; ++attempt) {
        temp = TemporaryPath(dir, target);
        // O_EXCL with O_CREAT fails on any existing name, a planted link included.
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) break;
    }
    if (raw < 0) return Failure(target, SystemErrorText(errno));
    Fd fd(raw);
    auto fail = [&](int error) {
        ::unlink(temp.c_str());
        return WriteResult(Failure(target, SystemErrorText(error)));
    };
    struct stat st {};
    // The mode of what the user saw, also when the target is a link to it.
    // Set-id bits are not carried over to new content.
    if (options.keepPermissions && ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::fchmod(fd.get(), st.st_mode & 0777) != 0)
        return fail(errno);
    if (!WriteAll(fd.get(), bytes)) return fail(errno);
    if (options.sync && ::fsync(fd.get()) != 0) return fail(errno);
    if (::close(fd.release()) != 0) return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
    if (options.sync) {
        // The rename itself must reach the disk too.
        Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dirFd.get() >= 0) ::fsync(dirFd.get());
    }
    return {};
}

#endif

}  // namespace

std::string WriteFailure::message() const {
    return "Cannot write the file " + path.string() + ": " + reason;
}

WriteResult WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                WriteOptions options) {
    if (target.filename().empty()) return Failure(target, "not a file name");
    std::string why;
    const auto destination = Destination(target, options.root, why);
    if (!destination) return Failure(target, std::move(why));
    const std::filesystem::path dir = Folder(*destination);
    RemoveLeftovers(dir);
    WriteResult result = Replace(*destination, dir, bytes, options);
    if (!result) return Failure(target, result.failure().reason);
    return result;
}

}  // namespace velmora
