#include "host/looptest/LoopTestReport.h"

#include <cmath>
#include <filesystem>
#include <map>

namespace velmora::looptest {

namespace {

std::string Where(const Case& c, int line) {
    return c.file + ":" + std::to_string(line);
}

// The failed expectations, one line each (without the indent).
std::vector<std::string> Failures(const CaseResult& r) {
    std::vector<std::string> lines;
    if (!r.error.empty()) lines.push_back(Where(*r.c, r.c->line) + ": " + r.error);
    for (std::size_t i = 0; i < r.verdicts.size() && i < r.c->expectations.size(); ++i) {
        const Verdict& v = r.verdicts[i];
        if (v.pass) continue;
        const Expectation& e = r.c->expectations[i];
        std::string line = Where(*r.c, e.line) + ": expect " + e.text + ": measured " + v.figure;
        if (v.brokeAt) line += ", broke at " + FormatSeconds(*v.brokeAt);
        lines.push_back(std::move(line));
    }
    return lines;
}

// Length of the UTF-8 sequence at text[i] when it encodes a character XML
// allows (no overlong form, no surrogate, not U+FFFE or U+FFFF); 0 otherwise.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (n == 0 || i + n > text.size()) return 0;
    char32_t code = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool allowed = code >= kSmallest[n] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF) &&
                         code != 0xFFFE && code != 0xFFFF;
    return allowed ? n : 0;
}

}  // namespace

bool CaseResult::passed() const {
    if (!error.empty() || verdicts.size() != c->expectations.size()) return false;
    for (const Verdict& v : verdicts)
        if (!v.pass) return false;
    return true;
}

std::string CaseLines(const CaseResult& r) {
    std::string out = (r.passed() ? "PASS " : "FAIL ") + r.c->name + " (" + Where(*r.c, r.c->line) + ")\n";
    for (const std::string& line : Failures(r)) out += "  " + line + "\n";
    return out;
}

std::string SummaryLine(const std::vector<CaseResult>& results) {
    std::size_t passed = 0;
    for (const CaseResult& r : results) passed += r.passed() ? 1 : 0;
    return std::to_string(passed) + " passed, " + std::to_string(results.size() - passed) + " failed\n";
}

std::string XmlText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t n = Utf8Length(text, i);
            out += n ? std::string(text.substr(i, n)) : "?";
            i += n ? n : 1;
            continue;
        }
        ++i;
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\t':
                out += "&#9;";
                break;
            default:
                out += byte < 0x20 || byte == 0x7F ? '?' : c;
        }
    }
    return out;
}

std::string JUnitXml(const std::vector<CaseResult>& results) {
    // Suites in the order their files first appear.
    std::vector<std::string> files;
    std::map<std::string, std::vector<const CaseResult*>> byFile;
    for (const CaseResult& r : results) {
        if (!byFile.count(r.c->file)) files.push_back(r.c->file);
        byFile[r.c->file].push_back(&r);
    }
    std::size_t failures = 0;
    for (const CaseResult& r : results) failures += r.passed() ? 0 : 1;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"loop tests\" tests=\"" +
                      std::to_string(results.size()) + "\" failures=\"" + std::to_string(failures) + "\">\n";
    for (const std::string& file : files) {
        const auto& cases = byFile[file];
        std::size_t failed = 0;
        for (const CaseResult* r : cases) failed += r->passed() ? 0 : 1;
        const std::string suite = XmlText(std::filesystem::path(file).stem().string());
        out += "  <testsuite name=\"" + suite + "\" file=\"" + XmlText(file) + "\" tests=\"" +
               std::to_string(cases.size()) + "\" failures=\"" + std::to_string(failed) +
               "\" errors=\"0\">\n";
        for (const CaseResult* r : cases) {
            out += "    <testcase name=\"" + XmlText(r->c->name) + "\" classname=\"" + suite + "\" file=\"" +
                   XmlText(file) + "\" line=\"" + std::to_string(r->c->line) + "\"";
            const std::vector<std::string> failed = Failures(*r);
            if (failed.empty() && r->log.empty()) {
                out += "/>\n";
                continue;
            }
            out += ">\n";
            if (!failed.empty()) {
                std::string body;
                for (const std::string& line : failed) body += line + "\n";
                out += "      <failure message=\"" + XmlText(failed.front()) + "\" type=\"" +
                       (r->error.empty() ? "expectation" : "set-up") + "\">" + XmlText(body) + "</failure>\n";
            }
            if (!r->log.empty()) out += "      <system-err>" + XmlText(r->log) + "</system-err>\n";
            out += "    </testcase>\n";
        }
        out += "  </testsuite>\n";
    }
    return out + "</testsuites>\n";
}

std::string TraceCsv(const Trace& trace) {
    std::string out = "time";
    for (const Trace::Column& c : trace.columns) out += "," + c.name;
    out += "\n";
    for (std::size_t i = 0; i < trace.times.size(); ++i) {
        out += FormatNumber(static_cast<double>(trace.times[i]) / 1000.0);
        for (const Trace::Column& c : trace.columns) {
            out += ",";
            if (i >= c.first && i < c.values.size() && !std::isnan(c.values[i]))
                out += FormatNumber(c.values[i]);
        }
        out += "\n";
    }
    return out;
}

}  // namespace velmora::looptest
