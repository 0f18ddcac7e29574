// Raw values shown as percentages, the comm log's request lines, the
// settings read from the controller file, and the data state of the tick.
#include <gtest/gtest.h>

#include <limits>

#include "ExchangeFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "online/RequestLog.h"
#include "online/StructureTable.h"

namespace velmora::online::testing {
namespace {

TEST(ShownValues, InputsOutputsAndErrorsAsShownAndParametersRoundToTheStoredUnits) {
    EXPECT_DOUBLE_EQ(*InputPercent(2500, 0, 10000), 25.0);
    EXPECT_DOUBLE_EQ(*InputPercent(-1000, -2000, 2000), 25.0);
    EXPECT_DOUBLE_EQ(*InputPercent(0, 100, -100), 50.0) << "an inverted range works too";
    EXPECT_FALSE(InputPercent(5, 7, 7).has_value());
    const auto shown = PidInputValue(1, 1234, 0, 10000, 0, "R1", ',');
    EXPECT_EQ(std::tuple(shown.error, shown.text, shown.hint),
              std::tuple(false, "12,34%", "((R1_Input1 - R1_MinY) / (R1_MaxY - R1_MinY)) * 100%"));
    EXPECT_EQ(PidInputValue(3, 0, 0, 1, 0, "R1", '.').hint,
              "((R1_Input3 - R1_MinY) / (R1_MaxY - R1_MinY)) * 100%");
    const auto equal = PidInputValue(1, 10, 500, 500, 0, "R1", '.');
    EXPECT_EQ(std::tuple(equal.error, equal.text, equal.hint), std::tuple(true, Text(3019), "MaxY == MinY!"));
    const std::pair<int, std::uint8_t> inputs[] = {{1, kDetEY[0]}, {2, kDetEY[1]}, {3, kDetEY[2]}};
    for (const auto& [signal, bit] : inputs) {
        const auto shown = PidInputValue(signal, 10, 0, 100, bit, "R1", '.');
        EXPECT_EQ(std::tuple(shown.error, shown.hint), std::tuple(true, Text(3466 + signal)));
        // Another input's error bit does not touch this one.
        EXPECT_FALSE(
            PidInputValue(signal, 10, 0, 100, static_cast<std::uint8_t>(0xE0 & ~bit), "R1", '.').error);
    }
    const auto out = PidOutputValue(-1250, "R1", '.');
    EXPECT_EQ(std::tuple(out.text, out.hint), std::tuple("-12.50%", "R1_Output * 0,01%"));
    EXPECT_EQ(PidmaPercentValue(61.256f, '.').text, "61.26%");
    EXPECT_TRUE(PidmaPercentValue(std::numeric_limits<float>::quiet_NaN(), '.').error);
}

TEST(RequestLog, HexDumpsAndErrorDescriptionsByFacility) {
    const std::uint8_t request[] = {0x03, 0x64, 0x00, 0x02, 0xAB, 0x0F};
    const std::uint8_t response[] = {0x00};
    EXPECT_EQ(FormatRequestLog("zapis gW", 0x0C, request, 1, response),
              "zapis gW\tCh\t6\t1\t:\t03  64  00  02  AB  0F  \n00  \n");
    EXPECT_EQ(FormatRequestLog("cteni", 0x0B, {}, -5, {}), "cteni\tBh\t0\t-5\t:\t\n\n");
    EXPECT_EQ(FormatCommError("no line"), "Comm Error\tno line");
    struct HostTexts : PlcErrorDescriber {
        std::string describe(std::int32_t code) const override {
            return "host " + std::to_string(code & 0xFF);
        }
    } host;
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80040007u), &host), "host 7");
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80040007u), nullptr), "Error 0x80040007");
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80004005u), &host), "Error 0x80004005");
}

class LoggedExchange : public ExchangeFixture, public ::testing::Test {};

TEST_F(LoggedExchange, TickCountsNewDataOnceAndAFailedRequestLogsItsErrorAndAClampedDump) {
    addPid(Pid("R1"), 100);
    r1 = online("R1", &view);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataERR) << "no data before the first exchange";
    session->CommLoopCallback(request, kRunning);
    const auto first = r1->commTick();
    EXPECT_EQ(std::tuple(first.state, first.image, first.newSample),
              std::tuple(TDataState::dsDataOK, 32, true));
    // The read fails: the next tick finds nothing newer.
    plc.beforeRequest = [](auto, auto, auto, auto) -> Answer { return softplc::errors::kBadLength; };
    session->CommLoopCallback(request, kRunning);
    const auto second = r1->commTick();
    EXPECT_EQ(std::tuple(second.state, second.image), std::tuple(TDataState::dsDataERR, 33));
    // A short answer counts as no data as well.
    plc.beforeRequest = [](auto, auto, std::int32_t* length, auto) -> Answer {
        *length = 49;
        return 0;
    };
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataERR);
    plc.beforeRequest = nullptr;
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataOK);
    EXPECT_EQ(view.ticks.size(), 5u);
    // The error goes before the request's line, whose dump stops at the buffer's capacity.
    plc.beforeRequest = [](auto, auto, std::int32_t* length, auto) -> Answer {
        *length = 1000;  // more than the buffer holds
        return softplc::errors::kBadArea;
    };
    log.lines.clear();
    exchangeOnce(*r1);
    const auto error =
        std::find(log.lines.begin(), log.lines.end(), "Comm Error\tSoft PLC: unknown memory area");
    ASSERT_TRUE(error != log.lines.end() && error + 1 != log.lines.end());
    const std::string& line = *(error + 1);
    EXPECT_EQ(line.rfind("cteni struktury PID od Input1\tBh\t4\t1000\t:\t03  64  00  32  \n", 0), 0u);
    EXPECT_EQ(line.size(),
              std::string("cteni struktury PID od Input1\tBh\t4\t1000\t:\t").size() + 16 + 1 + 50 * 4 + 1)
        << "the dump stops at the buffer's capacity";
    plc.beforeRequest = nullptr;
    log.lines.clear();
    log.on = false;  // switched off: nothing written
    exchangeOnce(*r1);
    r1->commTick();
    EXPECT_TRUE(log.lines.empty());
}

// The structure page's rows: each member where the member table puts it,
// bit fields bit by bit, "-" until data came.
TEST_F(LoggedExchange, StructureRowsNameEachMemberWithItsValueAndBytes) {
    const int base = addPid(Pid("R1", {.inputMode = 2, .y2Name = "Level_In"}), 100);
    putInt(base + plc::PidOffset("PBnd"), 1234);
    putInt(base + plc::PidOffset("Control"), 0x0802);
    r1 = online("R1", &view);
    EXPECT_EQ(StructureRows(*r1, '.').at(1).value, "-");
    exchangeOnce(*r1);
    const auto rows = StructureRows(*r1, '.');
    const auto row = [&rows](const std::string& name) {
        const auto at =
            std::find_if(rows.begin(), rows.end(), [&](const StructureRow& r) { return r.name == name; });
        return at == rows.end() ? StructureRow{} : *at;
    };
    EXPECT_EQ(rows.front().name, "iInput2");
    EXPECT_EQ(std::tuple(row("iPBnd").value, row("iPBnd").hex), std::tuple("1234", "D2 04"));
    EXPECT_EQ(row("hControl").value, "2050");
    EXPECT_EQ(std::tuple(row("  .AO").value, row("  .CHN").value, row("  .RC").value),
              std::tuple("1", "1", "0"));
    addPidma(Pidma("T1"), 1000);
    putReal(1000 + plc::PidaOffset("lolim"), 2.5f);
    plc.area(3)[1000 + plc::PidaOffset("irType")] = 7;
    auto t1 = online("T1", &view);
    t1->setStructureView(true);
    exchangeOnce(*t1);
    const auto pidma = StructureRows(*t1, ',');
    EXPECT_EQ(pidma.size(), 47u);
    const auto find = [&pidma](const std::string& name) {
        return std::find_if(pidma.begin(), pidma.end(), [&](const StructureRow& r) { return r.name == name; })
            ->value;
    };
    EXPECT_EQ(std::tuple(find("iirtype"), find("ilolim")), std::tuple("7", "2,5"));
}

TEST(ExchangeSettingsFile, KeysAndDefaultsOfTheControllerSection) {
    const velmora::testing::TempDir dir;
    velmora::testing::WriteBytes(
        dir / "PLC1.rglx",
        "[Regulator R1]\nName=R1\nType=PID\nInputMode=3\nCascade=1\nY1Name=A\nY2Name=B\nY3Name=C\n"
        "UpName=U\nUAnalog=0\nUmName=D\nMaxY=4000\nMinY=-4000\nFoundStruct=1\n"
        "[Regulator T1]\nName=T1\nType=PIDA\nInput=In\nOutput=Out\nAddOutName=Dist\n");
    IniFile file(dir / "PLC1.rglx");
    const auto r1 = ReadExchangeSettings(file, "R1");
    EXPECT_TRUE(r1.kind == ControllerKind::Pid && r1.inputMode == 3 && r1.cascade && r1.foundStruct &&
                !r1.analogOutput);
    EXPECT_EQ(std::tuple(r1.umName, r1.maxY, r1.minY), std::tuple("D", 4000, -4000));
    const auto t1 = ReadExchangeSettings(file, "T1");
    EXPECT_EQ(std::tuple(t1.kind, t1.input, t1.output, t1.addOutName),
              std::tuple(ControllerKind::Pidma, "In", "Out", "Dist"));
    const auto none = ReadExchangeSettings(file, "Missing");
    EXPECT_EQ(std::tuple(none.kind, none.maxY, none.minY, none.analogOutput),
              std::tuple(ControllerKind::Pid, 10000, 0, true));
}

}  // namespace
}  // namespace velmora::online::testing
