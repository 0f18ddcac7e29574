// Programs the compiler refuses, with file and line, and the preprocessor.
#include "PlcFixture.h"

namespace velmora::softplc::testing {
namespace {

std::string Repeat(const std::string& line, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += line;
    return out;
}

std::string CallChain(int depth) {
    std::string s = "P 0\nCAL s0\nE 0\nP 60\n";
    for (int i = 0; i < depth; ++i)
        s += "s" + std::to_string(i) + ": CAL s" + std::to_string(i + 1) + "\nRET\n";
    return s + "s" + std::to_string(depth) + ": RET\nE 60\n";
}

struct Refused {
    const char* what;
    std::string source;
    const char* message;  // expected in the output
};

class CompileErrors : public ::testing::TestWithParam<Refused> {};

TEST_P(CompileErrors, AreReportedWithFileAndLine) {
    Compiled c(GetParam().source);
    EXPECT_FALSE(c.engine.hasProgram());
    EXPECT_NE(c.text.find(GetParam().message), std::string::npos) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompileErrors,
    ::testing::Values(
        Refused{"unknown instruction", "#reg int a\nP 0\n LD 1\n FROB a\nE 0\n",
                "t.orv(4): error: unknown instruction FROB"},
        Refused{"missing label", "P 0\n LD 1\n JMD nowhere\nE 0\n",
                "t.orv(3): error: jump to nowhere: no such label in P 0"},
        Refused{"jump into another process", "P 0\n JMP there\nE 0\nP 60\nthere: RET\nE 60\n",
                "t.orv(2): error: jump to there"},
        Refused{"underflow", "#reg int a\nP 0\n WR a\nE 0\n", "t.orv(3): error: stack underflow"},
        Refused{"overflow", "P 0\n" + Repeat(" LD 1\n", 33) + "E 0\n", "t.orv(34): error: stack overflow"},
        Refused{"growing loop", "P 0\nl: LD 1\n JMP l\nE 0\n", "error: stack overflow"},
        Refused{"recursion", "P 0\n CAL r\nE 0\nP 60\nr: CAL r\n RET\nE 60\n",
                "t.orv(5): error: recursive CAL"},
        Refused{"calls too deep", CallChain(17), "error: CAL nesting deeper than 16 levels"},
        // Refused before the compiler walks, allocates or recurses that deep.
        Refused{"100,000 nested calls", CallChain(100000), "error: CAL nesting deeper than 16 levels"},
        Refused{"100,000 nested parentheses",
                "#if " + std::string(100000, '(') + "1" + std::string(100000, ')') + "\n#endif\n",
                "t.orv(1): error: #if: expression nested too deeply"},
        Refused{"unknown operand", "P 0\n LD nothing\nE 0\n", "t.orv(2): error: unknown operand nothing"},
        Refused{"register area full", "#reg int a[30000]\n#reg int c,\n b[9000]\nP 0\n LD b\nE 0\n",
                "t.orv(3): warning: declaration b: register area full"},
        Refused{"operand at the end of the int range", "P 0\n LD %RL2147483647\nE 0\n",
                "t.orv(2): error: operand %RL2147483647 lies outside its memory area"},
        Refused{"outside a process", "LD 1\n", "t.orv(1): error: instruction outside a process"},
        Refused{"unclosed process", "P 0\n LD 1\n", "has no E 0"},
        Refused{"#error e", "#error e 'Variable missing'\nP 0\nE 0\n", "t.orv(1): error: Variable missing"},
        Refused{"#error f stops at once", "#error f 'broken'\nFROB\n", "t.orv(1): fatal error: broken"},
        Refused{
            "#if arithmetic",
            "#reg int a, b\n#if (__offset(b) - __offset(a)) * 3 != 6\n#else\n#error e 'two bytes'\n#endif\n",
            "t.orv(4): error: two bytes"},
        Refused{"_PLCTYPE_", "#if _PLCTYPE_ < 7 && !defined(NOPE)\n#error f 'old PLC'\n#endif\n",
                "fatal error: old PLC"},
        Refused{"#endif missing", "#ifdef X\n", "#if without #endif"},
        Refused{"CNV flags unknown", "#reg int a\nP 0\n LD 0\n LD 0\n LD a\n LD 0\n LD 0\n CNV\nE 0\n",
                "CNV: its flag word must be loaded as a constant"}),
    RowName<Refused>);

TEST(Preprocessor, TakesTheRightBranchesAndKeepsWarnings) {
    Compiled c(
        "#reg int a\n#def LIMIT 40\n#define TWICE\n#ifndef a\n#error e 'a is declared'\n#endif\n"
        "#if LIMIT * 2 == 80\n#error w 'a warning'\n#else\n#error e 'wrong branch'\n#endif\n"
        "#ifdef TWICE\nP 0\n LD LIMIT\n WR a\nE 0\n#endif\n");
    EXPECT_TRUE(c.engine.hasProgram()) << c.text;
    EXPECT_EQ(c.text, "Velmora\\t.orv(8): warning: a warning\n");
    c.engine.start(Restart::Cold), c.engine.advance(0);
    EXPECT_EQ(c.plc.readInt16("a"), 40);
}

TEST(Preprocessor, AnInstructionMacroBindsAUserInstruction) {
    // What the generator emits for PLCs without CRCM.
    Compiled c(
        "#reg byte z[4]\n#reg word r\n#ifndef CRC\n#usi u_crc =\tcrc16\t;USI\n#def CRC\tusi u_crc\n#endif\n"
        "P 0\n LD __indx(z)\n LD 4\n CRC\n WR r\nE 0\n");
    ASSERT_TRUE(c.engine.hasProgram()) << c.text;
    c.engine.start(Restart::Cold), c.engine.advance(0);
    EXPECT_EQ(*c.plc.readValue("r"), 0x2400);  // CRC-16 of four zero bytes
}

}  // namespace
}  // namespace velmora::softplc::testing
