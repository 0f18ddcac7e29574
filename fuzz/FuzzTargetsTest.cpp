// Every fuzz target under GoogleTest: its seed corpus, then seeded random
// mutations of it (VELMORA_FUZZ_ITERATIONS each, default 400), so the
// targets run without libFuzzer and a failure repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "FuzzSupport.h"

namespace velmora::fuzz {
namespace {

std::vector<std::string> Seeds(const std::string& target) {
    std::vector<std::string> seeds;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(VELMORA_FUZZ_CORPUS) / target, ec))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        seeds.push_back(bytes.str());
    }
    if (seeds.empty()) seeds.emplace_back();
    return seeds;
}

// Pieces that reach the edges of the parsers: limits, signs, separators, path parts.
const char* const kTokens[] = {
    "-",          "+",     "2147483647",  "-2147483648", "99999999999", "4294967296",
    "0x7fffffff", "..",    "../",         "/",           "\\",          " ",
    "\t",         "\r\n",  "\n",          "[",           "]",           "=",
    ";",          "%",     ".",           "%RW",         "%R1.7",       "[2147483647]",
    "+1",         "Name=", "[Regulator ", "ARRAY [0..",  "OF",          "#reg",
    "#struct",    "AT %R", "STR0",        "\xC3\xA9",    nullptr /* a NUL byte */};

std::string Mutate(std::string input, const std::vector<std::string>& seeds, std::mt19937& random) {
    const auto pick = [&](std::size_t n) {
        return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(random) : 0;
    };
    const int rounds = 1 + static_cast<int>(pick(4));
    for (int r = 0; r < rounds; ++r) {
        const std::size_t at = pick(input.size() + 1);
        switch (pick(6)) {
            case 0:  // one byte changed
                if (!input.empty()) input[pick(input.size())] = static_cast<char>(pick(256));
                break;
            case 1: {  // a token inserted
                const std::size_t t = pick(std::size(kTokens));
                const std::string token = kTokens[t] ? kTokens[t] : std::string(1, '\0');
                input.insert(at, token);
                break;
            }
            case 2:  // a range removed
                input.erase(at, pick(16) + 1);
                break;
            case 3:  // a range repeated
                input.insert(at, input.substr(at, pick(32) + 1));
                break;
            case 4: {  // a number changed into another
                const auto digit = input.find_first_of("0123456789", at);
                if (digit != std::string::npos)
                    input.replace(digit, input.find_first_not_of("0123456789", digit) - digit,
                                  kTokens[2 + pick(5)]);
                break;
            }
            default: {  // a piece of another seed spliced in
                const std::string& other = seeds[pick(seeds.size())];
                const std::size_t from = pick(other.size() + 1);
                input.insert(at, other.substr(from, pick(64) + 1));
                break;
            }
        }
    }
    return input;
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes.substr(0, 400)) {
        if (c == '\n' || (c >= 0x20 && c < 0x7F)) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

void PrintTo(const TargetEntry& target, std::ostream* out) {
    *out << target.name;
}

namespace {

class FuzzTargets : public testing::TestWithParam<TargetEntry> {};

TEST_P(FuzzTargets, SeedsAndMutationsKeepTheirPromises) {
    const TargetEntry target = GetParam();
    const std::vector<std::string> seeds = Seeds(target.name);
    const char* configured = std::getenv("VELMORA_FUZZ_ITERATIONS");
    const int iterations = configured ? std::atoi(configured) : 400;
    std::mt19937 random(std::hash<std::string>{}(target.name) & 0xFFFFFFFFu);
    for (int i = -static_cast<int>(seeds.size()); i < iterations; ++i) {
        const std::string input =
            i < 0 ? seeds[static_cast<std::size_t>(-i - 1)]
                  : Mutate(seeds[static_cast<std::size_t>(i) % seeds.size()], seeds, random);
        try {
            target.run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        } catch (const std::exception& e) {
            FAIL() << target.name << " input " << i << ": " << e.what() << "\n" << Printable(input);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Parsers, FuzzTargets, testing::ValuesIn(Targets()),
                         [](const testing::TestParamInfo<TargetEntry>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velmora::fuzz
