// The one file writer: replaces content whole, never follows a link it did
// not mean to, reports failures with the file's name, cleans up after killed runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "support/Support.h"
#include "base/AtomicFile.h"

namespace velmora {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;
namespace fs = std::filesystem;

// Pins the random part of temporary names: first "AAAAAA", then "BBBBBB", ...
struct PinnedNames {
    static inline int next = 0;
    PinnedNames() {
        next = 0;
        detail::TemporaryNames() = [] { return std::string(6, static_cast<char>('A' + next++)); };
    }
    ~PinnedNames() { detail::TemporaryNames() = nullptr; }
};

TEST(AtomicFile, ReplacesContentAndKeepsTheModeWithoutLeavingTemporaries) {
    testing::TempDir dir;
    const auto file = dir / "PLC1.rglx";
    ASSERT_TRUE(WriteFileAtomically(file, "old content that is longer"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(file, "new"));
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(file, "", WriteOptions{.sync = false}));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_EQ(testing::EntriesIn(dir.path()), 1);
}

TEST(AtomicFile, LinksAtTheTemporaryNameOrTheTargetAreNotFollowed) {
    testing::TempDir dir;
    const auto victim = dir / "victim";
    WriteBytes(victim, "untouched");
    PinnedNames pinned;
    fs::create_symlink(victim, dir / ".out.txt.velmora-AAAAAA.tmp");
    ASSERT_TRUE(WriteFileAtomically(dir / "out.txt", "payload"));
    EXPECT_EQ(ReadBytes(victim), "untouched");
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "payload");
    EXPECT_TRUE(fs::is_symlink(dir / ".out.txt.velmora-AAAAAA.tmp"));
    // A link at the target is replaced, not written through.
    WriteBytes(dir / "elsewhere", "theirs");
    fs::create_symlink(dir / "elsewhere", dir / "report.txt");
    ASSERT_TRUE(WriteFileAtomically(dir / "report.txt", "ours"));
    EXPECT_FALSE(fs::is_symlink(dir / "report.txt"));
    EXPECT_EQ(ReadBytes(dir / "report.txt"), "ours");
    EXPECT_EQ(ReadBytes(dir / "elsewhere"), "theirs");
}

TEST(AtomicFile, FailuresNameTheFileAndLeaveItAsItWas) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    testing::TempDir dir;
    const auto file = dir / "PLC1.rglx";
    WriteBytes(file, "before");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const auto result = WriteFileAtomically(file, "after");
    fs::permissions(dir.path(), fs::perms::owner_all);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.failure().path, file);
    EXPECT_NE(result.message().find(file.string()), std::string::npos) << result.message();
    EXPECT_NE(result.failure().reason.find("ermission"), std::string::npos) << result.message();
    EXPECT_EQ(ReadBytes(file), "before");
}

TEST(AtomicFile, ADirectoryInTheWayOrAMissingFolderIsAnError) {
    testing::TempDir dir;
    fs::create_directory(dir / "taken");
    for (const auto& target : {dir / "taken", dir / "missing" / "file.txt"}) {
        const auto result = WriteFileAtomically(target, "x");
        ASSERT_FALSE(result) << target;
        EXPECT_EQ(result.message().rfind("Cannot write the file " + target.string() + ": ", 0), 0u);
    }
    EXPECT_EQ(testing::EntriesIn(dir.path()), 1);
}

TEST(AtomicFile, OldLeftoversOfKilledRunsAreRemovedYoungOnesKept) {
    testing::TempDir dir;
    const auto old = dir / ".PLC1.rglx.velmora-Xy12Zq.tmp";
    const auto young = dir / ".PLC2.rglx.velmora-Ab34Cd.tmp";
    const auto foreign = dir / ".PLC1.rglx.tmp";
    for (const auto& p : {old, young, foreign}) WriteBytes(p, "partial");
    fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(foreign, fs::file_time_type::clock::now() - std::chrono::hours(2));
    ASSERT_TRUE(WriteFileAtomically(dir / "other.txt", "x"));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(young));  // may belong to a writer running now
    EXPECT_TRUE(fs::exists(foreign));
}

}  // namespace
}  // namespace velmora
