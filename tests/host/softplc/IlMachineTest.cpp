// What each instruction does, one small program per row, and the faults that stop the PLC.
#include <cstring>
#include <map>

#include "PlcFixture.h"
#include "softplc/Blocks.h"
#include "softplc/SoftPlcCommLoop.h"

namespace velmora::softplc::testing {
namespace {

// P 0 with `body`, over variables of every kind.
std::string Program(const std::string& body) {
    return "#reg int a, b, c\n#reg word w\n#reg byte bits, buf[9], copy[9]\n#reg float f, g\n#reg long l\n"
           "P 0\n" +
           body + "\nE 0\n";
}

struct Row {
    const char* what;
    std::map<std::string, double> before;
    const char* program;
    std::map<std::string, double> after;
};

class Instructions : public ::testing::TestWithParam<Row> {};

TEST_P(Instructions, ChangeMemoryAsDocumented) {
    const Row& row = GetParam();
    Compiled s(Program(row.program));
    ASSERT_TRUE(s.engine.hasProgram()) << s.text;
    s.engine.start(Restart::Cold);
    for (const auto& [name, value] : row.before) ASSERT_TRUE(s.plc.writeValue(name, value)) << name;
    s.engine.advance(0);  // exactly one scan
    ASSERT_TRUE(s.engine.running()) << s.engine.fault()->text;
    for (const auto& [name, value] : row.after) EXPECT_DOUBLE_EQ(*s.plc.readValue(name), value) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Instructions,
    ::testing::Values(
        Row{"write consumes", {}, "LD 1\nLD 2\nWR a\nWR b", {{"a", 2}, {"b", 1}}},
        Row{"constants",
            {},
            "LD $7FFF\nWR a\nLD #2#101\nWR b\nLD 16#FF\nWR c",
            {{"a", 32767}, {"b", 5}, {"c", 255}}},
        Row{"word truncates, long keeps",
            {},
            "LD 70000\nWR a\nLDL 70000\nWR l",
            {{"a", 70000 - 65536}, {"l", 70000}}},
        Row{"unsigned word loads without sign", {{"w", 40000}}, "LD w\nEQ 40000\nWR a", {{"a", 1}}},
        Row{"bit, complement load and write",
            {},
            "LD 1\nWR bits.3\nLDC bits.3\nWR a\nLD 0\nWRC bits.5",
            {{"bits", 8 + 32}, {"a", 0}}},
        Row{"PUT writes only with %S1.0",
            {{"a", 4}},
            "LD 5\nLD 0\nWR %S1.0\nLD 7\nPUT a\nWR b\nLD 1\nWR %S1.0\nLD 9\nPUT c",
            {{"a", 4}, {"b", 5}, {"c", 9}}},
        Row{"comparisons",
            {{"a", 3}},
            "LD a\nEQ 3\nWR a\nLD 5\nGT 2\nWR b\nLD 5\nLT 2\nWR c",
            {{"a", 1}, {"b", 1}, {"c", 0}}},
        Row{"arithmetic with operand and from the stack",
            {{"a", 10}},
            "LD a\nADD 5\nSUB 1\nMUL 3\nWR b\nLD 17\nLD 5\nMOD\nWR c\nLD -9\nDIV 2\nWR a",
            {{"a", -4}, {"b", 42}, {"c", 2}}},
        Row{"logic", {}, "LD $F0\nAND $3C\nOR 1\nXOR 3\nWR a\nLD 0\nNOT\nNEG\nWR b", {{"a", 0x32}, {"b", 1}}},
        Row{"REAL arithmetic and conversions",
            {{"a", 7}},
            "LDL 2.5\nLDL 4.\nMUF\nIFW\nWR b\nLD a\nIWF\nLDL 2.\nDIF\nWR f\nLDL 1e6\nIFW\nWR c",
            {{"b", 10}, {"f", 3.5}, {"c", 32767}}},
        Row{"REAL comparison", {{"f", 2.5}}, "LD f\nGT 2.\nWR a", {{"a", 1}}},
        Row{"rotation of a word",
            {},
            "LD $1234\nROR 4\nWR a\nLD $1234\nROL 4\nWR b",
            {{"a", 0x4123}, {"b", 0x2341}}},
        Row{"conditional jumps take and consume the condition",
            {},
            "LD 0\nJMC over\nLD 1\nWR a\nover: LD 1\nJMD end\nLD 1\nWR b\nend: LD 9\nWR c",
            {{"a", 0}, {"b", 0}, {"c", 9}}},
        Row{"loop", {}, "again: LD a\nADD 1\nWR a\nLD a\nLT 10\nJMD again", {{"a", 10}}}),
    RowName<Row>);

TEST(Instruction, CrcOfTheCheckStringAndOfAZoneWithItsCrcAppended) {
    Compiled s(Program("LD __indx(buf)\nLD 9\nCRC\nWR w\nLD __indx(buf)\nLD 9\nCRCM\nWR a"));
    ASSERT_TRUE(s.engine.hasProgram()) << s.text;
    s.engine.start(Restart::Cold);
    std::memcpy(s.plc.area(kRegisterArea).data() + s.offset("buf"), "123456789", 9);
    s.engine.advance(0);
    EXPECT_EQ(*s.plc.readValue("w"), 0x4B37);
    // The zone check of the retained copy: CRC over data and its CRC, low byte first, is 0.
    std::uint8_t zone[11] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0x37, 0x4B};
    EXPECT_EQ(Crc16(zone, 11), 0);
}

TEST(Instruction, MovCopiesElementsFromTheSourceSrcSet) {
    Compiled s(Program("LD 1\nSRC byte buf\nLD 2\nLD 3\nMOV copy"));
    ASSERT_TRUE(s.engine.hasProgram()) << s.text;
    s.engine.start(Restart::Cold);
    const auto r = s.plc.area(kRegisterArea);
    std::memcpy(r.data() + s.offset("buf"), "abcdefghi", 9);
    s.engine.advance(0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data() + s.offset("copy")), 9),
              std::string("\0\0bcd\0\0\0\0", 9));
}

struct Fault {
    const char* what;
    const char* body;
    const char* message;
};

class RunTimeFaults : public ::testing::TestWithParam<Fault> {};

TEST_P(RunTimeFaults, PutThePlcIntoItsErrorState) {
    Compiled c(std::string("#reg int a\n#reg byte b[4]\nP 0\n") + GetParam().body + "\nE 0\n");
    ASSERT_TRUE(c.engine.hasProgram()) << c.text;
    c.engine.start(Restart::Cold), c.engine.advance(100);
    EXPECT_FALSE(c.engine.running());
    EXPECT_EQ(c.plc.plcState(), 3);
    EXPECT_TRUE(SoftPlcCommLoop(c.plc).status() & status::kError);
    ASSERT_TRUE(c.engine.fault());
    EXPECT_NE(c.engine.fault()->text.find(GetParam().message), std::string::npos) << c.engine.fault()->text;
    EXPECT_EQ(c.engine.fault()->position.rfind("Velmora\\t.orv:", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunTimeFaults,
    ::testing::Values(
        Fault{"division", " LD 1\n DIV a\n WR a", "division by zero"},
        Fault{"copy past the area", " LD 0\n SRC byte b\n LD 65530\n LD 100\n MOV b", "MOV outside"},
        Fault{"negative count", " LD 0\n SRC byte b\n LD 0\n LD -5\n MOV b", "MOV outside"},
        Fault{"CRC past the area", " LD 65535\n LD 4\n CRC\n WR a", "CRC outside"},
        Fault{"PID structure past the area", " LD 0\n LD 0\n LD 65500\n PID\n WR a", "PID structure outside"},
        Fault{"endless loop", "l: JMP l", "scan stopped"}),
    RowName<Fault>);

}  // namespace
}  // namespace velmora::softplc::testing
