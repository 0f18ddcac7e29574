#include "codegen/SourceBuffer.h"

namespace velmora::codegen {

std::string SourceBuffer::text() const {
    std::size_t size = 0;
    for (const auto& l : lines_) size += l.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& l : lines_) {
        out += l;
        out += "\r\n";
    }
    return out;
}

GeneratorTexts::GeneratorTexts(Source source) : source_(std::move(source)) {}

const std::string& GeneratorTexts::operator()(std::uint32_t id) {
    auto it = cache_.find(id);
    if (it == cache_.end()) it = cache_.emplace(id, source_(id)).first;
    return it->second;
}

std::string Pad(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::string Repeat(char c, std::size_t count) { return std::string(count, c); }

}  // namespace velmora::codegen
