#include "controllers/ControllerKeys.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <set>

#include "TempDir.h"
#include "base/IniFile.h"
#include "base/Texts.h"

namespace velmora {
namespace {

std::map<std::string, std::string> AsMap(const std::vector<KeyValue>& values) {
    std::map<std::string, std::string> m;
    for (const auto& [k, v] : values) m[k] = v;
    return m;
}

class ControllerKeysTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::filesystem::path path = dir / "PLC1.rglx";
};

TEST_F(ControllerKeysTest, IdentityOnlySectionGivesTheGeneratorsPidDefaults) {
    testing::WriteBytes(path, "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n");
    IniFile ini(path);
    const auto values = ReadControllerKeys(ini, "Regulator Boiler", Reader::GeneratorCode, 9);
    const auto m = AsMap(values);
    const std::map<std::string, std::string> expected{
        {"PBnd", "1000"}, {"RelCool", "1000"}, {"OutCycle", "100"},    {"MaxY", "10000"},
        {"MinY", "0"},    {"Remanent", "1"},   {"Alias", "1"},         {"OffReg", "-1"},
        {"OffRem", "-1"}, {"InputMode", "1"},  {"Cascade", "0"},       {"Name", "Boiler"},
        {"Type", "PID"},  {"HeaderInST", "1"}, {"ReleaseNumber", "0"}, {"Output", "0"}};
    for (const auto& [key, value] : expected) EXPECT_EQ(m.at(key), value) << key;
    EXPECT_EQ(m.count("irtype"), 0u) << "PIDMA keys do not apply to a PID section";
    EXPECT_EQ(m.count("Simulation"), 0u) << "group 10 is after the last group asked for";
    EXPECT_EQ(values.front().key, "Name");
    EXPECT_EQ(m.size(), values.size()) << "a key listed twice";
}

TEST_F(ControllerKeysTest, AnyOtherTypeReadsThePidmaKeys) {
    testing::WriteBytes(path, "[Regulator T]\nName=T\nType=PIDA\nk=2,5\n[Regulator U]\nName=U\nType=pid\n");
    IniFile ini(path);
    auto m = AsMap(ReadControllerKeys(ini, "Regulator T", Reader::GeneratorCode));
    EXPECT_EQ(m.count("PBnd"), 0u);
    EXPECT_EQ(m.at("k"), "2,5");
    EXPECT_EQ(m.at("Ts"), "0,2");
    EXPECT_EQ(m.at("tdg"), "10,0");
    EXPECT_EQ(m.at("DGC"), "1");
    EXPECT_EQ(m.at("Output"), "Vystup_nebyl_definovan");
    EXPECT_EQ(m.at("Prubeh4"), "0");
    m = AsMap(ReadControllerKeys(ini, "Regulator T", Reader::Page));
    EXPECT_EQ(m.at("Ts"), "1");
    EXPECT_EQ(m.at("DGC"), "0");
    EXPECT_EQ(m.at("Output"), Text(3434));
    // Only "PID" exactly is the integer controller.
    EXPECT_EQ(AsMap(ReadControllerKeys(ini, "Regulator U", Reader::Generator)).count("irtype"), 1u);
    EXPECT_EQ(KindOfType("PID"), ControllerKind::Pid);
    EXPECT_EQ(KindOfType("PIDA"), ControllerKind::Pidma);
    EXPECT_EQ(KindOfType(""), ControllerKind::Pidma);
}

TEST_F(ControllerKeysTest, EachReaderTakesItsOwnDefault) {
    IniFile ini(path);  // no file: every key absent
    const std::string s = "Regulator X";
    const auto pid = ControllerKind::Pid;
    EXPECT_TRUE(ReadBoolKey(ini, s, "WFiltr", pid, Reader::Page));
    EXPECT_FALSE(ReadBoolKey(ini, s, "WFiltr", pid, Reader::OnlineView));
    EXPECT_FALSE(ReadBoolKey(ini, s, "UPosition", pid, Reader::Page));
    EXPECT_TRUE(ReadBoolKey(ini, s, "UPosition", pid, Reader::OnlineView));
    EXPECT_TRUE(ReadBoolKey(ini, s, "UPosition", pid, Reader::Report));
    EXPECT_FALSE(ReadBoolKey(ini, s, "UAnalog", pid, Reader::Page));
    EXPECT_TRUE(ReadBoolKey(ini, s, "UAnalog", pid, Reader::Generator));
    EXPECT_FALSE(ReadBoolKey(ini, s, "UAnalog", pid, Reader::GeneratorCode));
    EXPECT_TRUE(ReadBoolKey(ini, s, "UAnalog", pid, Reader::OnlineView));
    EXPECT_TRUE(ReadBoolKey(ini, s, "A8", pid, Reader::Page));
    EXPECT_FALSE(ReadBoolKey(ini, s, "A8", pid, Reader::Generator));
    EXPECT_EQ(ReadIntegerKey(ini, s, "InputMode", pid, Reader::Page), 1);
    EXPECT_EQ(ReadIntegerKey(ini, s, "InputMode", pid, Reader::WizardSequence), 0);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Y2x2", pid, Reader::Generator), 10000);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Y2x2", pid, Reader::OnlineRatio), 0);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Y1y1", pid, Reader::SameAsY1Copy), 10000);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Ti", pid, Reader::Report), 1000);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Ti", pid, Reader::Generator), 0);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Uy1", pid, Reader::GeneratorCode), 10000);
    EXPECT_EQ(ReadIntegerKey(ini, s, "Uy1", pid, Reader::Page), 0);
    EXPECT_EQ(ReadTextKey(ini, s, "Name", pid, Reader::Generator), "Chyba");
    EXPECT_EQ(ReadTextKey(ini, s, "Name", pid, Reader::Lists), "");
    EXPECT_EQ(ReadTextKey(ini, s, "Y1Name", pid, Reader::Page), "Y1" + Text(3016));
    EXPECT_EQ(ReadTextKey(ini, s, "Y3Unit", pid, Reader::Page), "Y3" + Text(3016));
    EXPECT_EQ(ReadTextKey(ini, s, "Y2Name", pid, Reader::GeneratorCode), "Y2_mebylo_definovano!!");
    EXPECT_EQ(ReadTextKey(ini, s, "Y2Name", pid, Reader::Report), "");
    EXPECT_EQ(ReadTextKey(ini, s, "UmName", pid, Reader::Page), "U2" + Text(3016));
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, s, "Omega", pid, Reader::Page), 0.4);
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, s, "Omega", pid, Reader::OnlineView), 0.5);
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, s, "k", ControllerKind::Pidma, Reader::Report), 1.0);
    EXPECT_TRUE(ReadBoolKey(ini, s, "Prubeh4", pid, Reader::Graph));
    EXPECT_FALSE(ReadBoolKey(ini, s, "Prubeh4", ControllerKind::Pidma, Reader::Graph));
    EXPECT_EQ(ReadIntegerKey(ini, s, "Prubeh2Stejne", pid, Reader::Graph), 1);
    EXPECT_EQ(ReadIntegerKey(ini, s, "DelkaBuffer", pid, Reader::Graph), 10000);
}

TEST_F(ControllerKeysTest, StoredValuesAreReadWithTheFilesConversions) {
    testing::WriteBytes(path,
                        "[Regulator X]\nType=PIDA\nRemanent=5\nOffReg=abc\nittype=3\nk=0,25\nAstat=1\n"
                        "[Regulator Y]\nPBnd=250\nOutCycle=5\nUF=2\n");
    IniFile ini(path);
    const auto pidma = ControllerKind::Pidma, pid = ControllerKind::Pid;
    auto m = AsMap(ReadControllerKeys(ini, "Regulator X", Reader::Generator));
    EXPECT_EQ(m.at("Remanent"), "1");
    EXPECT_EQ(m.at("OffReg"), "-1");
    EXPECT_EQ(m.at("ittype"), "3");
    // Key names compare without regard to case: the generator asks for itType.
    EXPECT_EQ(ReadIntegerKey(ini, "Regulator X", "itType", pidma, Reader::Generator), 3);
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, "Regulator X", "k", pidma, Reader::GeneratorCode), 0.25);
    EXPECT_TRUE(ReadBoolKey(ini, "Regulator X", "Astat", pidma, Reader::OnlineView));
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, "Regulator Y", "PBnd", pid, Reader::Page), 25.0);
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, "Regulator Y", "OutCycle", pid, Reader::Page), 0.05);
    EXPECT_DOUBLE_EQ(ReadDecimalKey(ini, "Regulator Y", "UF", pid, Reader::Page), 0.64);
    EXPECT_THROW(ReadIntegerKey(ini, "Regulator Y", "irtype", pid, Reader::Page), std::logic_error);
    EXPECT_THROW(ReadIntegerKey(ini, "Regulator Y", "NoSuchKey", pid, Reader::Page), std::logic_error);
}

TEST(ControllerKeyTable, EntriesAreConsistent) {
    std::set<std::pair<std::string, int>> seen;
    int lastGroup = 0;
    std::set<int> groups;
    for (const auto& key : ControllerKeyTable()) {
        std::string folded = key.name;
        for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (int kind : {kPid, kPidma})
            if (key.kinds & kind) {
                EXPECT_TRUE(seen.insert({folded, kind}).second) << key.name << " twice";
            }
        EXPECT_GE(key.group, lastGroup) << key.name;
        lastGroup = key.group;
        groups.insert(key.group);
        EXPECT_NE(key.kinds, 0) << key.name;
        std::vector<std::string> defaults{key.defaultValue};
        for (const auto& other : key.otherDefaults) defaults.push_back(other.value);
        for (const auto& d : defaults) {
            if (key.type == KeyType::Boolean) {
                EXPECT_TRUE(d == "0" || d == "1") << key.name;
            }
            if (key.type == KeyType::Integer) {
                EXPECT_NO_THROW((void)std::stoi(d)) << key.name;
            }
        }
        EXPECT_EQ(key.scale != 0, key.rounding != Rounding::None) << key.name;
        if (key.scale != 0) {
            EXPECT_EQ(key.type, KeyType::Integer) << key.name;
        }
    }
    EXPECT_EQ(groups, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    // The PID parameter page rounds; the output and start pages truncate.
    EXPECT_EQ(FindControllerKey("PBnd", ControllerKind::Pid)->rounding, Rounding::AddHalf);
    EXPECT_EQ(FindControllerKey("UDef", ControllerKind::Pid)->rounding, Rounding::AddHalf);
    EXPECT_EQ(FindControllerKey("UMax", ControllerKind::Pid)->rounding, Rounding::Truncate);
    EXPECT_EQ(FindControllerKey("gW", ControllerKind::Pid)->rounding, Rounding::Truncate);
    EXPECT_EQ(FindControllerKey("Output", ControllerKind::Pid)->type, KeyType::Integer);
    EXPECT_EQ(FindControllerKey("Output", ControllerKind::Pidma)->type, KeyType::Text);
    EXPECT_EQ(FindControllerKey("pbnd", ControllerKind::Pidma), nullptr);
}

TEST(ScaledIntegers, PidParametersAddHalfBeforeTruncating) {
    EXPECT_EQ(ScaledToStored("99,96", 10, Rounding::AddHalf), 1000);
    EXPECT_EQ(ScaledToStored("99.94", 10, Rounding::AddHalf), 999);
    EXPECT_EQ(ScaledToStored("100.0", 10, Rounding::AddHalf), 1000);
    EXPECT_EQ(ScaledToStored("12.34", 100, Rounding::AddHalf), 1234);
    EXPECT_EQ(ScaledToStored("0,29", 100, Rounding::AddHalf), 29);  // 28.999... in binary
    // Toward zero after the 0.5 is added, also for negative values.
    EXPECT_EQ(ScaledToStored("-12.34", 100, Rounding::AddHalf), -1233);
}

TEST(ScaledIntegers, OutputAndStartPagesTruncate) {
    EXPECT_EQ(ScaledToStored("99.96", 10, Rounding::Truncate), 999);
    EXPECT_EQ(ScaledToStored("50", 100, Rounding::Truncate), 5000);
    // 0.29 × 100 is 28.999... in binary: truncation without the 0.5 keeps that.
    EXPECT_EQ(ScaledToStored("0.29", 100, Rounding::Truncate), 28);
    EXPECT_EQ(ScaledToStored("0,64", 3.125, Rounding::Truncate), 2);
    EXPECT_EQ(ScaledToStored("2.24", 3.125, Rounding::Truncate), 7);
    EXPECT_EQ(ScaledToStored(-0.999, 100, Rounding::Truncate), -99);
}

TEST(ScaledIntegers, OutOfRangeValuesAreClampedAndReadBackDivides) {
    EXPECT_EQ(ScaledToStored(1e12, 100, Rounding::AddHalf), INT_MAX);
    EXPECT_EQ(ScaledToStored(-1e12, 100, Rounding::Truncate), INT_MIN);
    EXPECT_EQ(ScaledToStored(std::nan(""), 100, Rounding::AddHalf), 0);
    EXPECT_EQ(ScaledToStored("no number", 10, Rounding::AddHalf), 0);
    EXPECT_DOUBLE_EQ(StoredToShown(1234, 100), 12.34);
    EXPECT_DOUBLE_EQ(StoredToShown(1000, 10), 100.0);
}

TEST(ReleaseNumber, WrapsAtSixteenBits) {
    EXPECT_EQ(NextReleaseNumber(0), 1);
    EXPECT_EQ(NextReleaseNumber(65534), 65535);
    EXPECT_EQ(NextReleaseNumber(65535), 0);
    EXPECT_EQ(NextReleaseNumber(-1), 0);
    EXPECT_EQ(NextReleaseNumber(INT_MAX), 0);
}

}  // namespace
}  // namespace velmora
