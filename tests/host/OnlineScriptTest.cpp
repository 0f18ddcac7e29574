// Scripted online sessions of the plug-in's view on the headless host and soft PLC.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "host/HeadlessSession.h"
#include "host/HostSoftPlc.h"
#include "host/OnlineCommandScript.h"
#include "online/OnlineValues.h"
#include "plugin/HeadlessFrontEnd.h"
#include "plugin/PlcControllerData.h"
#include "wizard/PidmaSettings.h"
#include "wizard/SetpointModification.h"

namespace velmora {
namespace {

using online::ItemRole;

TEST(OnlineScriptReading, ABadLineIsNamedWithItsNumber) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 page", "s.txt:1: page takes 1 argument"},
        {"\n# a comment\n2 fly", "s.txt:3: unknown action \"fly\""},
        {"x tune", "s.txt:1: \"x\" is not a pass number"},
        {"0 tune", "s.txt:1: \"0\" is not a pass number"},
        {"2 mode sideways", "s.txt:1: mode takes man or auto"},
        {"3 tune\n2 tune", "s.txt:2: pass numbers go down"},
        {"1 use-vals PBnd", "s.txt:1: \"PBnd\" is not NAME=VALUE"},
        {"1 status 0x1G", "s.txt:1: \"0x1G\" is not a whole number"},
        {"1 save-vals now", "s.txt:1: save-vals takes 0 arguments"},
        {"5", "s.txt:1: no action"},
        {"1 model 10", "s.txt:1: model takes FROM TO and options"},
        {"1 model 10 x", "s.txt:1: model: \"x\" is not a time in s"},
        {"1 model 0 10 scan=abc",
         "s.txt:1: model: \"scan=abc\" is not an option (json, curves, nominal, try=, "
         "scan=, exchange-delay=, setpoint-step=, load-step=)"},
    };
    for (const auto& [text, error] : cases) {
        std::istringstream in(text);
        std::string said;
        EXPECT_FALSE(host::ReadOnlineScript(in, "s.txt", said)) << text;
        EXPECT_EQ(said, error) << text;
    }
    std::istringstream good(
        "1 page graph\r\n1 use-vals k=1 ti=2\n4 status 0x80080\n"
        "5 model 0 10 json nominal try=PBnd=50,Ti=20 scan=0.05\n");
    std::string said;
    const auto script = host::ReadOnlineScript(good, "s.txt", said);
    ASSERT_TRUE(script) << said;
    ASSERT_EQ(script->size(), 4u);
    EXPECT_EQ((*script)[1].args, (std::vector<std::string>{"k=1", "ti=2"}));
    EXPECT_EQ((*script)[2].pass, 4);
}

class ScriptedSession : public testing::ScratchProject {
protected:
    void open(const std::string& controller, wizard::WizardContext* context = nullptr) {
        name = controller;
        session = std::make_unique<host::HeadlessSession>(project.string(), err);
        ASSERT_TRUE(session->open("PLC1")) << err.str();
        ASSERT_TRUE(session->goOnline(controller)) << err.str();
        session->soft().plc().setKeepHistory(true);
        if (!context) return;
        // The wizard's pages reach the running PLC through the view's exchange.
        data = std::make_unique<PlcControllerData>(session->view(name)->exchange());
        context->controllerName = name;
        context->controllerData = data.get();
    }
    bool run(const std::string& text) {
        std::istringstream in(text);
        std::string error;
        const auto script = host::ReadOnlineScript(in, "s.txt", error);
        EXPECT_TRUE(script) << error;
        out.str({});
        session->soft().plc().clearHistory();
        return script && host::RunOnlineScript(*session, name, *script, 0, "s.txt", out, err);
    }
    // The bytes of a variable the view's exchange addresses.
    const std::uint8_t* at(ItemRole role, int offset = 0) {
        const online::PlcItem& item = session->view(name)->exchange().item(role);
        return session->soft().plc().area(item.area).data() + item.offset + offset;
    }
    std::vector<softplc::ReceivedRequest> writes() {
        std::vector<softplc::ReceivedRequest> w;
        for (const auto& r : session->soft().plc().history())
            if (r.command == kPlcWrite) w.push_back(r);
        return w;
    }
    bool said(const std::string& text) const { return out.str().find(text) != std::string::npos; }
    std::string name;
    std::ostringstream out, err;
    std::unique_ptr<host::HeadlessSession> session;
    std::unique_ptr<PlcControllerData> data;  // goes before the session it reads through
};

TEST_F(ScriptedSession, PidParametersWaitForTheGraphPageThenGoWithTheControlWord) {
    open("Boiler");
    ASSERT_TRUE(
        run("1 use-vals PBnd=50 RelCool=200 Ti=12.3 Td=0.5 EGap=1.5 DGap=2.25 IGap=100\n2 mode man\n"))
        << err.str();
    EXPECT_TRUE(said("EditPBnd1=50.0 EditG1=2.00 EditRegCool1=200 EditG2=1.00")) << out.str();
    EXPECT_TRUE(said("pass 2: data=Data OK")) << out.str();
    for (const auto& w : writes()) EXPECT_NE(w.bytes.size(), 24u) << "schema page: no parameter block";
    EXPECT_NE(plc::GetInt16(at(ItemRole::PBnd)), 500);
    EXPECT_EQ(plc::GetUInt16(at(ItemRole::Control)) & (1u << 6), 0u) << "manual: AM cleared";
    ASSERT_TRUE(run("1 page graph\n2 page graph\n")) << err.str();
    const auto block = writes();
    ASSERT_EQ(block.size(), 1u) << out.str() << err.str();
    ASSERT_EQ(block[0].bytes.size(), 24u);
    EXPECT_EQ(plc::GetUInt16(block[0].bytes.data() + 4) & online::kControlCHN, online::kControlCHN);
    const std::int16_t expected[7] = {500, 2000, 123, 5, 150, 225, 10000};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(plc::GetInt16(block[0].bytes.data() + 10 + 2 * i), expected[i]) << i;
    EXPECT_TRUE(said("use-vals=on")) << "enabled again once written";
    ASSERT_TRUE(run("1 save-vals\n2 setpoint 2*(10+5)\n")) << err.str();
    IniFile file(ControllerFilePath(project.string(), "PLC1"));
    for (const auto& [key, value] : {std::pair{"PBnd", 500}, {"DGap", 225}})
        EXPECT_EQ(file.readInteger("Regulator Boiler", key, -1), value) << key;
    EXPECT_TRUE(said("W1Edit1=30.00%")) << out.str();
}

TEST_F(ScriptedSession, PidmaParametersSetpointModeAndTunerCommands) {
    open("Dryer");
    ASSERT_TRUE(
        run("1 page graph\n1 use-vals k=2.5 ti=30 td=0 nd=10 b=1 c=0 tt=5\n2 setpoint 45+5\n3 mode man\n"
            "4 tune\n9 params\n10 save-vals\n"))
        << err.str();
    const auto w = writes();
    ASSERT_FALSE(w.empty());
    // CHANGED (one byte, 1), then k … tt: 2.5, 30, 0, 10, 1, 0, 5.
    ASSERT_EQ(w[0].bytes.size(), 37u);
    EXPECT_EQ(std::tie(w[0].bytes[3], w[0].bytes[4], w[0].bytes[8]), std::make_tuple(1, 1, 28));
    const float block[7] = {2.5f, 30, 0, 10, 1, 0, 5};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(plc::GetReal(w[0].bytes.data() + 9 + 4 * i), block[i]) << i;
    EXPECT_FLOAT_EQ(plc::GetReal(at(ItemRole::Sp)), 50.0f);
    EXPECT_EQ(*at(ItemRole::Man), 1);
    EXPECT_TRUE(said("lamp=")) << out.str();
    EXPECT_TRUE(said("message: Information: Parameters suggested by tuner:")) << out.str();
    EXPECT_EQ(IniFile(ControllerFilePath(project.string(), "PLC1")).readString("Regulator Dryer", "tt", ""),
              "5");
    // A failed write is not repeated and opens no message box (the comm log has
    // it); a view action after close stops the run at its line.
    ASSERT_TRUE(run("1 fail-request -2147467259 write\n1 setpoint 10\n3 answer no\n"));
    EXPECT_FALSE(said("Write of new values failed.")) << out.str();
    EXPECT_FALSE(run("1 close\n2 tune\n"));
    EXPECT_NE(err.str().find("s.txt:2: the view of Dryer is closed"), std::string::npos) << err.str();
}

TEST_F(ScriptedSession, WizardPagesWriteAndReadTheRunningPlcThroughTheView) {
    wizard::WizardContext context;
    open("Boiler", &context);
    softplc::SoftPlc& plc = session->soft().plc();
    const std::int16_t control = *plc.readInt16("Boiler_Control");
    ASSERT_TRUE(wizard::WriteSetpointToPlc(context, {wizard::SetpointChoice::Ramp, 42}));
    EXPECT_EQ(plc.readInt16("Boiler_TiW"), 42);
    EXPECT_EQ(*plc.readInt16("Boiler_Control"), control | wizard::kRampControlBit);
    plc.writeInt16("Boiler_TiW", 17);
    const auto back = wizard::ReadSetpointFromPlc(context);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tie(back->tiW, back->choice), std::make_tuple(17, wizard::SetpointChoice::Ramp));
    // Unreachable: the page writes nothing and its read fails (the page then shows 3465).
    session->soft().loseConnection(true);
    EXPECT_TRUE(wizard::WriteSetpointToPlc(context, {wizard::SetpointChoice::Filter, 5}));
    EXPECT_EQ(plc.readInt16("Boiler_TiW"), 17);
    EXPECT_FALSE(wizard::ReadSetpointFromPlc(context));
    session->soft().regainConnection(), session->advance(200);
    EXPECT_TRUE(wizard::ReadSetpointFromPlc(context)) << "back once the loop runs again";
}

TEST_F(ScriptedSession, PidmaPageWritesItsParametersIntoTheRunningPlc) {
    wizard::WizardContext context;
    open("Dryer", &context);
    const auto read = wizard::ReadPidmaControllerFromPlc(context, wizard::PidmaController{}, '.');
    ASSERT_TRUE(read);
    wizard::PidmaController changed = *read;
    changed.values[0] = "3.5";  // k
    changed.values[9] = "1";    // Ts
    ASSERT_TRUE(wizard::WritePidmaControllerToPlc(context, changed));
    EXPECT_FLOAT_EQ(*session->soft().plc().readFloat("Dryer_k"), 3.5f);
}

}  // namespace
}  // namespace velmora
