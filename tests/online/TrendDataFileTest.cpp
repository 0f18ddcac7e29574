// The recording's data file: as written, by hand, the round trip, every kind of bad file (refused
// with the recording kept, or read up to the last good row); the CSV of the shown window.
#include <gtest/gtest.h>

#include "online/TrendDataFile.h"
#include "support/Support.h"

namespace velmora::online {
namespace {

using velmora::testing::ReadBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteBytes;

TEST(TrendDataFile, WordCountAndTabSeparatedRowsWithCrLfRoundTripThroughTheAtomicWriter) {
    TrendBuffer b(50);
    b.append(0.0f, {12.5f, -3.0f, 100.0f, 1e-7f, 123456789.0f, 0.1f});
    b.append(1.25f, {0, 0, 0, 0, 0, -0.5f});
    EXPECT_EQ(TrendDataText(b),
              "Regulatory\r\n2\r\n"
              "0\t12.5\t-3\t100\t1e-07\t1.23457e+08\t0.1\r\n"
              "1.25\t0\t0\t0\t0\t0\t-0.5\r\n");
    TempDir dir;
    b = TrendBuffer(100);
    for (int i = 0; i < 250; ++i)  // wrapped: the file holds the newest 100, oldest first
        b.append(i * 0.5f,
                 {static_cast<float>(i), -static_cast<float>(i) / 3, 1, 2, 3, static_cast<float>(i % 7)});
    ASSERT_EQ(SaveTrendDataFile(dir / "rec.txt", b), "");
    EXPECT_EQ(ReadBytes(dir / "rec.txt"), TrendDataText(b));
    TrendBuffer back(100);
    const TrendLoadResult r = LoadTrendDataFile(dir / "rec.txt", back);
    ASSERT_TRUE(r.loaded) << r.message;
    ASSERT_EQ(back.count(), 100);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(back.time(i), b.time(i));
        for (int c = 0; c < kTrendChannels; ++c) EXPECT_NEAR(back.value(c, i), b.value(c, i), 1e-4) << i;
    }
    // A shorter recording keeps the newest rows of a longer file.
    TrendBuffer shorter(60);
    ASSERT_TRUE(LoadTrendDataFile(dir / "rec.txt", shorter).loaded);
    EXPECT_EQ(std::tuple(shorter.count(), shorter.newestTime()), std::tuple(60, b.newestTime()));
}

TEST(TrendDataFile, ReadsAFileWrittenByHand) {
    TempDir dir;
    // Spaces as well as tabs, a blank line, a count on the word's line, a last line without its end.
    WriteBytes(dir / "hand.txt",
               "Regulatory 3\n"
               "0\t1\t2\t3\t4\t5\t6\r\n"
               "\n"
               "0.5  -1.5e1 +2 3 4 5 6\n"
               "1\t7\t7\t7\t7\t7\t7.75");
    TrendBuffer b(50);
    const TrendLoadResult r = LoadTrendDataFile(dir / "hand.txt", b);
    EXPECT_EQ(std::tuple(r.loaded, r.message), std::tuple(true, std::string()));
    ASSERT_EQ(b.count(), 3);
    EXPECT_EQ(std::tuple(b.value(0, 1), b.value(1, 1), b.value(5, 2), b.time(2)),
              std::tuple(-15.0f, 2.0f, 7.75f, 1.0f));
}

TEST(TrendDataFile, BadFilesAreRefusedOrReadUpToTheLastGoodRow) {
    const std::string row = "1\t2\t3\t4\t5\t6\t7\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool loaded;
        int rows;
        const char* message;
    } cases[] = {
        {"wrong word", "Regulator\r\n1\r\n" + row, false, 0, "does not begin with \"Regulatory\""},
        {"empty file", "", false, 0, "empty"},
        {"no count", "Regulatory\r\n", false, 0, "ends before the number"},
        {"letters for the count", "Regulatory\r\nten\r\n" + row, false, 0, "line 2 is not a count"},
        {"negative count", "Regulatory\r\n-1\r\n", false, 0, "not a count"},
        {"short row", "Regulatory\r\n3\r\n" + row + "1\t2\t3\r\n" + row, true, 1, "Line 4 is not"},
        {"letters in a row", "Regulatory\r\n3\r\n" + row + row + "1\t2\tx\t4\t5\t6\t7\r\n", true, 2,
         "Line 5"},
        {"comma decimals", "Regulatory\r\n1\r\n1,5\t2\t3\t4\t5\t6\t7\r\n", true, 0, "Line 3"},
        {"extra field", "Regulatory\r\n1\r\n1\t2\t3\t4\t5\t6\t7\t8\r\n", true, 0, "Line 3"},
        {"not a number", "Regulatory\r\n1\r\nnan\t2\t3\t4\t5\t6\t7\r\n", true, 0, "Line 3"},
        {"count of 10^9", "Regulatory\r\n1000000000\r\n" + row + row, true, 2, "after 2 of the 1000000000"},
        {"rows past the count are left", "Regulatory\r\n1\r\n" + row + "junk\r\n", true, 1, ""},
        {"a line too long", "Regulatory\r\n2\r\n" + row + std::string(5000, '1') + "\r\n", true, 1, "longer"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        WriteBytes(dir / "bad.txt", c.bytes);
        TrendBuffer b(50);
        b.append(42, {9, 9, 9, 9, 9, 9});
        const TrendLoadResult r = LoadTrendDataFile(dir / "bad.txt", b);
        EXPECT_EQ(std::tuple(r.loaded, r.rows), std::tuple(c.loaded, c.rows)) << c.what;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << c.what << ": " << r.message;
        EXPECT_TRUE(*c.message || r.message.empty()) << c.what << ": " << r.message;
        EXPECT_EQ(b.count(), c.loaded ? c.rows : 1) << c.what << ": a refused file leaves the recording";
        EXPECT_TRUE(c.loaded || b.time(0) == 42.0f) << c.what;
    }
}

TEST(TrendDataFile, AHugeFileIsNotHeldInMemoryAndAMissingOneIsRefused) {
    TempDir dir;
    const auto path = dir / "huge.txt";
    WriteBytes(path, "Regulatory\r\n3\r\n1\t2\t3\t4\t5\t6\t7\r\n");
    std::filesystem::resize_file(path, 2'000'000'000ULL);  // the rest: NUL bytes, one endless line
    TrendBuffer b(50);
    const TrendLoadResult r = LoadTrendDataFile(path, b);
    EXPECT_EQ(std::tuple(r.loaded, r.rows, r.message.find("longer") != std::string::npos),
              std::tuple(true, 1, true));
    const TrendLoadResult missing = LoadTrendDataFile(dir / "none.txt", b);
    EXPECT_FALSE(missing.loaded);
    EXPECT_NE(missing.message.find("cannot be opened"), std::string::npos);
}

TEST(TrendCsv, ShownWindowWithHeaderOfNamesAndUnits) {
    TrendBuffer b(50);
    for (int i = 0; i < 10; ++i) b.append(static_cast<float>(i), {static_cast<float>(i), 0.5f, 0, 0, 0, 0});
    EXPECT_EQ(TrendCsvText(b, {2.5, 2}),
              "time [s],w [%],e [%],u [%],y1 [%],y2 [%],y3 [%]\r\n"
              "3,3,0.5,0,0,0,0\r\n"
              "4,4,0.5,0,0,0,0\r\n");
}

}  // namespace
}  // namespace velmora::online
