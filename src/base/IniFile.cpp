#include "base/IniFile.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>

#include "base/AtomicFile.h"
#include "base/ParseDecimal.h"
#include "base/Platform.h"
#include "base/Strings.h"

namespace velmora {

namespace {

// The profile API drops one pair of matching quotes around a value.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct KeyLine {
    std::string_view key, value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view text) {
    std::string_view t = TrimLeft(text);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    auto eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return KeyLine{key, Unquote(Trim(t.substr(eq + 1)))};
}

// A section header's name, or nullopt for any other line.
std::optional<std::string_view> HeaderName(std::string_view text) {
    std::string_view t = TrimLeft(text);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    auto close = t.find(']');
    if (close != std::string_view::npos) t = t.substr(0, close);
    return Trim(t);
}

struct FileIdentity {
    FileStamp stamp;
    bool valid = true;  // false: content known not to match the disk

    bool operator==(const FileIdentity& o) const { return valid && o.valid && stamp == o.stamp; }
};

FileIdentity StatIdentity(const std::filesystem::path& path) {
    return FileIdentity{StampOf(path)};
}

enum class Eol : std::uint8_t { None, Lf, CrLf };

std::string_view EolText(Eol e) {
    switch (e) {
        case Eol::Lf:
            return "\n";
        case Eol::CrLf:
            return "\r\n";
        default:
            return "";
    }
}

bool ParseWholeInteger(std::string_view text, long long& out) {
    std::string_view t = Trim(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
    return ec == std::errc() && end == t.data() + t.size();
}

void CheckName(std::string_view what, std::string_view name, std::string_view forbidden) {
    for (char c : name)
        if (c == '\n' || c == '\r' || forbidden.find(c) != std::string_view::npos)
            throw IniFileError("The " + std::string(what) + " \"" + std::string(name) +
                               "\" cannot be stored in a profile file.");
}

}  // namespace

struct IniFile::Content {
    struct Line {
        std::string text;  // without its line end
        Eol eol = Eol::None;
    };
    struct Section {
        std::string name;         // trimmed, as written
        std::vector<Line> lines;  // the header first (none for the lines before the first section)
        mutable std::unordered_map<std::string, std::size_t> keyIndex;  // folded key -> first line
        mutable bool indexed = false;

        const std::unordered_map<std::string, std::size_t>& index() const {
            if (!indexed) {
                keyIndex.clear();
                for (std::size_t i = 1; i < lines.size(); ++i)
                    if (auto kl = SplitKeyLine(lines[i].text)) keyIndex.emplace(UpperAscii(kl->key), i);
                indexed = true;
            }
            return keyIndex;
        }
        // Each key where it first stands (the one reads see), in file order.
        template <class Visit>
        void forEachKey(Visit visit) const {
            const auto& idx = index();
            for (std::size_t i = 1; i < lines.size(); ++i)
                if (auto kl = SplitKeyLine(lines[i].text)) {
                    auto it = idx.find(UpperAscii(kl->key));
                    if (it != idx.end() && it->second == i) visit(*kl);
                }
        }
        std::optional<std::size_t> findKey(std::string_view key) const {
            const auto& idx = index();
            auto it = idx.find(UpperAscii(key));
            if (it == idx.end()) return std::nullopt;
            return it->second;
        }
    };

    FileIdentity identity;
    bool unreadable = false;  // exists but could not be read: must not be rewritten
    std::string readError;
    bool crlf = true;
    std::vector<Section> sections;  // sections[0]: the lines before the first header
    std::unordered_map<std::string, std::size_t> sectionIndex;  // folded name -> first section

    Content() { sections.emplace_back(); }

    void parse(std::string_view bytes) {
        sections.clear();
        sections.emplace_back();
        sectionIndex.clear();
        bool eolKnown = false;
        std::size_t pos = 0;
        bool first = true;
        while (pos < bytes.size()) {
            std::size_t nl = bytes.find('\n', pos);
            Line line;
            std::string_view body;
            if (nl == std::string_view::npos) {
                body = bytes.substr(pos);
                pos = bytes.size();
            } else {
                body = bytes.substr(pos, nl - pos);
                pos = nl + 1;
                line.eol = Eol::Lf;
                if (!body.empty() && body.back() == '\r') {
                    body.remove_suffix(1);
                    line.eol = Eol::CrLf;
                }
                if (!eolKnown) {
                    crlf = line.eol == Eol::CrLf;
                    eolKnown = true;
                }
            }
            line.text.assign(body);
            std::string_view probe = body;
            if (first && probe.substr(0, kBom.size()) == kBom) probe.remove_prefix(kBom.size());
            first = false;
            if (auto name = HeaderName(probe)) {
                Section s;
                s.name.assign(*name);
                sectionIndex.emplace(UpperAscii(s.name), sections.size());
                sections.push_back(std::move(s));
            }
            sections.back().lines.push_back(std::move(line));
        }
    }

    void reindexSections() {
        sectionIndex.clear();
        for (std::size_t i = 1; i < sections.size(); ++i)
            sectionIndex.emplace(UpperAscii(sections[i].name), i);
    }

    const Section* findSection(std::string_view name) const {
        auto it = sectionIndex.find(UpperAscii(Trim(name)));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }
    Section* findSection(std::string_view name) {
        return const_cast<Section*>(std::as_const(*this).findSection(name));
    }

    std::optional<std::string_view> find(std::string_view section, std::string_view key) const {
        const Section* s = findSection(section);
        if (!s) return std::nullopt;
        auto line = s->findKey(Trim(key));
        if (!line) return std::nullopt;
        return SplitKeyLine(s->lines[*line].text)->value;
    }

    Eol newEol() const { return crlf ? Eol::CrLf : Eol::Lf; }

    Line* lastLine() {
        for (auto it = sections.rbegin(); it != sections.rend(); ++it)
            if (!it->lines.empty()) return &it->lines.back();
        return nullptr;
    }

    // Sets a key; false when the file already holds exactly that line.
    bool set(std::string_view sectionName, std::string_view keyName, std::string_view value) {
        std::string_view sec = Trim(sectionName);
        std::string_view key = Trim(keyName);
        Section* s = findSection(sec);
        if (!s) {
            if (Line* last = lastLine()) {
                if (last->eol == Eol::None) last->eol = newEol();
                if (!Trim(last->text).empty()) sections.back().lines.push_back({"", newEol()});
            }
            Section fresh;
            fresh.name.assign(sec);
            fresh.lines.push_back({"[" + fresh.name + "]", newEol()});
            sectionIndex.emplace(UpperAscii(fresh.name), sections.size());
            sections.push_back(std::move(fresh));
            s = &sections.back();
        }
        if (auto at = s->findKey(key)) {
            Line& line = s->lines[*at];
            std::string text(SplitKeyLine(line.text)->key);
            text += '=';
            text += value;
            if (text == line.text) return false;
            line.text = std::move(text);
            return true;
        }
        // After the last non-blank line, so the blank line before the next section stays there.
        std::size_t insertAt = s->lines.size();
        while (insertAt > 1 && Trim(s->lines[insertAt - 1].text).empty()) --insertAt;
        Line& before = s->lines[insertAt - 1];
        if (before.eol == Eol::None) before.eol = newEol();
        std::string text(key);
        text += '=';
        text += value;
        // Only blank lines follow the new one, so the key index stays valid with it added.
        if (s->indexed) s->keyIndex.emplace(UpperAscii(key), insertAt);
        s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        Line{std::move(text), newEol()});
        return true;
    }

    bool erase(std::string_view sectionName) {
        const std::string folded = UpperAscii(Trim(sectionName));
        auto before = sections.size();
        sections.erase(std::remove_if(sections.begin() + 1, sections.end(),
                                      [&](const Section& s) { return UpperAscii(s.name) == folded; }),
                       sections.end());
        if (sections.size() == before) return false;
        reindexSections();
        return true;
    }

    bool remove(std::string_view sectionName, std::string_view keyName) {
        Section* s = findSection(sectionName);
        if (!s) return false;
        const std::string folded = UpperAscii(Trim(keyName));
        auto before = s->lines.size();
        s->lines.erase(std::remove_if(s->lines.begin() + 1, s->lines.end(),
                                      [&](const Line& l) {
                                          auto kl = SplitKeyLine(l.text);
                                          return kl && UpperAscii(kl->key) == folded;
                                      }),
                       s->lines.end());
        if (s->lines.size() == before) return false;
        s->indexed = false;
        return true;
    }

    std::string serialize() const {
        std::size_t size = 0;
        for (const auto& s : sections)
            for (const auto& l : s.lines) size += l.text.size() + 2;
        std::string out;
        out.reserve(size);
        for (const auto& s : sections)
            for (const auto& l : s.lines) {
                out += l.text;
                out += EolText(l.eol);
            }
        return out;
    }
};

namespace {

// Parsed files of this thread, most recently used last. A template only so
// that it can hold the private content type, named where it is used.
template <class Content>
struct ContentCache {
    static constexpr std::size_t kCapacity = 8;
    std::vector<std::pair<std::string, std::shared_ptr<Content>>> entries;

    std::shared_ptr<Content> get(const std::string& key) {
        for (auto it = entries.begin(); it != entries.end(); ++it)
            if (it->first == key) {
                auto value = it->second;
                std::rotate(it, it + 1, entries.end());
                return value;
            }
        return nullptr;
    }
    void put(const std::string& key, std::shared_ptr<Content> content) {
        drop(key);
        if (entries.size() >= kCapacity) entries.erase(entries.begin());
        entries.emplace_back(key, std::move(content));
    }
    void drop(const std::string& key) {
        std::erase_if(entries, [&](const auto& e) { return e.first == key; });
    }
};

template <class Content>
ContentCache<Content>& Cache() {
    thread_local ContentCache<Content> cache;
    return cache;
}

}  // namespace

IniFile::IniFile(std::filesystem::path path) : IniFile(std::move(path), {}) {}

IniFile::IniFile(std::filesystem::path path, std::filesystem::path root)
    : path_(std::move(path)), root_(std::move(root)) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path_, ec);
    cacheKey_ = (ec ? path_ : absolute).lexically_normal().string();
}

IniFile::~IniFile() = default;

bool IniFile::fileExists() const {
    std::error_code ec;
    return std::filesystem::is_regular_file(path_, ec);
}

std::string IniFile::readError() const {
    const Content& current = content();
    return current.unreadable ? "Cannot read the file " + path_.string() + " (" + current.readError + ")."
                              : "";
}

const IniFile::Content& IniFile::content() const {
    if (dirty_ && content_) return *content_;  // pending batch writes are the truth for this object
    const FileIdentity now = StatIdentity(path_);
    if (content_ && content_->identity == now) return *content_;
    if (auto cached = Cache<Content>().get(cacheKey_); cached && cached->identity == now) {
        content_ = std::move(cached);
        return *content_;
    }
    auto fresh = std::make_shared<Content>();
    fresh->identity = now;
    if (now.stamp.exists) {
        FileContent file = ReadWholeFile(path_);
        if (file.error.empty()) {
            fresh->identity.stamp = file.stamp;
            fresh->parse(file.bytes);
        } else {
            fresh->unreadable = true;
            fresh->readError = std::move(file.error);
            fresh->identity.valid = false;  // retry at the next read
        }
    }
    if (fresh->identity.valid) Cache<Content>().put(cacheKey_, fresh);
    content_ = std::move(fresh);
    return *content_;
}

IniFile::Content& IniFile::mutableContent() {
    if (dirty_) return *content_;  // a batch with pending writes: checked at its first write
    const Content& current = content();
    if (current.unreadable)
        throw IniFileError("Cannot read the file " + path_.string() + " (" + current.readError +
                           "); nothing was written.");
    if (current.identity.stamp.exists && !MayWrite(path_)) {
        throw IniFileError("Cannot write the file " + path_.string() + ": the file is read-only.");
    }
    if (batchDepth_ > 0 && content_.use_count() > 1) {
        // A batch's pending writes stay private: this object works on a copy, and
        // the cache keeps serving the file as it is on disk to everyone else.
        content_ = std::make_shared<Content>(*content_);
    }
    return *content_;
}

void IniFile::written() {
    dirty_ = true;
    if (batchDepth_ == 0) store();
}

void IniFile::store() {
    if (!dirty_ || !content_) return;
    // As the system's profile API does, a write goes to the file a link names,
    // as long as that file is inside the root.
    if (auto result = WriteFileAtomically(path_, content_->serialize(), WriteOptions{.root = root_});
        !result) {
        discard();
        throw IniFileError(result.message());
    }
    dirty_ = false;
    content_->identity = StatIdentity(path_);
    Cache<Content>().put(cacheKey_, content_);
}

void IniFile::discard() {
    dirty_ = false;
    if (content_) content_->identity.valid = false;  // whoever shares it reads the disk again
    Cache<Content>().drop(cacheKey_);
    content_.reset();
}

std::optional<std::string> IniFile::find(std::string_view section, std::string_view key) const {
    if (auto v = content().find(section, key)) return std::string(*v);
    return std::nullopt;
}

namespace {

// Lines of the file before the section.
template <class Content, class Section>
std::size_t LinesBefore(const Content& c, const Section* s) {
    std::size_t before = 0;
    for (const auto& other : c.sections) {
        if (&other == s) break;
        before += other.lines.size();
    }
    return before;
}

}  // namespace

std::optional<int> IniFile::lineNumber(std::string_view section, std::string_view key) const {
    const Content& c = content();
    const Content::Section* s = c.findSection(section);
    if (!s) return std::nullopt;
    const auto line = s->findKey(Trim(key));
    if (!line) return std::nullopt;
    return static_cast<int>(LinesBefore(c, s) + *line + 1);
}

std::vector<IniFile::KeyEntry> IniFile::keyLines(std::string_view section) const {
    std::vector<KeyEntry> out;
    const Content& c = content();
    const Content::Section* s = c.findSection(section);
    if (!s) return out;
    const std::size_t before = LinesBefore(c, s);
    for (std::size_t i = 1; i < s->lines.size(); ++i)
        if (auto kl = SplitKeyLine(s->lines[i].text))
            out.push_back({std::string(kl->key), std::string(kl->value), static_cast<int>(before + i + 1)});
    return out;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    if (auto v = content().find(section, key)) return std::string(*v);
    return std::string(def);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int def) const {
    auto v = content().find(section, key);
    long long n = 0;
    if (!v || !ParseWholeInteger(*v, n) || n < INT32_MIN || n > INT32_MAX) return def;
    return static_cast<int>(n);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    auto v = content().find(section, key);
    long long n = 0;
    if (!v || !ParseWholeInteger(*v, n)) return def;
    return n != 0;
}

double IniFile::readDecimal(std::string_view section, std::string_view key, double def) const {
    auto v = content().find(section, key);
    return v ? ParseDecimal(*v) : def;
}

bool IniFile::sectionExists(std::string_view section) const {
    return content().findSection(section) != nullptr;
}

bool IniFile::valueExists(std::string_view section, std::string_view key) const {
    return content().find(section, key).has_value();
}

std::vector<std::string> IniFile::sections() const {
    const Content& c = content();
    std::vector<std::string> out;
    for (std::size_t i = 1; i < c.sections.size(); ++i) {
        auto it = c.sectionIndex.find(UpperAscii(c.sections[i].name));
        if (it != c.sectionIndex.end() && it->second == i) out.push_back(c.sections[i].name);
    }
    return out;
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    std::vector<std::string> out;
    if (const auto* s = content().findSection(section))
        s->forEachKey([&](const KeyLine& kl) { out.emplace_back(kl.key); });
    return out;
}

std::vector<std::string> IniFile::sectionValues(std::string_view section) const {
    std::vector<std::string> out;
    if (const auto* s = content().findSection(section))
        s->forEachKey([&](const KeyLine& kl) {
            std::string line(kl.key);
            line += '=';
            line += kl.value;
            out.push_back(std::move(line));
        });
    return out;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    CheckName("section name", section, "]");
    CheckName("key name", key, "=");
    if (Trim(key).empty() || Trim(key).front() == ';' || Trim(key).front() == '[')
        throw IniFileError("The key name \"" + std::string(key) + "\" cannot be stored in a profile file.");
    CheckName("value", value, "");
    if (mutableContent().set(section, key, value)) written();
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::writeDecimal(std::string_view section, std::string_view key, double value, char separator) {
    writeString(section, key, FormatDecimal(value, separator));
}

void IniFile::eraseSection(std::string_view section) {
    if (!content().findSection(section)) return;
    if (mutableContent().erase(section)) written();
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    if (!content().find(section, key)) return;
    if (mutableContent().remove(section, key)) written();
}

IniFile::Batch::Batch(IniFile& file) : file_(&file) {
    ++file_->batchDepth_;
}

IniFile::Batch::~Batch() {
    if (--file_->batchDepth_ > 0) return;
    try {
        file_->store();
    } catch (const IniFileError&) {
        // Nothing to report to from here; the object now reads the file as it is on disk.
    }
}

void IniFile::Batch::commit() {
    file_->store();
}

}  // namespace velmora
