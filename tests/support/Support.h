#pragma once
// The fakes and helpers every test folder shares: a scratch folder, whole-file
// reads and writes, scripted message boxes, a fixed clock and the velmora command.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/Toolkit.h"

namespace velmora::testing {

// A scratch folder per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many entries a folder holds (a temporary file left behind counts too).
inline int EntriesIn(const std::filesystem::path& dir) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

// The lines starting with any of the prefixes, in order.
inline std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines,
                                                  std::initializer_list<std::string_view> prefixes) {
    std::vector<std::string> out;
    for (const auto& line : lines)
        for (std::string_view prefix : prefixes)
            if (line.starts_with(prefix)) out.push_back(line);
    return out;
}

// The messages of a plug-in or comm log, without their time stamps.
inline std::vector<std::string> LogMessages(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.rfind('\t') + 1));
    return lines;
}

// Writes the bytes, creating the folders on the way.
inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// The lines of a text (split at CRLF, or LF when `crlf` is false; no empty last piece).
inline std::vector<std::string> SplitLines(const std::string& bytes, bool crlf = true) {
    const std::string eol = crlf ? "\r\n" : "\n";
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < bytes.size();) {
        const auto at = bytes.find(eol, from);
        lines.push_back(bytes.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + eol.size();
    }
    return lines;
}

struct ShownMessage {
    std::string caption, text;
    MessageIcon icon;
    MessageButtons buttons;
    bool operator==(const ShownMessage&) const = default;
};

inline void PrintTo(const ShownMessage& m, std::ostream* os) {
    *os << "{\"" << m.caption << "\", \"" << m.text << "\", icon " << static_cast<int>(m.icon) << ", buttons "
        << static_cast<int>(m.buttons) << "}";
}

// Records every box and answers from `answers`; with the script empty an Ok box
// gets Ok and a question gets `question`.
class ScriptedMessages : public MessageBoxes {
public:
    MessageAnswer show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (onShow) onShow();
        if (answers.empty())
            return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel ? MessageAnswer::Ok
                                                                                        : question;
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<MessageAnswer> answers;
    MessageAnswer question = MessageAnswer::Yes;
    std::vector<ShownMessage> shown;
    std::function<void()> onShow;
};

class FixedClock : public Clock {
public:
    LocalTime now() const override { return time; }
    LocalTime time{2026, 1, 1, 0, 0, 0, 0};
};

struct CommandResult {
    int status = -1;  // the exit code; -1 when the command did not exit normally
    std::string out;  // stdout, with stderr too when asked for
    std::string err;  // stderr, when not folded into out
};

// Runs the velmora command as a user would.
inline CommandResult RunVelmora(const std::string& arguments, bool withErrors = false) {
    TempDir scratch;
    const std::string errFile = (scratch / "stderr").string();
    const std::string command = std::string(VELMORA_BIN_DIR) + "/velmora " + arguments +
                                (withErrors ? " 2>&1" : " 2>'" + errFile + "'");
    CommandResult r;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!withErrors) r.err = ReadBytes(errFile);
    return r;
}

}  // namespace velmora::testing
