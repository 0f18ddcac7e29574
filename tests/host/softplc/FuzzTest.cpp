// The fuzz target's input: whatever comes, the compiler answers and the machine stays in its memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fuzz/softplc/IlFuzz.h"
#include "support/Support.h"

namespace velmora::softplc {
namespace {

int FuzzText(const std::string& text) {
    return FuzzOne(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(Fuzz, ProgramsOfRandomPieces) {
    // Each piece is one line of a program, "|" between them.
    const std::string kPieces =
        "P 0|E 0|P 60|E 60|P 62|E 62|P 41|E 41|#reg int a, b|#reg byte z[8]|#rem word r|#ifdef a|"
        "#ifndef q|#else|#endif|#if 1+2*3 == 7|#if __offset(z) > 3|#def K 12|#error w 'w'|"
        "#usi u = crc16|#def C usi u| LD 1| LD a| LD -70000| LDL 2.5| LD __indx(z)| WR a| WR z|"
        " WRC b| PUT r| EQ 3| ADD| DIV b| MOD 0| MUF| IFW| ROR 17| JMP l1| JMC l2| JMD l1|l1:|"
        "l2: LD 0| CAL s| CAD s|s: LD 2| RET| CRC| C| SRC byte z| MOV z| LD 4| CNV| PID| PIDA|"
        " POP| DUP| LD $FFFF| LD %R65535| WR %S1.0| LD a.15|junk ; comment|\t\t,";
    std::vector<std::string> pieces;
    for (std::size_t at = 0, bar; at <= kPieces.size(); at = bar + 1) {
        bar = std::min(kPieces.find('|', at), kPieces.size());
        pieces.push_back(kPieces.substr(at, bar - at));
    }
    std::mt19937 random(20261206);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 40);
    for (int n = 0; n < 4000; ++n) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += pieces[piece(random)] + "\n";
        ASSERT_EQ(FuzzText(text), 0) << text;
    }
}

TEST(Fuzz, DamagedGeneratedCode) {
    const std::string declarations =
        velmora::testing::ReadBytes(VELMORA_SOURCE_DIR "/tests/codegen/data/golden/Chiller_def.orv");
    const std::string code =
        velmora::testing::ReadBytes(VELMORA_SOURCE_DIR "/tests/codegen/data/golden/Chiller.orv");
    ASSERT_FALSE(code.empty());
    const std::string whole = "#reg int Chiller_Water_T, Chiller_Valve\n" + declarations + code;
    std::mt19937 random(7);
    for (int n = 0; n < 600; ++n) {
        std::string text = whole;
        std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
        for (int k = 0; k < 1 + n % 6; ++k) {
            const std::size_t p = at(random);
            const auto kind = random() % 4;  // a byte changed, a range cut, one repeated, a separator
            if (kind == 0)
                text[p] = static_cast<char>(random());
            else if (kind == 1)
                text.erase(p, random() % 40);
            else if (kind == 2)
                text.insert(p, text.substr(at(random) % text.size(), random() % 60));
            else
                text[p] = "0123456789\n\t ;:$#"[random() % 17];
            if (text.empty()) text = "x";
            at = std::uniform_int_distribution<std::size_t>(0, text.size() - 1);
        }
        ASSERT_EQ(FuzzText(text), 0);
    }
}

}  // namespace
}  // namespace velmora::softplc
