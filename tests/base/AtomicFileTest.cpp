// The one file writer: replaces content whole, writes nothing outside its
// root, reports failures with the file's name, cleans up after killed runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "base/AtomicFile.h"
#include "support/Support.h"

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
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    ASSERT_TRUE(WriteFileAtomically(file, "old content that is longer"));
    fs::permissions(file, mode);
    ASSERT_TRUE(WriteFileAtomically(file, "new"));
    EXPECT_EQ(ReadBytes(file), "new");
    EXPECT_EQ(fs::status(file).permissions(), mode);
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
}

// Nothing is written outside the root: a link that leads inside is followed
// (the link stays), one that leads outside, at the file or at a folder on its
// way, is refused with both paths named. The decoys live beside the project.
TEST(AtomicFile, LinksAreFollowedInsideTheRootAndRefusedOutside) {
    testing::TempDir scratch;
    const auto project = scratch / "project";
    fs::create_directories(project / "Velmora");
    fs::create_directories(project / "shared");
    fs::create_directories(scratch / "outside");
    const struct {
        const char* link;   // in the project, empty: no link
        fs::path to;        // what it points at
        const char* write;  // the path written, in the project
        fs::path lands;     // the file that gets the bytes; empty: refused
        bool rootGiven;
    } rows[] = {
        {"", {}, "Velmora/plain.orv", project / "Velmora" / "plain.orv", true},
        {"Velmora/in.rglx", project / "shared" / "in.rglx", "Velmora/in.rglx", project / "shared" / "in.rglx",
         true},
        {"Velmora/rel.rglx", "../shared/rel.rglx", "Velmora/rel.rglx", project / "shared" / "rel.rglx", true},
        {"Velmora/out.rglx", scratch / "outside" / "decoy.rglx", "Velmora/out.rglx", {}, true},
        {"Velmora/up.rglx", "../../outside/decoy.rglx", "Velmora/up.rglx", {}, true},
        {"Linked", scratch / "outside", "Linked/decoy.rglx", {}, true},
        // Without a root the file's own folder is the limit.
        {"Velmora/near.rglx", "near-real.rglx", "Velmora/near.rglx", project / "Velmora" / "near-real.rglx",
         false},
        {"Velmora/far.rglx", project / "shared" / "far.rglx", "Velmora/far.rglx", {}, false},
    };
    for (const auto& r : rows) {
        WriteBytes(scratch / "outside" / "decoy.rglx", "decoy");
        if (*r.link) fs::create_symlink(r.to, project / r.link);
        const auto result = WriteFileAtomically(project / r.write, "ours",
                                                WriteOptions{.root = r.rootGiven ? project : fs::path()});
        EXPECT_EQ(result.ok(), !r.lands.empty()) << r.write << ": " << result.message();
        EXPECT_EQ(ReadBytes(scratch / "outside" / "decoy.rglx"), "decoy") << r.write;
        if (!r.lands.empty()) {
            EXPECT_EQ(ReadBytes(r.lands), "ours") << r.write;
            if (*r.link) EXPECT_TRUE(fs::is_symlink(project / r.link)) << r.write;
        } else {
            for (const std::string part :
                 {(project / r.write).string(), std::string("leads to "), std::string("nothing was written")})
                EXPECT_NE(result.message().find(part), std::string::npos) << result.message();
        }
    }
    EXPECT_EQ(testing::EntriesIn(scratch / "outside"), 1);
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
