#include "controllers/ArithmeticExpression.h"

#include <charconv>
#include <cmath>
#include <string>

namespace velmora {

namespace {

// Nesting deeper than this is refused rather than risking the stack.
constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    std::optional<double> run() {
        auto v = sum(0);
        skip();
        if (!v || at_ != s_.size() || !std::isfinite(*v)) return std::nullopt;
        return v;
    }

private:
    void skip() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t')) ++at_;
    }
    bool take(std::string_view token) {
        skip();
        if (s_.substr(at_, token.size()) != token) return false;
        at_ += token.size();
        return true;
    }
    std::optional<double> sum(int depth) {
        auto left = product(depth);
        while (left) {
            if (take("+")) {
                const auto right = product(depth);
                if (!right) return std::nullopt;
                *left += *right;
            } else if (take("-") || take("\xE2\x88\x92")) {  // "−"
                const auto right = product(depth);
                if (!right) return std::nullopt;
                *left -= *right;
            } else {
                break;
            }
        }
        return left;
    }
    std::optional<double> product(int depth) {
        auto left = unary(depth);
        while (left) {
            if (take("*") || take("\xC3\x97")) {  // "×"
                const auto right = unary(depth);
                if (!right) return std::nullopt;
                *left *= *right;
            } else if (take("/") || take("\xC3\xB7")) {  // "÷"
                const auto right = unary(depth);
                if (!right || *right == 0) return std::nullopt;
                *left /= *right;
            } else {
                break;
            }
        }
        return left;
    }
    std::optional<double> unary(int depth) {
        if (depth > kMaxDepth) return std::nullopt;
        if (take("+")) return unary(depth + 1);
        if (take("-") || take("\xE2\x88\x92")) {
            const auto v = unary(depth + 1);
            if (!v) return std::nullopt;
            return -*v;
        }
        if (take("(")) {
            const auto v = sum(depth + 1);
            if (!v || !take(")")) return std::nullopt;
            return v;
        }
        return number();
    }
    std::optional<double> number() {
        skip();
        std::string digits;
        std::size_t i = at_;
        const auto digitsFrom = [&] {
            const std::size_t start = i;
            while (i < s_.size() && s_[i] >= '0' && s_[i] <= '9') digits += s_[i++];
            return i - start;
        };
        std::size_t count = digitsFrom();
        if (i < s_.size() && (s_[i] == '.' || s_[i] == ',')) {
            digits += '.';
            ++i;
            count += digitsFrom();
        }
        if (count == 0) return std::nullopt;
        if (i < s_.size() && (s_[i] == 'e' || s_[i] == 'E')) {
            std::size_t j = i + 1;
            std::string exponent = "e";
            if (j < s_.size() && (s_[j] == '+' || s_[j] == '-')) exponent += s_[j++];
            const std::size_t start = j;
            while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') exponent += s_[j++];
            if (j > start) {
                digits += exponent;
                i = j;
            }
        }
        double value = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return std::nullopt;
        at_ = i;
        return value;
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<double> EvaluateArithmetic(std::string_view text) {
    if (text.size() > 4096) return std::nullopt;
    return Parser(text).run();
}

}  // namespace velmora
