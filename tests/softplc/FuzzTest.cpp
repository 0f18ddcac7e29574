// The fuzz target's input, made up here: programs built from the language's
// own pieces, and damaged copies of a generated controller. Whatever comes,
// the compiler answers and the machine stays inside its memory.
#include <gtest/gtest.h>

#include <random>

#include "IlFuzz.h"
#include "support/Support.h"

namespace velmora::softplc {
namespace {

int FuzzText(const std::string& text) {
    return FuzzOne(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(Fuzz, ProgramsOfRandomPieces) {
    static const char* kPieces[] = {"P 0\n",
                                    "E 0\n",
                                    "P 60\n",
                                    "E 60\n",
                                    "P 62\n",
                                    "E 62\n",
                                    "P 41\n",
                                    "E 41\n",
                                    "#reg int a, b\n",
                                    "#reg byte z[8]\n",
                                    "#rem word r\n",
                                    "#ifdef a\n",
                                    "#ifndef q\n",
                                    "#else\n",
                                    "#endif\n",
                                    "#if 1+2*3 == 7\n",
                                    "#if __offset(z) > 3\n",
                                    "#def K 12\n",
                                    "#error w 'w'\n",
                                    "#usi u = crc16\n",
                                    "#def C usi u\n",
                                    " LD 1\n",
                                    " LD a\n",
                                    " LD -70000\n",
                                    " LDL 2.5\n",
                                    " LD __indx(z)\n",
                                    " WR a\n",
                                    " WR z\n",
                                    " WRC b\n",
                                    " PUT r\n",
                                    " EQ 3\n",
                                    " ADD\n",
                                    " DIV b\n",
                                    " MOD 0\n",
                                    " MUF\n",
                                    " IFW\n",
                                    " ROR 17\n",
                                    " JMP l1\n",
                                    " JMC l2\n",
                                    " JMD l1\n",
                                    "l1:\n",
                                    "l2: LD 0\n",
                                    " CAL s\n",
                                    " CAD s\n",
                                    "s: LD 2\n",
                                    " RET\n",
                                    " CRC\n",
                                    " C\n",
                                    " SRC byte z\n",
                                    " MOV z\n",
                                    " LD 4\n",
                                    " CNV\n",
                                    " PID\n",
                                    " PIDA\n",
                                    " POP\n",
                                    " DUP\n",
                                    " LD $FFFF\n",
                                    " LD %R65535\n",
                                    " WR %S1.0\n",
                                    " LD a.15\n",
                                    "junk ; comment\n",
                                    "\t\t,\n"};
    std::mt19937 random(20261206);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(1, 40);
    for (int n = 0; n < 4000; ++n) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += kPieces[piece(random)];
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
            switch (random() % 4) {
                case 0:
                    text[p] = static_cast<char>(random());
                    break;
                case 1:
                    text.erase(p, random() % 40);
                    break;
                case 2:
                    text.insert(p, text.substr(at(random) % text.size(), random() % 60));
                    break;
                default:
                    text[p] = "0123456789\n\t ;:$#"[random() % 17];
                    break;
            }
            if (text.empty()) text = "x";
            at = std::uniform_int_distribution<std::size_t>(0, text.size() - 1);
        }
        ASSERT_EQ(FuzzText(text), 0);
    }
}

}  // namespace
}  // namespace velmora::softplc
