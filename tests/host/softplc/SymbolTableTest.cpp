// The soft PLC's symbol table from generated declarations and the project description.
#include <gtest/gtest.h>

#include <tuple>

#include "softplc/SoftPlc.h"
#include "softplc/SymbolTable.h"

namespace velmora::softplc {
namespace {

class ProjectSymbols : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plc.loadProject(VELMORA_TEST_DATA "/project", "plc1"));
        EXPECT_EQ(plc.symbols().problems(), std::vector<std::string>{});
    }
    SoftPlc plc;
};

// Placements kept, names compared without regard to case, aliases and members
// (a bit structure answers its first byte), and the description's variables.
TEST_F(ProjectSymbols, IecPlacementsAliasesMembersAndProjectVariables) {
    EXPECT_EQ(plc.lookup("R1_struct.Control.CHN"), "%R152.3") << "bit 11 of the control word";
    EXPECT_EQ(plc.lookup("R1_struct.Nothing"), std::nullopt);
    // Constants (R1_Definitions) have no memory.
    const std::pair<const char*, const char*> texts[] = {
        {"R1_input3", "INT %R100"},  {"r1_INPUT2", "INT %R102"}, {"R1_struct", "%R104"},
        {"R1_AuxPID", "BYTE %R154"}, {"R1_Det", "%R104"},        {"R1_MinY", "INT %R105"},
        {"R1_PBnd", "INT %R137"},    {"R1_Tiw", "INT %R115"},    {"R1_Gw", "INT %R111"},
        {"R1_Control", "%R151"},     {"R1_Status", "%R153"},     {"R1_struct~IGap", "INT %R149"},
        {"Temp_In", "INT %R2000"},   {"flow_in", "REAL %R2030"}, {"R1_Definitions", nullptr},
        {"Nowhere", nullptr},
    };
    for (const auto& [name, text] : texts)
        EXPECT_EQ(plc.lookup(name), text ? std::optional<std::string>(text) : std::nullopt) << name;
    const StructType* tpid = plc.symbols().findStruct("T_PID");
    ASSERT_NE(tpid, nullptr);
    EXPECT_EQ(tpid->size, 50);
    EXPECT_EQ(plc.symbols().findStruct("T_PID_Control")->size, 2);
}

TEST_F(ProjectSymbols, UnplacedVariablesFollowEverythingPlaced) {
    // The project's variables end at %R2038 (Pump_Out, REAL at 2034).
    ASSERT_TRUE(plc.symbols().locate("R1_Size_rem").has_value());
    EXPECT_EQ(plc.symbols().locate("R1_Size_rem")->offset, 2038);
    EXPECT_EQ(plc.symbols().locate("R1_input3_rem")->offset, 2039);
    EXPECT_EQ(plc.symbols().locate("R1_CRC_rem")->offset, 2039 + 4 + 1 + 24 * 2 + 2);
}

TEST_F(ProjectSymbols, MnemonicStructureWithDefinitions) {
    const auto r2 = plc.symbols().locate("R2_struct");
    ASSERT_TRUE(r2.has_value());
    EXPECT_EQ(plc.symbols().locate("R2_AuxPID")->offset, r2->offset + 50) << "the private area follows";
    for (const char* name : {"R2_struct~PBnd", "R2_PBnd"})
        EXPECT_EQ(plc.lookup(name), "INT %R" + std::to_string(r2->offset + 33)) << name;
    EXPECT_EQ(plc.symbols().findStruct("_TPID_")->size, 50);
    EXPECT_EQ(plc.symbols().findStruct("_TPID_Status")->size, 1);
}

TEST_F(ProjectSymbols, MnemonicPidmaRegistersFormTheStructureImage) {
    const auto dv = plc.symbols().locate("T1_dv");
    ASSERT_TRUE(dv.has_value());
    EXPECT_EQ(dv->offset % 4, 0) << "aligned";
    const std::pair<const char*, int> fields[] = {{"T1_sp", 4},   {"T1_MAN", 20},   {"T1_CHANGED", 48},
                                                  {"T1_k", 56},   {"T1_lolim", 88}, {"T1_mv", 166},
                                                  {"T1_TE", 180}, {"T1_pk", 186},   {"T1_pc", 206}};
    for (const auto& [name, offset] : fields)
        EXPECT_EQ(plc.symbols().locate(name)->offset, dv->offset + offset) << name;
    EXPECT_EQ(plc.symbols().findStruct("_TPIDA_")->size, 226);
    EXPECT_EQ(plc.symbols().locate("T1_struct")->offset, dv->offset) << "laid over the registers";
    EXPECT_EQ(plc.symbols().locate("T1_reserved")->offset, dv->offset + 226);
    for (const auto& [name, type, offset] :
         {std::tuple{"T1_struct~pk", "REAL", 186}, {"T1_TUNE", "BYTE", 21}, {"T1_ite", "DINT", 182}})
        EXPECT_EQ(plc.lookup(name), std::string(type) + " %R" + std::to_string(dv->offset + offset)) << name;
}

TEST(SymbolTable, SecondControllerFileDoesNotRedefineTheTypes) {
    SymbolTable table;
    const std::string first =
        "{$IFNDEF T_X_}\r\n{$DEFINE T_X_}\r\nTYPE\r\n  T_X : STRUCT\r\n    a, b : INT;\r\n  "
        "END_STRUCT;\r\nEND_TYPE\r\n"
        "{$END_IF}\r\nVAR_GLOBAL\r\n  A_struct AT %R10 : T_X;\r\nEND_VAR\r\n";
    std::string second = first;
    second.replace(second.find("A_struct AT %R10"), 16, "B_struct AT %R20");
    second.replace(second.find("a, b : INT"), 10, "a : DINT  ");
    table.addIecDeclarations(first);
    table.addIecDeclarations(second);
    table.build();
    EXPECT_EQ(table.problems(), std::vector<std::string>{});
    EXPECT_EQ(table.lookup("B_struct.b"), "INT %R22") << "the guarded second definition is skipped";
}

TEST(SymbolTable, ProblemsAreCollectedNotFatal) {
    SymbolTable table;
    table.addIecDeclarations(
        "VAR_GLOBAL (* a\r\n *)\r\n  X AT %R10 : NOSUCHTYPE;\r\n  Y : INT;\r\n  Y : INT;\r\nEND_VAR\r\n",
        "d.ST");
    table.addMnemonicDeclarations("#reg\tword\tZ,\r\n\t\tW\r\n#struct S\r\n\tblob\tq\r\n", "m.orv");
    table.addVariable("V", "Temp1", "p.oprj", 9);
    table.build();
    EXPECT_EQ(table.problems(),
              (std::vector<std::string>{
                  "m.orv(4): warning: #struct S: member type not understood: blob",
                  "d.ST(3): warning: declaration X: type NOSUCHTYPE not understood or out of range",
                  "p.oprj(9): warning: variable V: address not understood: Temp1",
                  "d.ST(5): warning: declared twice: Y"}));
    EXPECT_EQ(table.lookup("Y"), "INT %R0");
    EXPECT_EQ(table.lookup("Z"), "INT %R2");
    EXPECT_EQ(table.lookup("W"), "INT %R4") << "a continuation line of the same register type";
}

// Declarations outside the 64 KiB areas, negative or too large to count,
// are problems, never symbols (they once wrote before or past the memory).
TEST(SymbolTable, NothingIsPlacedOutsideItsArea) {
    SymbolTable table;
    const std::pair<const char*, const char*> variables[] = {{"Evil", "INT %RW-64"},
                                                             {"Huge", "INT %RW-100000000"},
                                                             {"Past", "INT %R65535"},
                                                             {"Far", "%R2147483647"}};
    for (const auto& [name, address] : variables) table.addVariable(name, address);
    table.addVariable("Up", "BOOL %Y0.0");
    table.addMnemonicDeclarations("#reg int X[99999999999]\r\n#struct S\r\n\tint\tq[70000]\r\n#reg S Y\r\n");
    table.addIecDeclarations(
        "VAR_GLOBAL\r\n  A : ARRAY [0..99999999999] OF INT;\r\n  B AT %R65534 : DINT;\r\nEND_VAR\r\n");
    table.build();
    for (const char* name : {"Evil", "Huge", "Past", "Far", "X", "Y", "A", "B"})
        EXPECT_FALSE(table.locate(name).has_value()) << name;
    EXPECT_EQ(table.problems().size(), 8u);
    EXPECT_EQ(table.lookup("Up"), "%Y0.0");
}

// Conditionals nested 100,000 deep in both dialects: what they hide stays hidden, what follows is read.
TEST(SymbolTable, DeeplyNestedConditionalsAreCounted) {
    std::string iec, mnemonic;
    for (int i = 0; i < 100000; ++i) iec += "{$IFDEF NOPE}\n", mnemonic += "#ifdef NOPE\n";
    iec += "VAR_GLOBAL\n  A : INT;\nEND_VAR\n", mnemonic += "#reg int C\n";
    for (int i = 0; i < 100000; ++i) iec += "{$END_IF}\n", mnemonic += "#endif\n";
    SymbolTable table;
    table.addIecDeclarations(iec + "VAR_GLOBAL\n  B : INT;\nEND_VAR\n");
    table.addMnemonicDeclarations(mnemonic + "#reg int D\n");
    table.build();
    EXPECT_FALSE(table.locate("A") || table.locate("C"));
    EXPECT_TRUE(table.locate("B") && table.locate("D"));
}

}  // namespace
}  // namespace velmora::softplc
