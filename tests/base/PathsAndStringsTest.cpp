#include "base/Paths.h"
#include "base/Strings.h"

#include <gtest/gtest.h>

#include "support/Support.h"

namespace velmora {
namespace {

TEST(HostPath, BackslashNamesBecomePathsUnderTheBaseAndBack) {
    EXPECT_EQ(HostPath("Velmora\\Boiler.orv", "/project"),
              std::filesystem::path("/project/Velmora/Boiler.orv"));
    EXPECT_EQ(HostPath("Velmora\\Boiler_def.ST"), std::filesystem::path("Velmora/Boiler_def.ST"));
    EXPECT_EQ(HostPath("/abs\\dir\\x.chm", "/project"), std::filesystem::path("/abs/dir/x.chm"));
    EXPECT_EQ(HostPath("a/b\\c", "/p"), std::filesystem::path("/p/a/b/c"));
    // And back: relative paths get backslashes.
    EXPECT_EQ(HostName(std::filesystem::path("Velmora") / "Boiler.orv"), "Velmora\\Boiler.orv");
    EXPECT_EQ(HostName("x.orv"), "x.orv");
    EXPECT_EQ(HostPath(HostName(std::filesystem::path("a") / "b" / "c.txt"), "/r"),
              std::filesystem::path("/r/a/b/c.txt"));
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
    EXPECT_EQ(HostPath(UpperAscii(dir.path().string()) + "\\velmora\\sub"), dir / "velmora" / "Sub");
}

// A pass's one listing resolves names as HostPath does, the pass's own new
// files included.
TEST(FolderNames, ResolveLikeHostPathFromOneListing) {
    testing::TempDir dir;
    testing::WriteBytes(dir / "Boiler.orv", "");
    testing::WriteBytes(dir / "BOILER_def.orv", "");
    FolderNames names(dir.path());
    for (const char* name : {"boiler.ORV", "Boiler_DEF.orv", "New.orv"})
        EXPECT_EQ(names.path(name), HostPath(name, dir.path())) << name;
    names.add("New.orv");
    EXPECT_EQ(names.path("NEW.ORV"), dir / "New.orv");
}

TEST(Strings, TrimFoldAndCompareAreAsciiOnly) {
    EXPECT_EQ(Trim(" \t\x01name\r\n"), "name");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(UpperAscii("Regulátor r1"), "REGULáTOR R1");  // bytes above ASCII untouched
    EXPECT_EQ(LowerAscii("PLC1.RGLX"), "plc1.rglx");
    EXPECT_TRUE(EqualNoCase("Regulator R1", "REGULATOR r1"));
    EXPECT_FALSE(EqualNoCase("R1", "R10"));
    EXPECT_TRUE(StartsWithNoCase("File12", "file"));
    EXPECT_FALSE(StartsWithNoCase("Fi", "file"));
    EXPECT_TRUE(EndsWithNoCase("Boiler_def.st", "_DEF.ST"));
}

// Character classes of the C locale whatever the process's locale.
TEST(Strings, AsciiClassesAndHexDigits) {
    for (char c : std::string_view(" \t\n\v\f\r")) EXPECT_TRUE(IsSpaceAscii(c)) << int(c);
    for (char c : {'\0', '\x1f', 'a', '\xa0'}) EXPECT_FALSE(IsSpaceAscii(c)) << int(c);
    const std::pair<char, int> hex[] = {{'0', 0}, {'9', 9}, {'a', 10}, {'F', 15}, {'g', -1}, {'\xc1', -1}};
    for (const auto& [c, value] : hex) EXPECT_EQ(HexDigitValue(c), value) << c;
}

TEST(Strings, SplitKeepsEmptyPartsAndLinesDropTheirEnds) {
    EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Split("", ','), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace velmora
