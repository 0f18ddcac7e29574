#include "base/Paths.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace velmora {
namespace {

TEST(HostPath, BackslashNamesBecomePathsUnderTheBase) {
    EXPECT_EQ(HostPath("Velmora\\Boiler.orv", "/project"),
              std::filesystem::path("/project/Velmora/Boiler.orv"));
    EXPECT_EQ(HostPath("Velmora\\Boiler_def.ST"), std::filesystem::path("Velmora/Boiler_def.ST"));
    EXPECT_EQ(HostPath("/abs\\dir\\x.chm", "/project"), std::filesystem::path("/abs/dir/x.chm"));
    EXPECT_EQ(HostPath("a/b\\c", "/p"), std::filesystem::path("/p/a/b/c"));
}

TEST(HostPath, ExistingEntriesAreMatchedWithoutRegardToCase) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir / "velmora" / "Sub");
    testing::WriteBytes(dir / "velmora" / "Sub" / "PLC1.rglx", "");
    EXPECT_EQ(HostPath("VELMORA\\sub\\plc1.RGLX", dir.path()), dir / "velmora" / "Sub" / "PLC1.rglx");
    // What does not exist stays as written, from the first missing component on.
    EXPECT_EQ(HostPath("Velmora\\New\\SUB\\x.orv", dir.path()), dir / "velmora" / "New" / "SUB" / "x.orv");
    EXPECT_EQ(HostPath("VELMORA\\PLC2.rglx", dir.path()), dir / "velmora" / "PLC2.rglx");
    // An exact match is preferred over a case-insensitive one.
    std::filesystem::create_directory(dir / "VELMORA");
    EXPECT_EQ(HostPath("VELMORA\\x", dir.path()), dir / "VELMORA" / "x");
    // Absolute names are resolved from the root.
    std::string upper = dir.path().string();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(HostPath(upper + "\\velmora\\sub"), dir / "velmora" / "Sub");
}

TEST(HostName, RelativePathsGetBackslashes) {
    EXPECT_EQ(HostName(std::filesystem::path("Velmora") / "Boiler.orv"), "Velmora\\Boiler.orv");
    EXPECT_EQ(HostName("x.orv"), "x.orv");
    EXPECT_EQ(HostPath(HostName(std::filesystem::path("a") / "b" / "c.txt"), "/r"),
              std::filesystem::path("/r/a/b/c.txt"));
}

}  // namespace
}  // namespace velmora
