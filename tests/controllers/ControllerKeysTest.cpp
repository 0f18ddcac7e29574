#include "controllers/ControllerKeys.h"
#include "controllers/SectionReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/PidParameterBlock.h"
#include "controllers/SectionSnapshot.h"
#include "support/Support.h"

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
    EXPECT_EQ(m.at("k"), "2,5");  // the generator's defaults are the golden Pb's
    EXPECT_EQ(m.at("Prubeh4"), "0");
    m = AsMap(ReadControllerKeys(ini, "Regulator T", Reader::Page));
    EXPECT_EQ(m.at("Ts"), "1");
    EXPECT_EQ(m.at("DGC"), "0");
    EXPECT_EQ(m.at("Output"), Text(3434));
    // Only "PID" exactly is the integer controller.
    EXPECT_EQ(AsMap(ReadControllerKeys(ini, "Regulator U", Reader::Generator)).count("irtype"), 1u);
    EXPECT_EQ(KindOfType(""), ControllerKind::Pidma);
}

// A sample of every reader, for keys whose defaults differ between readers.
TEST_F(ControllerKeysTest, EachReaderTakesItsOwnDefault) {
    IniFile ini(path);  // no file: every key absent
    const auto in = [&](Reader reader, ControllerKind kind = ControllerKind::Pid) {
        return SectionReader(ini, "Regulator X", kind, reader);
    };
    const auto pidma = ControllerKind::Pidma;
    EXPECT_TRUE(in(Reader::Page).flag(key::WFiltr));
    EXPECT_FALSE(in(Reader::OnlineView).flag(key::WFiltr));
    EXPECT_TRUE(in(Reader::Report).flag(key::UPosition));
    EXPECT_FALSE(in(Reader::Page).flag(key::UAnalog));
    EXPECT_TRUE(in(Reader::Generator).flag(key::UAnalog));
    EXPECT_EQ(in(Reader::Page).integer(key::InputMode), 1);
    EXPECT_EQ(in(Reader::WizardSequence).integer(key::InputMode), 0);
    EXPECT_EQ(in(Reader::Generator).integer(key::Y[1].x2), 10000);
    EXPECT_EQ(in(Reader::OnlineRatio).integer(key::Y[1].x2), 0);
    EXPECT_EQ(in(Reader::SameAsY1Copy).integer(key::Y[0].y1), 10000);
    EXPECT_EQ(in(Reader::Generator).text(key::Name), "Chyba");
    EXPECT_EQ(in(Reader::Page).text(key::Y[2].unit), "Y3" + Text(3016));
    EXPECT_EQ(in(Reader::GeneratorCode).text(key::Y[1].name), "Y2_mebylo_definovano!!");
    EXPECT_DOUBLE_EQ(in(Reader::Page).decimal(key::Omega), 0.4);
    EXPECT_DOUBLE_EQ(in(Reader::Report, pidma).decimal(key::k), 1.0);
    EXPECT_TRUE(in(Reader::Graph).flag(key::Curve[4].shown));
    EXPECT_EQ(in(Reader::Graph).integer(key::DelkaBuffer), 10000);
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
    EXPECT_EQ(SectionReader(ini, "Regulator X", pidma, Reader::Generator).integer(key::ittype), 3);
    EXPECT_DOUBLE_EQ(SectionReader(ini, "Regulator X", pidma, Reader::GeneratorCode).decimal(key::k), 0.25);
    EXPECT_TRUE(SectionReader(ini, "Regulator X", pidma, Reader::OnlineView).flag(key::Astat));
    EXPECT_DOUBLE_EQ(SectionReader(ini, "Regulator Y", pid, Reader::Page).scaled(key::PBnd), 25.0);
    EXPECT_DOUBLE_EQ(SectionReader(ini, "Regulator Y", pid, Reader::Page).scaled(key::OutCycle), 0.05);
    EXPECT_DOUBLE_EQ(SectionReader(ini, "Regulator Y", pid, Reader::Page).scaled(key::UF), 0.64);
    EXPECT_THROW(SectionReader(ini, "Regulator Y", pid, Reader::Page).integer(key::irtype), std::logic_error);
}

// The PID parameter page adds 0.5 before truncating toward zero (also for
// negative values); the output and start pages truncate; beyond INT, clamped.
TEST(ScaledIntegers, RoundedOrTruncatedAndClamped) {
    const auto half = Rounding::AddHalf, truncate = Rounding::Truncate;
    const struct {
        const char* text;
        double scale;
        Rounding rounding;
        int stored;
    } rows[] = {
        {"99,96", 10, half, 1000},    {"99.94", 10, half, 999},     {"100.0", 10, half, 1000},
        {"12.34", 100, half, 1234},   {"0,29", 100, half, 29},      {"-12.34", 100, half, -1233},
        {"99.96", 10, truncate, 999}, {"50", 100, truncate, 5000},  {"0.29", 100, truncate, 28},
        {"0,64", 3.125, truncate, 2}, {"2.24", 3.125, truncate, 7}, {"no number", 10, half, 0},
    };  // 0.29 x 100 is 28.999... in binary
    for (const auto& r : rows) EXPECT_EQ(ScaledToStored(r.text, r.scale, r.rounding), r.stored) << r.text;
    EXPECT_EQ(ScaledToStored(-0.999, 100, truncate), -99);
    EXPECT_EQ(ScaledToStored(1e12, 100, half), INT_MAX);
    EXPECT_EQ(ScaledToStored(-1e12, 100, truncate), INT_MIN);
    EXPECT_EQ(ScaledToStored(std::nan(""), 100, half), 0);
    EXPECT_DOUBLE_EQ(StoredToShown(1234, 100), 12.34);
    EXPECT_DOUBLE_EQ(StoredToShown(1000, 10), 100.0);
}

// A run reads its section once; every read must give what the profile file's
// own read of the same key gives.
TEST(Snapshot, ReadsAgreeWithTheProfileFileAndFollowTheRunsOwnWrites) {
    testing::TempDir dir;
    testing::WriteBytes(
        dir / "PLC1.rglx",
        "[Regulator A]\r\n"
        "Plain=12\r\nBlanks=  34  \r\nPlus=+5\r\nMinus=-7\r\nHex=0x10\r\nTrailing=12abc\r\nEmpty=\r\n"
        "Huge=99999999999\r\nQuoted=\"8\"\r\nSingle='9'\r\nText=Boiler.T\r\nDecimal=2,5\r\nZero=0\r\n"
        "twice=1\r\nTWICE=2\r\nmixedCase=3\r\n; comment=4\r\nY1CNVMode=1510\r\n"
        "[Regulator B]\r\nPlain=99\r\n"
        "[regulator a]\r\nPlain=55\r\nOnlySecond=1\r\n");
    IniFile file(dir / "PLC1.rglx");
    SectionSnapshot snap(file, "Regulator A");
    for (const char* key :
         {"Plain", "Blanks", "Plus", "Minus", "Hex", "Trailing", "Empty", "Huge", "Quoted", "Single", "Text",
          "Decimal", "Zero", "Twice", "MIXEDCASE", "comment", "; comment", "OnlySecond", "Missing"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(snap.readString(key, "<def>"), file.readString("Regulator A", key, "<def>"));
        EXPECT_EQ(snap.readInteger(key, -4242), file.readInteger("Regulator A", key, -4242));
        EXPECT_EQ(snap.readBool(key, true), file.readBool("Regulator A", key, true));
        EXPECT_EQ(snap.readBool(key, false), file.readBool("Regulator A", key, false));
    }
    snap.set("y1cnvmode", "0");
    EXPECT_EQ(snap.readInteger("Y1CNVMode", 7), 0);
    snap.set("Y1Unit", "Other");
    EXPECT_EQ(snap.readString("y1unit", ""), "Other");
}

// Band and gain as the parameter page and the online panel both derive them.
// A gain of 0 gives no band to compute: the band of 100 % (gain 1), on both.
TEST(BandAndGain, OneRuleWithItsLimits) {
    const struct {
        const char* what;
        double (*rule)(double, double);
        double value, band, expected;
    } cases[] = {
        {"K+ of a band", [](double b, double) { return GainOfBand(b); }, 50, 0, 2},
        {"K+ of the lowest band", [](double b, double) { return GainOfBand(b); }, kBandLow, 0, 1000},
        {"K+ of no band", [](double b, double) { return GainOfBand(b); }, 0, 0, 1},
        {"band of a K+", [](double g, double) { return BandOfGain(g); }, 4, 0, 25},
        {"band of K+ 0", [](double g, double) { return BandOfGain(g); }, 0, 0, 100},
        {"band of a tiny K+", [](double g, double) { return BandOfGain(g); }, 0.01, 0, kBandHigh},
        {"band of a negative K+", [](double g, double) { return BandOfGain(g); }, -4, 0, kBandLow},
        {"band below the limit", [](double b, double) { return LimitBand(b); }, 0, 0, kBandLow},
        {"band at the limit", [](double b, double) { return LimitBand(b); }, kBandHigh, 0, kBandHigh},
        {"K- of RelCool", [](double r, double b) { return CoolingGain(r, b); }, 50, 20, 10},
        {"K- of RelCool 200 on 50", [](double r, double b) { return CoolingGain(r, b); }, 200, 50, 1},
        {"K- of no RelCool", [](double r, double b) { return CoolingGain(r, b); }, 0, 20, 1},
        {"RelCool of a K-", [](double g, double b) { return RelCoolOfGain(g, b); }, 10, 20, 50},
        {"RelCool of K- 0", [](double g, double b) { return RelCoolOfGain(g, b); }, 0, 20, 100},
        {"RelCool beyond the limit", [](double g, double b) { return RelCoolOfGain(g, b); }, 0.001, 20,
         kBandHigh},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.rule(c.value, c.band), c.expected) << c.what;
}

TEST(PidParameterBlock, ScaledRoundedOrTruncatedInsideAnIntAndLaidOutAsTPid) {
    const auto rounded = PidParameterBlock::FromShown(99.96, 0.1, 3000, 0, 12.345, 100, 0.004);
    EXPECT_EQ(rounded, (PidParameterBlock{1000, 1, 30000, 0, 1235, 10000, 0}));
    const auto truncated =
        PidParameterBlock::FromShown(99.96, 0.1, 3000, 0, 12.345, 100, 0.004, Rounding::Truncate);
    EXPECT_EQ(truncated.pBnd, 999);
    EXPECT_EQ(PidParameterBlock::FromShown(1e9, -1e9, NAN, 0, 0, 0, 0), (PidParameterBlock{32767, -32768}));
    const auto bytes = EncodePidParameters({500, 2000, 123, 5, 150, 225, -2});
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 14>{0xF4, 0x01, 0xD0, 0x07, 0x7B, 0, 5, 0, 0x96, 0, 0xE1, 0,
                                                   0xFE, 0xFF}));
    EXPECT_EQ(DecodePidParameters(bytes.data()), (PidParameterBlock{500, 2000, 123, 5, 150, 225, -2}));
}

}  // namespace
}  // namespace velmora
