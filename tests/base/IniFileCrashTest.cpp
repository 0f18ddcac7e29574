// A writer killed at random moments never leaves a damaged controller file,
// and every write that returned before the kill is in the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "base/IniFile.h"
#include "support/Support.h"

namespace velmora {
namespace {

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
        // Earlier rounds' keys survive later rounds.
        for (int r = 0; r < round; ++r)
            EXPECT_TRUE(ini.valueExists("Regulator R" + std::to_string(r) + "_0", "Key0"));
        const std::string bytes = testing::ReadBytes(file);
        ASSERT_TRUE(bytes.ends_with("\r\n")) << "the file ends in the middle of a line";
    }
}

}  // namespace
}  // namespace velmora
