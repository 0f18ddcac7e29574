#pragma once
// Profile-file access with the IDE's semantics: sections and keys compared
// without regard to case, every read with an explicit default, every write on
// disk (atomically) when the call returns.
//
// File format details: lines end with LF or CRLF and a rewrite keeps what the
// file has (new files get CRLF); comments (";"), blank lines and lines that are
// neither a section header nor "key=value" are kept byte for byte. Names and
// values are trimmed of blanks when read, and a value enclosed in a pair of
// matching single or double quotes loses them, as the system's profile API
// does. With duplicate sections or keys the first one is read and written;
// keys() and sectionValues() list only those first occurrences.
//
// Parsed contents are cached per thread and keyed by the file's identity
// (device, inode, size, modification and change times), so a repeated read
// costs one stat and a second object on the same file sees this object's
// writes. One object must only be used by one thread at a time.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/Strings.h"

namespace velmora {

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);
    // Writes stay inside root (the project folder): a link at the file is
    // followed when it leads inside and refused when it leads outside. Without
    // a root the file's own folder is the limit.
    IniFile(std::filesystem::path path, std::filesystem::path root);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    bool fileExists() const;
    // Why a file that exists cannot be read (a folder, no permission); empty
    // when it can be read or does not exist. Reads of such a file give defaults.
    std::string readError() const;

    // Reads. A missing file, section or key gives the default.
    std::string readString(std::string_view section, std::string_view key, std::string_view def) const;
    // Plain decimal integer conversion of the whole value; a value that is not an
    // integer gives the default.
    int readInteger(std::string_view section, std::string_view key, int def) const;
    // Any integer text, non-zero meaning true; anything else gives the default.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    // The value through ParseDecimal; a missing key gives the default.
    double readDecimal(std::string_view section, std::string_view key, double def) const;
    std::optional<std::string> find(std::string_view section, std::string_view key) const;
    // The line (from 1) of the key that reads see, for messages about its value.
    std::optional<int> lineNumber(std::string_view section, std::string_view key) const;

    // Every key line of the (first) section in file order, repeated keys
    // included (reads see only the first), with its line number from 1.
    struct KeyEntry {
        std::string key, value;
        int line = 0;
    };
    std::vector<KeyEntry> keyLines(std::string_view section) const;

    bool sectionExists(std::string_view section) const;
    bool valueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> sections() const;                               // in file order
    std::vector<std::string> keys(std::string_view section) const;           // in file order
    std::vector<std::string> sectionValues(std::string_view section) const;  // "key=value" lines

    // Writes. Each replaces the key's line or appends it to its section (a new
    // section goes to the end of the file) and is on disk when it returns,
    // unless a Batch is open on this object. Errors throw IniFileError.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);  // "1" / "0"
    // General format, up to 15 significant digits, with the given decimal separator.
    void writeDecimal(std::string_view section, std::string_view key, double value, char separator = '.');
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);
    // Removes every line of that key from the (first) section.
    void deleteKey(std::string_view section, std::string_view key);

    // Collects the writes made while it lives into one atomic rewrite, done by
    // commit() or by the destructor. Used by passes that write many keys (the
    // compile-start pass writes one release number per controller), so they
    // stay linear in the file size. Reads through the same object see the
    // pending writes; other objects see them after the commit. The destructor
    // cannot report a failed rewrite: call commit() where the error matters.
    // Nested batches write once, when the outermost one ends.
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void commit();

    private:
        IniFile* file_;
    };

private:
    struct Content;
    const Content& content() const;  // reloads when the file changed on disk
    Content& mutableContent();       // throws when the file may not be rewritten
    void written();                  // after a change: store now, or later for a batch
    void store();
    void discard();  // forgets a change that could not be stored

    std::filesystem::path path_;
    std::filesystem::path root_;
    std::string cacheKey_;
    mutable std::shared_ptr<Content> content_;
    int batchDepth_ = 0;
    bool dirty_ = false;
};

struct IniFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace velmora
