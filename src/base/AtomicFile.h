#pragma once
// The one writer of every file a user owns. The bytes go to a new temporary
// file beside the target, reach the disk, and are renamed over the target, so
// a reader (or a run killed half way) sees the old file or the new one, never
// a mixture.
//
// The temporary file is created exclusively and never through a symbolic link
// (a link planted at its name makes the creation fail, and another random name
// is tried).
//
// Nothing is written outside the root folder (the project folder; by default
// the target's own folder): the target is resolved through every link on its
// way, a link at it or a linked folder. When that leads inside the root the
// write goes to the file it leads to and the link stays; when it leads outside,
// the write is refused with both paths named and nothing is written, since a
// link in a project folder must not send our bytes anywhere the user may write.
//
// Temporary files are named ".<target name>.velmora-XXXXXX.tmp". Ones left by
// a killed run (older than this process) are removed by the next write into
// the same folder.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

struct WriteOptions {
    // Off only for files that can be regenerated at any time (generated
    // source, exported pictures): the rename stays atomic, but a power cut may
    // lose the newest content.
    bool sync = true;
    // An existing target keeps its permission bits; a new file gets the
    // default ones (0666 less the umask).
    bool keepPermissions = true;
    // The folder nothing may be written outside of; empty: the target's folder.
    std::filesystem::path root;
};

struct WriteFailure {
    std::filesystem::path path;  // the target
    std::string reason;          // the system's message

    // "Cannot write the file <path>: <reason>"
    std::string message() const;
};

class WriteResult {
public:
    WriteResult() = default;
    WriteResult(WriteFailure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    const WriteFailure& failure() const { return *failure_; }
    // Empty when the write succeeded.
    std::string message() const { return failure_ ? failure_->message() : std::string(); }

private:
    std::optional<WriteFailure> failure_;
};

[[nodiscard]] WriteResult WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                              WriteOptions options = {});

namespace detail {
// The random part of temporary names ("XXXXXX"); null means random. Tests
// pin it to plant files at the name the writer is going to use.
using TemporaryNameSource = std::string (*)();
TemporaryNameSource& TemporaryNames();
}  // namespace detail

}  // namespace velmora
