#pragma once
// The two output buffers of a generation run and the helpers its emitters
// share: localized texts fetched once per run, padding, number printing.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velmora::codegen {

// The text of a generated file, built line by line. A line is added as its
// pieces in order (the emitters mirror the documented line notation); an
// added line may itself hold "\r\n", which starts a further line in the
// file, and every added line ends with "\r\n".
class SourceBuffer {
public:
    template <class... Pieces>
    void add(const Pieces&... pieces) {
        (text_.append(std::string_view(pieces)), ...);
        text_.append("\r\n");
        ++lines_;
    }
    void clear() {
        text_.clear();
        lines_ = 0;
    }
    void reserve(std::size_t bytes) { text_.reserve(bytes); }
    const std::string& text() const { return text_; }
    std::size_t addedLines() const { return lines_; }

private:
    std::string text_;
    std::size_t lines_ = 0;
};

// Localized texts by number, each looked up once: an emitter asks for the same
// comment texts for every controller of a pass.
class GeneratorTexts {
public:
    using Source = std::function<std::string(std::uint32_t)>;
    explicit GeneratorTexts(Source source);
    const std::string& operator()(std::uint32_t id);

private:
    Source source_;
    std::unordered_map<std::uint32_t, std::string> cache_;
};

// `text` followed by spaces up to `width` characters (unchanged when longer).
std::string Pad(std::string_view text, std::size_t width);
std::string Repeat(char c, std::size_t count);
inline std::string Num(long long value) {
    return std::to_string(value);
}

}  // namespace velmora::codegen
