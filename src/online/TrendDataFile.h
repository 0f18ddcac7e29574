#pragma once
// The recording as a text file ("Ulozit" / "Otevrit"): the line "Regulatory",
// the number of samples, then one line per sample from the oldest with the
// time and the six values separated by tabs, CR LF line ends. Also the shown
// window as CSV.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "online/TrendBuffer.h"
#include "online/TrendTime.h"

namespace velmora::online {

inline constexpr std::string_view kTrendFileWord = "Regulatory";

// The whole file as text.
std::string TrendDataText(const TrendBuffer& buffer);
// Writes it through the atomic writer; an error text, empty when written.
std::string SaveTrendDataFile(const std::filesystem::path& path, const TrendBuffer& buffer);

struct TrendLoadResult {
    bool loaded = false;     // false: refused, the recording was not touched
    long long declared = 0;  // the count the file gave
    long long rows = 0;      // rows read
    std::string message;     // empty when the file was read in full
};

// Reads a data file in pieces, never holding more than one line: memory
// stays bounded by the buffer's capacity (a longer file keeps its newest
// rows, as the ring would). Rows are read up to the declared count or the
// first bad one, which ends the reading with a message.
class TrendDataReader {
public:
    explicit TrendDataReader(TrendBuffer& into);
    // False once nothing more will be taken (error, or the count is complete).
    bool feed(std::string_view chunk);
    TrendLoadResult finish();

    static constexpr std::size_t kMaxLine = 4096;

private:
    void line(std::string_view text);
    void count(std::string_view field, std::string_view rest);
    void fail(std::string message);

    TrendBuffer& into_;
    std::string pending_;
    enum class State { Word, Count, Rows, Done } state_ = State::Word;
    long long lineNumber_ = 0;
    TrendLoadResult result_;
    bool refused_ = false;
};

// "Otevrit": reads the file into a fresh recording of the same capacity and
// puts it in place of the old one when the file was not refused.
TrendLoadResult LoadTrendDataFile(const std::filesystem::path& path, TrendBuffer& buffer);

// The samples of the shown window as CSV: a header row with the channel
// names and units, then time and the six values, "." decimals.
std::string TrendCsvText(const TrendBuffer& buffer, const TimeSpan& shown);
std::string SaveTrendCsvFile(const std::filesystem::path& path, const TrendBuffer& buffer,
                             const TimeSpan& shown);

// Fuzz entry: the reader over arbitrary bytes, in chunks of varying size.
int FuzzTrendDataFile(const std::uint8_t* data, std::size_t size);

}  // namespace velmora::online
