#include "online/TrendDataFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/AtomicFile.h"
#include "base/IniFile.h"

namespace velmora::online {

namespace {

// The general float-to-text conversion ("%g"), with "." whatever the locale.
void AppendGeneral(std::string& out, float value) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    out.append(text, ec == std::errc() ? end : text);
}

void AppendShortest(std::string& out, float value) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    out.append(text, ec == std::errc() ? end : text);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The next blank-separated field of a line; empty at its end.
std::string_view NextField(std::string_view& line) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    std::size_t j = i;
    while (j < line.size() && !IsBlank(line[j])) ++j;
    const std::string_view field = line.substr(i, j - i);
    line.remove_prefix(j);
    return field;
}

bool ParseFloat(std::string_view field, float& out) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    if (field.empty() || field.front() == '+') return false;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), out);
    return ec == std::errc() && end == field.data() + field.size() && std::isfinite(out);
}

std::string Number(long long n) {
    return std::to_string(n);
}

std::string Saved(const std::filesystem::path& path, const std::string& text) {
    return WriteFileAtomically(path, text).message();
}

}  // namespace

std::string TrendDataText(const TrendBuffer& buffer) {
    std::string out;
    out.reserve(static_cast<std::size_t>(buffer.count()) * 64 + 32);
    out += kTrendFileWord;
    out += "\r\n";
    out += Number(buffer.count());
    out += "\r\n";
    for (int i = 0; i < buffer.count(); ++i) {
        AppendGeneral(out, buffer.time(i));
        for (int c = 0; c < kTrendChannels; ++c) {
            out += '\t';
            AppendGeneral(out, buffer.value(c, i));
        }
        out += "\r\n";
    }
    return out;
}

std::string SaveTrendDataFile(const std::filesystem::path& path, const TrendBuffer& buffer) {
    return Saved(path, TrendDataText(buffer));
}

TrendDataReader::TrendDataReader(TrendBuffer& into) : into_(into) {}

void TrendDataReader::fail(std::string message) {
    result_.message = std::move(message);
    state_ = State::Done;
}

void TrendDataReader::line(std::string_view text) {
    ++lineNumber_;
    std::string_view rest = text;
    const std::string_view first = NextField(rest);
    switch (state_) {
        case State::Word:
            if (first.empty()) return;
            if (first != kTrendFileWord) {
                refused_ = true;
                fail(
                    "The file is not a recording of the trend graph: it does not begin with \"Regulatory\".");
                return;
            }
            state_ = State::Count;
            // The count may follow the word on its line.
            if (const std::string_view next = NextField(rest); !next.empty()) count(next, rest);
            return;
        case State::Count:
            if (!first.empty()) count(first, rest);
            return;
        case State::Rows: {
            if (first.empty()) return;
            float time = 0;
            TrendValues values{};
            bool ok = ParseFloat(first, time);
            for (int c = 0; ok && c < kTrendChannels; ++c) ok = ParseFloat(NextField(rest), values[c]);
            if (ok) ok = NextField(rest).empty();
            if (!ok) {
                fail("Line " + Number(lineNumber_) + " is not a time and six numbers; the " +
                     Number(result_.rows) + " rows before it were read.");
                return;
            }
            into_.append(time, values);
            if (++result_.rows == result_.declared) state_ = State::Done;
            return;
        }
        case State::Done:
            return;
    }
}

void TrendDataReader::count(std::string_view field, std::string_view rest) {
    long long n = -1;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), n);
    if (ec != std::errc() || end != field.data() + field.size() || n < 0 || !NextField(rest).empty()) {
        refused_ = true;
        fail("The number of samples in line " + Number(lineNumber_) + " is not a count.");
        return;
    }
    result_.declared = n;
    state_ = n == 0 ? State::Done : State::Rows;
}

bool TrendDataReader::feed(std::string_view chunk) {
    while (state_ != State::Done && !chunk.empty()) {
        const std::size_t eol = chunk.find('\n');
        const std::string_view piece = chunk.substr(0, eol);
        if (pending_.size() + piece.size() > kMaxLine) {
            if (state_ == State::Word) refused_ = true;
            fail("Line " + Number(lineNumber_ + 1) + " is longer than any line of a recording; the " +
                 Number(result_.rows) + " rows before it were read.");
            break;
        }
        if (eol == std::string_view::npos) {
            pending_.append(piece);
            break;
        }
        if (pending_.empty()) {
            line(piece);
        } else {
            pending_.append(piece);
            line(pending_);
            pending_.clear();
        }
        chunk.remove_prefix(eol + 1);
    }
    return state_ != State::Done;
}

TrendLoadResult TrendDataReader::finish() {
    if (state_ != State::Done && !pending_.empty()) {
        line(pending_);  // a last line without its line end
        pending_.clear();
    }
    if (state_ == State::Word) {
        refused_ = true;
        result_.message = "The file is empty or not a recording of the trend graph.";
    } else if (state_ == State::Count) {
        refused_ = true;
        result_.message = "The file ends before the number of samples.";
    } else if (state_ == State::Rows) {
        result_.message = "The file ends after " + Number(result_.rows) + " of the " +
                          Number(result_.declared) + " rows it announces.";
    }
    state_ = State::Done;
    result_.loaded = !refused_;
    return result_;
}

TrendLoadResult LoadTrendDataFile(const std::filesystem::path& path, TrendBuffer& buffer) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        TrendLoadResult refused;
        refused.message = "The file " + path.string() + " cannot be opened.";
        return refused;
    }
    auto fresh = std::make_unique<TrendBuffer>(buffer.capacity());
    TrendDataReader reader(*fresh);
    std::vector<char> chunk(1 << 20);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0 || !reader.feed(std::string_view(chunk.data(), got))) break;
    }
    TrendLoadResult result = reader.finish();
    if (in.bad() && result.message.empty())
        result.message = "The file " + path.string() + " could not be read to its end.";
    if (result.loaded) buffer = std::move(*fresh);
    return result;
}

std::string TrendCsvText(const TrendBuffer& buffer, const TimeSpan& shown) {
    std::string out = "time [s]";
    for (int c = 0; c < kTrendChannels; ++c) {
        out += ',';
        out += TrendChannelName(c);
        out += " [%]";
    }
    out += "\r\n";
    const int first = buffer.lowerBound(shown.start);
    const int last = buffer.lowerBound(std::nextafter(shown.end(), INFINITY));
    for (int i = first; i < last; ++i) {
        AppendShortest(out, buffer.time(i));
        for (int c = 0; c < kTrendChannels; ++c) {
            out += ',';
            AppendShortest(out, buffer.value(c, i));
        }
        out += "\r\n";
    }
    return out;
}

std::string SaveTrendCsvFile(const std::filesystem::path& path, const TrendBuffer& buffer,
                             const TimeSpan& shown) {
    return Saved(path, TrendCsvText(buffer, shown));
}

int FuzzTrendDataFile(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TrendBuffer buffer(kMinBufferLength);
    TrendDataReader reader(buffer);
    // Chunk borders drawn from the input itself, so a line split anywhere is met.
    std::size_t at = 0, step = 1 + size % 7;
    while (at < bytes.size() && reader.feed(bytes.substr(at, step))) {
        at += step;
        if (at >= bytes.size()) break;
        step = 1 + (step * 31 + static_cast<unsigned char>(bytes[at - 1])) % 97;
    }
    const TrendLoadResult result = reader.finish();
    if (result.rows < 0 || (result.declared > 0 && result.rows > result.declared) ||
        buffer.count() > buffer.capacity() ||
        buffer.count() != std::min<long long>(result.rows, buffer.capacity()))
        throw std::logic_error("data file reader broke its bounds");
    if (!result.loaded && result.rows != 0) throw std::logic_error("a refused file gave rows");
    if (result.loaded) {
        // What was read, written and read again, is the same.
        TrendBuffer again(kMinBufferLength);
        TrendDataReader second(again);
        second.feed(TrendDataText(buffer));
        const TrendLoadResult r2 = second.finish();
        if (!r2.loaded || again.count() != buffer.count())
            throw std::logic_error("data file round trip lost rows");
    }
    return 0;
}

}  // namespace velmora::online
