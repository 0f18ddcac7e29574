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

// An ordered list of added lines. An added line may itself hold "\r\n",
// which starts a further line in the file; every added line ends with "\r\n"
// when saved.
class SourceBuffer {
public:
    void add(std::string line) { lines_.push_back(std::move(line)); }
    void clear() { lines_.clear(); }
    const std::vector<std::string>& lines() const { return lines_; }
    std::string text() const;

private:
    std::vector<std::string> lines_;
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
inline std::string Num(long long value) { return std::to_string(value); }

}  // namespace velmora::codegen
