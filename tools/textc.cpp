// velmora-textc: compiles the editable text-table sources into the binary
// text-table layout and embeds them, with other binary resources, into one
// C++ source.
//
//   velmora-textc --output OUT.cpp NAME=table.txt... [--binary NAME=file]...
//
// Table source: UTF-8 lines "id<TAB>text" (CRLF or LF, an optional byte-order
// mark); "#" comment lines and blank lines are skipped; each id at most once, in
// any order (the directory is sorted here). Binary layout of a table, little-endian:
// "STR0", count, count x (id, byte offset, length in UTF-16 units), then the
// texts as UTF-16LE without terminators in directory order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Resource {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::u16string Utf8ToUtf16(const std::string& s, const std::string& where) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp = 0;
        int extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 0x6) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c >> 4) == 0xE) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c >> 3) == 0x1E) {
            cp = c & 0x07;
            extra = 3;
        } else
            throw std::runtime_error(where + ": invalid UTF-8");
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) throw std::runtime_error(where + ": truncated UTF-8");
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 0x2) throw std::runtime_error(where + ": invalid UTF-8");
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += 1 + extra;
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[extra]) throw std::runtime_error(where + ": overlong UTF-8");
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            throw std::runtime_error(where + ": invalid code point in UTF-8");
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

using TableTexts = std::vector<std::pair<std::uint32_t, std::u16string>>;

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

TableTexts ReadTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    TableTexts texts;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (lineNo == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (IsBlankLine(line) || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(lineNo);
        auto tab = line.find('\t');
        if (tab == std::string::npos) throw std::runtime_error(where + ": expected id<TAB>text");
        const std::string idText = line.substr(0, tab);
        if (idText.empty() || idText.find_first_not_of("0123456789") != std::string::npos ||
            idText.size() > 10)
            throw std::runtime_error(where + ": bad id \"" + idText + "\"");
        const unsigned long long id = std::stoull(idText);
        if (id > 0xFFFFFFFFull) throw std::runtime_error(where + ": id out of range");
        texts.emplace_back(static_cast<std::uint32_t>(id), Utf8ToUtf16(line.substr(tab + 1), where));
    }
    std::stable_sort(texts.begin(), texts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < texts.size(); ++i)
        if (texts[i].first == texts[i - 1].first)
            throw std::runtime_error(path + ": id " + std::to_string(texts[i].first) + " appears twice");
    return texts;
}

std::vector<std::uint8_t> CompileTable(const TableTexts& texts) {
    const std::size_t n = texts.size();
    std::vector<std::uint8_t> out(8 + 12 * n);
    out[0] = 'S';
    out[1] = 'T';
    out[2] = 'R';
    out[3] = '0';
    Put32(out, 4, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const auto& [id, text] = texts[i];
        Put32(out, 8 + 12 * i, id);
        Put32(out, 8 + 12 * i + 4, static_cast<std::uint32_t>(out.size()));
        Put32(out, 8 + 12 * i + 8, static_cast<std::uint32_t>(text.size()));
        for (char16_t u : text) {
            out.push_back(static_cast<std::uint8_t>(u & 0xFF));
            out.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    }
    return out;
}

std::vector<std::uint8_t> ReadBinary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string CEscaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::pair<std::string, std::string> SplitAssignment(const std::string& arg) {
    auto eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) throw std::runtime_error("expected NAME=path, got " + arg);
    return {arg.substr(0, eq), arg.substr(eq + 1)};
}

}  // namespace

int main(int argc, char** argv) {
    try {
        std::string output;
        std::vector<Resource> resources;
        std::vector<std::pair<std::string, TableTexts>> tables;
        for (int i = 1; i < argc; ++i) {
            std::string arg = argv[i];
            if (arg == "--output" && i + 1 < argc) {
                output = argv[++i];
            } else if (arg == "--binary" && i + 1 < argc) {
                auto [name, path] = SplitAssignment(argv[++i]);
                resources.push_back({name, ReadBinary(path)});
            } else {
                auto [name, path] = SplitAssignment(arg);
                tables.emplace_back(path, ReadTable(path));
                resources.push_back({name, CompileTable(tables.back().second)});
            }
        }
        if (output.empty()) throw std::runtime_error("no --output given");
        // Every table should hold the same ids; a gap is worth a warning, not a failed build.
        for (std::size_t t = 1; t < tables.size(); ++t) {
            std::vector<std::uint32_t> a, b, diff;
            for (const auto& e : tables[0].second) a.push_back(e.first);
            for (const auto& e : tables[t].second) b.push_back(e.first);
            std::set_symmetric_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(diff));
            if (!diff.empty())
                std::cerr << "velmora-textc: warning: " << tables[0].first << " and " << tables[t].first
                          << " differ in " << diff.size() << " ids (first " << diff.front() << ")\n";
        }
        std::ostringstream src;
        src << "// Generated by velmora-textc; do not edit.\n#include <cstddef>\n#include <cstdint>\n\n"
               "namespace velmora::embedded {\n";
        for (std::size_t r = 0; r < resources.size(); ++r) {
            src << "alignas(4) static const std::uint8_t kData" << r << "[] = {";
            const auto& b = resources[r].bytes;
            for (std::size_t i = 0; i < b.size(); ++i)
                src << (i % 24 == 0 ? "\n" : "") << unsigned(b[i]) << ',';
            if (b.empty()) src << "0";
            src << "\n};\n";
        }
        src << "struct Entry { const char* name; const std::uint8_t* data; std::size_t size; };\n"
               "extern const Entry kResources[];\nextern const std::size_t kResourceCount;\n"
               "const Entry kResources[] = {\n";
        for (std::size_t r = 0; r < resources.size(); ++r)
            src << "  {\"" << CEscaped(resources[r].name) << "\", kData" << r << ", "
                << resources[r].bytes.size() << "},\n";
        if (resources.empty()) src << "  {\"\", nullptr, 0},\n";
        src << "};\nconst std::size_t kResourceCount = " << resources.size()
            << ";\n}  // namespace velmora::embedded\n";
        std::ofstream out(output + ".tmp", std::ios::binary);
        out << src.str();
        out.close();
        if (!out || std::rename((output + ".tmp").c_str(), output.c_str()) != 0)
            throw std::runtime_error("cannot write " + output);
    } catch (const std::exception& e) {
        std::cerr << "velmora-textc: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
