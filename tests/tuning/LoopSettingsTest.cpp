// The controller's settings as the tuning reads them from its section, typed
// parameters, and the sampling period each block really samples at.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "controllers/SectionReader.h"
#include "support/Support.h"
#include "tuning/BlockModels.h"
#include "tuning/LoopSettings.h"

namespace velmora::tuning::testing {
namespace {

LoopController ReadSection(const std::string& lines) {
    velmora::testing::TempDir dir;
    velmora::testing::WriteBytes(dir / "PLC1.rglx", "[Regulator A]\r\nName=A\r\n" + lines);
    const IniFile file(dir / "PLC1.rglx");
    return ReadLoopController(SectionReader(file, "Regulator A", Reader::GeneratorCode));
}

TEST(ReadLoopController, ThePidKindInTheBlocksUnitsAndTheGeneratedCodesDefaults) {
    const LoopController c = ReadSection(
        "Type=PID\r\nPBnd=250\r\nRelCool=800\r\nTi=1200\r\nTd=50\r\nEGap=20\r\nIGap=7\r\nDGap=9\r\n"
        "OutCycle=25\r\nUMax=9000\r\nUMin=500\r\ndUMax=300\r\nMinY=1500\r\nMaxY=2300\r\nTiW=4\r\nAO=1\r\n"
        "UPosition=1\r\nUAnalog=1\r\nWFiltr=0\r\nUF=3\r\n");
    ASSERT_EQ(c.kind, ControllerKind::Pid);
    EXPECT_EQ(c.pid, (PidBlockSettings{250, 800, 1200, 50, 20, 7, 9, 25, 500, 9000, 300, 1500, 2300, 4, true,
                                       false, false, true, 3}));
    EXPECT_EQ(DescribeParameters(c), "PBnd 25.0 %, Ti 120.0 s, Td 5.0 s, TiW 4 (ramp)");
    // Absent keys: the code generator's defaults (incremental, a three-stage output, MaxU 0).
    EXPECT_EQ(ReadSection("Type=PID\r\n").pid, (PidBlockSettings{1000, 1000, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0,
                                                                 10000, 0, false, true, true, false, 0}));
}

TEST(ReadLoopController, ThePidmaKindWithDecimalCommasAndTheSerialForm) {
    const LoopController c = ReadSection(
        "Type=PIDA\r\nk=2,5\r\nti=30\r\ntd=1,5\r\nnd=8\r\nb=0,6\r\nc=0\r\ntt=15\r\nhilim=90\r\nlolim=-20\r\n"
        "Ts=0,25\r\nirtype=6\r\nRACT=1\r\nipid=2\r\n");
    ASSERT_EQ(c.kind, ControllerKind::Pidma);
    EXPECT_EQ(c.pida, (PidaBlockSettings{2.5, 30, 1.5, 8, 0.6, 0, 15, 90, -20, 0.25, 6, true, true}));
    // A PI type has no derivative, and the serial form turns into the parallel one.
    const ControlLaw law = LawOf(c);
    EXPECT_EQ(law.td, 0);
    EXPECT_DOUBLE_EQ(law.k, 2.5 * (1 + 1.5 / 30));
    EXPECT_TRUE(law.integralLate);
}

// What a suggestion writes is what the tuning reads back, the set-point modification included;
// only a different TiW, or ramp against filter where TiW is not 0, is a different modification.
TEST(WriteLoopParameters, TheSetpointModificationGoesWithTheParameters) {
    struct Case {
        int tiW;
        bool ramp;
        int runningTiW;
        bool runningRamp;
        bool differs;
        const char* text;
    };
    for (const Case& c : {Case{63, false, 500, true, true, "filter, TiW 63"},
                          Case{500, false, 500, true, true, "filter, TiW 500"},
                          Case{500, true, 500, true, false, "ramp, TiW 500"},
                          Case{0, false, 0, true, false, "none"}, Case{0, true, 4, true, true, "none"}}) {
        velmora::testing::TempDir dir;
        velmora::testing::WriteBytes(dir / "PLC1.rglx", "[Regulator A]\r\nName=A\r\nType=PID\r\nWFiltr=" +
                                                            std::string(c.runningRamp ? "0" : "1") + "\r\n");
        LoopController written;
        written.pid.pBnd = 1234, written.pid.ti = 56, written.pid.td = 7, written.pid.tiW = c.tiW;
        written.pid.ramp = c.ramp;
        {
            IniFile file(dir / "PLC1.rglx");
            SectionWriter out(file, "Regulator A", ControllerKind::Pid);
            WriteLoopParameters(out, written);
        }
        const IniFile file(dir / "PLC1.rglx");
        const PidBlockSettings read =
            ReadLoopController(SectionReader(file, "Regulator A", Reader::GeneratorCode)).pid;
        EXPECT_EQ(std::tuple(read.pBnd, read.ti, read.td, read.tiW, read.ramp),
                  std::tuple(1234, 56, 7, c.tiW, c.ramp));
        PidBlockSettings running;
        running.tiW = c.runningTiW, running.ramp = c.runningRamp;
        EXPECT_EQ(SetpointModificationDiffers(written.pid, running), c.differs) << c.text;
        EXPECT_EQ(SetpointModificationDiffers(running, written.pid), c.differs) << c.text;
        EXPECT_EQ(SetpointModificationText(written.pid), c.text);
    }
}

struct Typed {
    const char* text;
    ControllerKind kind;
    const char* error;  // a part of it; empty when the text is fine
    const char* described;
};

class TypedParameters : public ::testing::TestWithParam<Typed> {};

TEST_P(TypedParameters, AreReadOrRefused) {
    const Typed& t = GetParam();
    LoopController c;
    c.kind = t.kind;
    const LoopController before = c;
    const std::string error = ApplyTypedParameters(t.text, c);
    if (*t.error) {
        EXPECT_NE(error.find(t.error), std::string::npos) << error;
        EXPECT_EQ(DescribeParameters(c), DescribeParameters(before)) << "a refused text changes nothing";
    } else {
        EXPECT_EQ(error, "");
        EXPECT_EQ(DescribeParameters(c), t.described);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedParameters,
    ::testing::Values(Typed{"PBnd=12.5,Ti=30,Td=2,TiW=4", ControllerKind::Pid, "",
                            "PBnd 12.5 %, Ti 30.0 s, Td 2.0 s, TiW 4 (filter)"},
                      Typed{"PBnd=12,5", ControllerKind::Pid, "is not NAME=VALUE", ""},
                      Typed{"K+=4,Ti=0,05", ControllerKind::Pid, "is not NAME=VALUE", ""},
                      Typed{"K+=4,Ti=7", ControllerKind::Pid, "", "PBnd 25.0 %, Ti 7.0 s, Td 0.0 s, TiW 0"},
                      Typed{"PBnd=99999", ControllerKind::Pid, "",
                            "PBnd 3000.0 %, Ti 0.0 s, Td 0.0 s, TiW 0"},
                      Typed{"PBnd=abc", ControllerKind::Pid, "is not a number", ""},
                      Typed{"PBnd=-5", ControllerKind::Pid, "is not a number", ""},
                      Typed{"PBnd=5,Ti=12x", ControllerKind::Pid, "is not a number", ""},
                      Typed{"k=2", ControllerKind::Pid, "not a parameter of the PID kind", ""},
                      Typed{"k=2.5,ti=10,b=0.5", ControllerKind::Pidma, "",
                            "k 2.500, ti 10.00 s, td 1.00 s, nd 10.0, b 0.50, c 0.00"},
                      Typed{"PBnd=5", ControllerKind::Pidma, "not a parameter of the PIDMA kind", ""}),
    [](const auto& info) { return "case_" + std::to_string(info.index); });

// The period between the block's control steps when it is called every scan.
double MeasuredPeriod(const LoopController& c, double scan) {
    PidBlockModel pid(c.pid);
    PidaBlockModel pida(c.pida);
    std::vector<int> at;
    for (int call = 0; call < 2000 && at.size() < 4; ++call) {
        pid.call(5000, 5000, scan * 1000, true);
        pida.call(50, 50, scan * 1000, false, 0);
        if (c.kind == ControllerKind::Pid ? pid.sampled() : pida.sampled()) at.push_back(call);
    }
    return at.size() < 4 ? 0 : (at[3] - at[2]) * scan;
}

TEST(SamplePeriod, IsWhatTheBlocksSampleAt) {
    for (const int outCycle : {0, 1, 3, 25, 100}) {
        LoopController c;
        c.pid.outCycle = outCycle;
        for (const double scan : {0.01, 0.02})
            EXPECT_NEAR(SamplePeriod(c, scan), MeasuredPeriod(c, scan), 1e-9) << outCycle;
    }
    for (const double ts : {0.0, 0.2, 0.124, 0.126, 1.0}) {
        LoopController c;
        c.kind = ControllerKind::Pidma;
        c.pida.ts = ts;
        EXPECT_NEAR(SamplePeriod(c, 0.01), MeasuredPeriod(c, 0.01), 1e-9) << ts;
    }
}

}  // namespace
}  // namespace velmora::tuning::testing
