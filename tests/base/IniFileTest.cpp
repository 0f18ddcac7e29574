#include "base/IniFile.h"

#include <gmock/gmock.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

#include "support/Support.h"

namespace velmora {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::TempDir;
using ::testing::ThrowsMessage;
using testing::WriteBytes;

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path file = dir / "PLC1.rglx";
};

TEST_F(IniFileTest, SectionsAndKeysIgnoreAsciiCaseAndSurroundingBlanks) {
    WriteBytes(file, "[Regulator Boiler]\r\n  PBnd = 250  \r\nitType=3\r\n[ Desktop ]\r\nCount=2\r\n");
    IniFile ini(file);
    EXPECT_EQ(ini.readString("REGULATOR boiler", "pbnd", "x"), "250");
    EXPECT_EQ(ini.readInteger("regulator BOILER", "ITTYPE", 7), 3);
    EXPECT_EQ(ini.readInteger("Desktop", "count", 0), 2);
    EXPECT_TRUE(ini.sectionExists("desktop"));
    EXPECT_TRUE(ini.valueExists("Regulator Boiler", "ittype"));
    EXPECT_FALSE(ini.valueExists("Regulator Boiler", "itTyp"));
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    IniFile missing(dir / "none.rglx");
    EXPECT_FALSE(missing.fileExists());
    EXPECT_EQ(missing.readString("S", "K", "dflt"), "dflt");
    EXPECT_EQ(missing.readInteger("S", "K", -1), -1);
    EXPECT_TRUE(missing.readBool("S", "K", true));
    EXPECT_DOUBLE_EQ(missing.readDecimal("S", "K", 0.25), 0.25);
    EXPECT_TRUE(missing.sections().empty());
    WriteBytes(file, "[S]\nK=1\nEmpty=\n");
    IniFile ini(file);
    EXPECT_EQ(ini.readString("T", "K", "d"), "d");
    EXPECT_EQ(ini.readString("S", "L", "d"), "d");
    // A key that is present with no value is an empty text, not the default.
    EXPECT_EQ(ini.readString("S", "Empty", "d"), "");
    EXPECT_EQ(ini.find("S", "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(ini.find("S", "None"), std::nullopt);
}

TEST_F(IniFileTest, IntegerBooleanAndDecimalConversions) {
    WriteBytes(file,
               "[S]\nA=12\nB= -7 \nC=12a\nD=\nE=99999999999\nF=+5\nG=0x10\nH=2\nI=0\nJ=yes\nK=12,5\nL=12.5\n"
               "M=1.5e2 units\nN=abc\n");
    IniFile ini(file);
    // C is no integer, E out of range, G not a decimal integer: the default 42.
    const std::pair<const char*, int> integers[] = {{"A", 12}, {"B", -7}, {"C", 42}, {"D", 42},
                                                    {"E", 42}, {"F", 5},  {"G", 42}};
    for (const auto& [key, value] : integers) EXPECT_EQ(ini.readInteger("S", key, 42), value) << key;
    // Any integer but 0 is true; J is no integer: the default.
    const std::tuple<const char*, bool, bool> booleans[] = {{"A", false, true}, {"B", false, true},
                                                            {"H", false, true}, {"I", true, false},
                                                            {"J", true, true},  {"J", false, false}};
    for (const auto& [key, fallback, value] : booleans)
        EXPECT_EQ(ini.readBool("S", key, fallback), value) << key;
    // N is present but no number: 0, not the default.
    const std::pair<const char*, double> decimals[] = {{"K", 12.5}, {"L", 12.5}, {"M", 150}, {"N", 0}};
    for (const auto& [key, value] : decimals) EXPECT_DOUBLE_EQ(ini.readDecimal("S", key, 9), value) << key;
}

TEST_F(IniFileTest, MatchingQuotesAroundAValueAreDropped) {
    WriteBytes(file, "[S]\nA=\"quoted text\"\nB='single'\nC=\"unbalanced\nD=\"\nE=a\"b\"\nF=\"\"\n");
    IniFile ini(file);
    // A bare pair of quotes is an empty value.
    const std::pair<const char*, const char*> rows[] = {{"A", "quoted text"},  {"B", "single"},
                                                        {"C", "\"unbalanced"}, {"D", "\""},
                                                        {"E", "a\"b\""},       {"F", ""}};
    for (const auto& [key, value] : rows) EXPECT_EQ(ini.readString("S", key, "x"), value) << key;
}

TEST_F(IniFileTest, ListsFollowFileOrderAndSkipDuplicates) {
    WriteBytes(file,
               "top=ignored\n[B]\nz=1\n; a=comment\nno equals sign\n=no key\na=2\nZ=3\n[A]\nk=v\n[b]\nq=9\n");
    IniFile ini(file);
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(ini.keys("B"), (std::vector<std::string>{"z", "a"}));
    EXPECT_EQ(ini.sectionValues("b"), (std::vector<std::string>{"z=1", "a=2"}));
    EXPECT_TRUE(ini.keys("missing").empty());
    // Keys before the first section belong to no section.
    EXPECT_FALSE(ini.valueExists("", "top"));
    // Lines from 1, every line counted; the key reads see (the first Z is z).
    EXPECT_EQ(ini.lineNumber("b", "a"), 7);
    EXPECT_EQ(ini.lineNumber("B", "Z"), 3);
    EXPECT_EQ(ini.lineNumber("A", "k"), 10);
    EXPECT_EQ(ini.lineNumber("B", "q"), std::nullopt);
}

TEST_F(IniFileTest, FirstDuplicateWinsForReadsAndWrites) {
    WriteBytes(file, "[S]\nk=first\nK=second\n[T]\nx=1\n[s]\nk=third\n");
    IniFile ini(file);
    EXPECT_EQ(ini.readString("S", "k", ""), "first");
    ini.writeString("S", "K", "new");
    EXPECT_EQ(ReadBytes(file), "[S]\nk=new\nK=second\n[T]\nx=1\n[s]\nk=third\n");
}

TEST_F(IniFileTest, NulBytesAndVeryLongLinesAreHandled) {
    std::string longValue(2'000'000, 'x');
    std::string bytes = "[S]\nnul=a";
    bytes += '\0';
    bytes += "b\nlong=" + longValue + "\n";
    bytes += std::string(300'000, '\0');  // a run of NULs with no line end
    bytes += "\n[T]\nk=1\n";
    WriteBytes(file, bytes);
    IniFile ini(file);
    EXPECT_EQ(ini.readString("S", "nul", ""), std::string("a\0b", 3));
    EXPECT_EQ(ini.readString("S", "long", "").size(), longValue.size());
    EXPECT_EQ(ini.readInteger("T", "k", 0), 1);
    ini.writeInteger("T", "k", 2);
    std::string expected = bytes;
    expected.replace(expected.size() - 2, 1, "2");
    EXPECT_EQ(ReadBytes(file), expected);
}

TEST_F(IniFileTest, Utf8ByteOrderMarkDoesNotHideTheFirstSection) {
    WriteBytes(file, "\xEF\xBB\xBF[S]\r\nk=1\r\n");
    IniFile ini(file);
    EXPECT_EQ(ini.readInteger("S", "k", 0), 1);
    ini.writeInteger("S", "k", 2);
    EXPECT_EQ(ReadBytes(file), "\xEF\xBB\xBF[S]\r\nk=2\r\n");
}

TEST_F(IniFileTest, NewFileIsWrittenWithCrLfAndBlankLinesBetweenSections) {
    IniFile ini(file);
    ini.writeString("Regulator A", "Name", "A");
    ini.writeString("Regulator A", "Type", "PID");
    ini.writeBool("Regulator B", "HeaderInST", true);
    ini.writeBool("Regulator B", "Alias", false);
    ini.writeDecimal("Regulator B", "k", 0.25, ',');
    EXPECT_EQ(ReadBytes(file),
              "[Regulator A]\r\nName=A\r\nType=PID\r\n\r\n"
              "[Regulator B]\r\nHeaderInST=1\r\nAlias=0\r\nk=0,25\r\n");
}

TEST_F(IniFileTest, LfFileKeepsLfAndEveryForeignLineByteForByte) {
    // No line end at the very end.
    WriteBytes(file,
               "; controllers of PLC1\n\n[Regulator A]\nName = A\n  ; tuned on site\n"
               "garbage line without equals\nPBnd=250\n\n\n[Desktop]\nCount=0");
    IniFile ini(file);
    ini.writeInteger("regulator a", "pbnd", 300);  // replaced in place, the file's spelling kept
    ini.writeInteger("Regulator A", "Ti", 50);     // appended after the last line of the section
    ini.writeInteger("Desktop", "Forms", 1);       // the last line gets its line end first
    ini.writeString("New", "k", "v");
    EXPECT_EQ(
        ReadBytes(file),
        "; controllers of PLC1\n\n[Regulator A]\nName = A\n  ; tuned on site\n"
        "garbage line without equals\nPBnd=300\nTi=50\n\n\n[Desktop]\nCount=0\nForms=1\n\n[New]\nk=v\n");
}

TEST_F(IniFileTest, CrLfFileKeepsCrLfAndMixedLineEndsStayAsTheyAre) {
    WriteBytes(file, "[S]\r\na=1\nb=2\r\n");
    IniFile ini(file);
    ini.writeInteger("S", "c", 3);
    ini.writeInteger("S", "a", 9);
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=9\nb=2\r\nc=3\r\n");
}

TEST_F(IniFileTest, EraseSectionAndDeleteKeyRemoveEveryDuplicate) {
    WriteBytes(file, "[A]\na=1\n\n[B]\nb=1\nB=2\nc=3\n\n[a]\nx=1\n[C]\nd=4\n");
    IniFile ini(file);
    ini.eraseSection("a");
    EXPECT_FALSE(ini.sectionExists("A"));
    ini.deleteKey("B", "b");
    EXPECT_FALSE(ini.valueExists("B", "b"));
    EXPECT_EQ(ReadBytes(file), "[B]\nc=3\n\n[C]\nd=4\n");
    // Erasing what is not there leaves the file alone.
    auto before = std::filesystem::last_write_time(file);
    ini.eraseSection("Nothing");
    ini.deleteKey("C", "nothing");
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
}

TEST_F(IniFileTest, NamesAndValuesThatWouldBreakTheFileAreRefused) {
    IniFile ini(file);
    EXPECT_THROW(ini.writeString("S", "K", "two\nlines"), IniFileError);
    EXPECT_THROW(ini.writeString("S", "K=", "v"), IniFileError);
    EXPECT_THROW(ini.writeString("S", " ", "v"), IniFileError);
    EXPECT_THROW(ini.writeString("S", ";K", "v"), IniFileError);
    EXPECT_THROW(ini.writeString("S]x", "K", "v"), IniFileError);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(IniFileTest, ChangesMadeOutsideAreSeenAtTheNextRead) {
    WriteBytes(file, "[S]\nk=1\n");
    IniFile ini(file);
    EXPECT_EQ(ini.readInteger("S", "k", 0), 1);
    // Replaced by rename, as another program writing safely would do.
    auto other = dir / "other";
    WriteBytes(other, "[S]\nk=2\n");
    std::filesystem::rename(other, file);
    EXPECT_EQ(ini.readInteger("S", "k", 0), 2);
    // Rewritten in place with another size.
    WriteBytes(file, "[S]\nk=345\n");
    EXPECT_EQ(ini.readInteger("S", "k", 0), 345);
    std::filesystem::remove(file);
    EXPECT_EQ(ini.readInteger("S", "k", 0), 0);
    EXPECT_FALSE(ini.fileExists());
    IniFile(file).writeInteger("S", "k", 6);  // made again by another object
    EXPECT_EQ(ini.readInteger("S", "k", 0), 6);
}

TEST_F(IniFileTest, BatchWritesOnceAndOnlyItsOwnerSeesPendingWrites) {
    WriteBytes(file, "[S]\nk=0\n");
    IniFile ini(file);
    IniFile other(file);
    EXPECT_EQ(other.readInteger("S", "k", -1), 0);
    {
        IniFile::Batch batch(ini);
        for (int i = 1; i <= 200; ++i) ini.writeInteger("S", "k" + std::to_string(i), i);
        ini.writeInteger("S", "k", 7);
        EXPECT_EQ(ini.readInteger("S", "k200", 0), 200);
        EXPECT_EQ(ReadBytes(file), "[S]\nk=0\n");
        EXPECT_EQ(other.readInteger("S", "k", -1), 0);
        EXPECT_FALSE(other.valueExists("S", "k1"));
        {
            IniFile::Batch inner(ini);
            ini.writeInteger("S", "inner", 1);
        }
        EXPECT_FALSE(other.valueExists("S", "inner"));
    }
    EXPECT_EQ(other.readInteger("S", "k", -1), 7);
    EXPECT_EQ(other.readInteger("S", "k200", 0), 200);
    EXPECT_EQ(other.readInteger("S", "inner", 0), 1);
}

TEST_F(IniFileTest, BatchCommitWritesAtOnceAndTheBatchStaysUsable) {
    IniFile ini(file);
    IniFile::Batch batch(ini);
    ini.writeInteger("S", "a", 1);
    batch.commit();
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\n");
    ini.writeInteger("S", "b", 2);
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\n");
    batch.commit();
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\nb=2\r\n");
}

TEST_F(IniFileTest, ReadOnlyFileIsNotTouchedAndTheErrorSaysWhy) {
    const std::string original = "[S]\nk=1\n";
    WriteBytes(file, original);
    ::chmod(file.c_str(), 0444);
    IniFile ini(file);
    EXPECT_THAT([&] { ini.writeInteger("S", "k", 2); },
                ThrowsMessage<IniFileError>(AllOf(HasSubstr("read-only"), HasSubstr("PLC1.rglx"))));
    EXPECT_THROW(ini.eraseSection("S"), IniFileError);
    EXPECT_THROW(ini.deleteKey("S", "k"), IniFileError);
    {
        IniFile::Batch batch(ini);
        EXPECT_THROW(ini.writeInteger("S", "k", 3), IniFileError);
    }
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(ini.readInteger("S", "k", 0), 1);
    ::chmod(file.c_str(), 0640);  // writable again: writing works
    ini.writeInteger("S", "k", 4);
    EXPECT_EQ(ReadBytes(file), "[S]\nk=4\n");
}

TEST_F(IniFileTest, FailedRewriteIsForgottenByEveryObjectOnTheFile) {
    WriteBytes(file, "[S]\nk=1\n");
    IniFile writer(file);
    IniFile reader(file);
    EXPECT_EQ(reader.readInteger("S", "k", 0), 1);
    // A file-size limit makes the rewrite fail half-way, whatever our rights.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(writer.writeString("S", "k", std::string(4000, 'x')), IniFileError);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    EXPECT_EQ(ReadBytes(file), "[S]\nk=1\n");
    EXPECT_EQ(reader.readInteger("S", "k", 0), 1);
    EXPECT_EQ(writer.readInteger("S", "k", 0), 1);
    EXPECT_EQ(testing::EntriesIn(dir.path()), 1) << "the temporary file was left behind";
}

// The project folder given to the file limits where its links may lead (the
// link rules themselves are AtomicFile's): one beside the file's own folder is
// followed, one outside the project refuses the write.
TEST_F(IniFileTest, ALinkLeadingOutsideTheProjectIsNotWrittenThrough) {
    const auto project = dir / "project";
    std::filesystem::create_directories(project / "real");
    std::filesystem::create_directories(project / "Velmora");
    WriteBytes(project / "real" / "PLC1.rglx", "[S]\nk=1\n");
    std::filesystem::create_symlink(project / "real" / "PLC1.rglx", project / "Velmora" / "PLC1.rglx");
    IniFile ini(project / "Velmora" / "PLC1.rglx", project);
    ini.writeInteger("S", "k", 19);
    EXPECT_EQ(ReadBytes(project / "real" / "PLC1.rglx"), "[S]\nk=19\n");
    WriteBytes(dir / "decoy.rglx", "[S]\nk=1\n");
    std::filesystem::create_symlink(dir / "decoy.rglx", project / "PLC2.rglx");
    IniFile outside(project / "PLC2.rglx", project);
    EXPECT_THAT([&] { outside.writeInteger("S", "k", 2); },
                ThrowsMessage<IniFileError>(AllOf(HasSubstr((project / "PLC2.rglx").string()),
                                                  HasSubstr((dir / "decoy.rglx").string()))));
    EXPECT_EQ(ReadBytes(dir / "decoy.rglx"), "[S]\nk=1\n");
    EXPECT_EQ(outside.readInteger("S", "k", 0), 1);
}

// A writer killed at random moments never leaves a damaged controller file,
// and every write that returned before the kill is in the file.
[[noreturn]] void WriteForever(const std::filesystem::path& file, int round, int writeEnd) {
    IniFile ini(file);
    for (int i = 0;; ++i) {
        const std::string section = "Regulator R" + std::to_string(round) + "_" + std::to_string(i % 7);
        ini.writeInteger(section, "Key" + std::to_string(i), i);
        if (i % 5 == 0) ini.writeString(section, "Name", "R" + std::to_string(i));
        if (::write(writeEnd, &i, sizeof i) != sizeof i) ::_exit(2);
    }
}

TEST(IniFileCrash, KilledWriterLeavesAParsableFileWithEveryReportedWrite) {
    testing::TempDir dir;
    const auto file = dir / "PLC1.rglx";
    std::mt19937 random(12345);
    for (int round = 0; round < 6; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            WriteForever(file, round, fds[1]);
        }
        ::close(fds[1]);
        // Wait for the first returned write so a slow start under load cannot
        // make a round empty; then kill at a random moment.
        int last = -1, value = 0;
        if (::read(fds[0], &value, sizeof value) == sizeof value) last = value;
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 150));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
        while (::read(fds[0], &value, sizeof value) == sizeof value) last = value;
        ::close(fds[0]);
        ASSERT_GE(last, 0) << "the writer reported nothing in round " << round;
        IniFile ini(file);
        for (int i = 0; i <= last; ++i) {
            const std::string section = "Regulator R" + std::to_string(round) + "_" + std::to_string(i % 7);
            ASSERT_EQ(ini.readInteger(section, "Key" + std::to_string(i), -1), i) << "round " << round;
        }
        for (int r = 0; r < round; ++r)
            EXPECT_TRUE(ini.valueExists("Regulator R" + std::to_string(r) + "_0", "Key0"));
        const std::string bytes = testing::ReadBytes(file);
        ASSERT_TRUE(bytes.ends_with("\r\n")) << "the file ends in the middle of a line";
    }
}

}  // namespace
}  // namespace velmora
