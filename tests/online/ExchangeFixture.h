#pragma once
// A session, one soft PLC as the other end of the request function, and the
// address texts of a PID or PIDMA controller placed at a known register.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "softplc/SoftPlc.h"
#include "support/Online.h"

namespace velmora::online::testing {

struct ExchangeFixture : SessionFixture {
    softplc::SoftPlc plc;
    PlcRequestFunction request = softplc::SoftPlc::requestFunction();
    ExchangeFixture() {
        plc.makeCurrent();
        session->environment().errors = &plc;
        // The process variables the tests' controllers are wired to.
        symbols.insert({{"Temp_In", "INT %R2000"},
                        {"Level_In", "INT %R2002"},
                        {"Pos_In", "REAL %R2004"},
                        {"Valve_Out", "INT %R2010"},
                        {"Valve_Down", "INT %R2012"},
                        {"Disturb", "INT %R2020"},
                        {"Flow_In", "REAL %R2030"},
                        {"Pump_Out", "REAL %R2034"}});
    }
    static std::string At(const char* type, int offset) {
        return std::string(type) + " %R" + std::to_string(offset);
    }
    // A PID controller whose first variable lies at `base`: Input3, Input2 as
    // the controller has them, then T_PID. Returns the structure's offset.
    int addPid(const ExchangeSettings& s, int base) {
        controllers[s.name] = s;
        int at = base;
        if (s.cascade) {
            symbols[s.name + "_Input3"] = At("INT", at);
            at += 2;
        }
        if (s.inputMode > 1) {
            symbols[s.name + "_Input2"] = At("INT", at);
            at += 2;
        }
        const std::string p = s.name + (s.foundStruct ? "_struct~" : "_");
        // The symbols spell tiW and gW as the declarations do.
        for (const auto& m : plc::kPidMembers)
            symbols[p + (m.name == "tiW"  ? "Tiw"
                         : m.name == "gW" ? "Gw"
                                          : std::string(m.name))] =
                At(m.size == 1 ? "BYTE" : "INT", at + m.offset);
        return at;
    }
    // A PIDMA controller with _TPIDA_ at `base`.
    void addPidma(const ExchangeSettings& s, int base) {
        controllers[s.name] = s;
        for (const auto& m : plc::kPidaMembers)
            symbols[s.name + "_" + std::string(m.name)] =
                At(m.type == plc::PidaType::Real ? "REAL" : "BYTE", base + m.offset);
    }
    // A PID controller on Temp_In and Valve_Out unless `s` names others.
    static ExchangeSettings Pid(const std::string& name, ExchangeSettings s = {}) {
        s.name = name;
        if (s.y1Name.empty()) s.y1Name = "Temp_In";
        if (s.upName.empty()) s.upName = "Valve_Out";
        return s;
    }
    static ExchangeSettings Pidma(const std::string& name, ExchangeSettings s = {}) {
        std::tie(s.name, s.kind, s.input, s.output) =
            std::tuple(name, ControllerKind::Pidma, "Flow_In", "Pump_Out");
        return s;
    }
    // Values into the soft PLC's register area.
    void putInt(int at, std::int16_t value) { plc::PutInt16(plc.area(3).data() + at, value); }
    void putReal(int at, float value) { plc::PutReal(plc.area(3).data() + at, value); }
    // What a soft PLC's beforeRequest hook answers: a result code, or nothing to let the request run.
    using Answer = std::optional<std::int32_t>;
    // The view of the test's first controller and its exchange.
    RecordingView view;
    std::unique_ptr<OnlineExchange> r1;
    // A view switched online by hand.
    std::unique_ptr<OnlineExchange> online(const std::string& name, RecordingView* view) {
        auto exchange = std::make_unique<OnlineExchange>(*session, name, view);
        exchange->KomunikaceButton1_Click();
        return exchange;
    }
    // One callback pass for a PLC that runs with valid data.
    static constexpr std::uint32_t kRunning = (1u << 7) | (1u << 16) | (1u << 17) | (1u << 19);
    void exchangeOnce(OnlineExchange& view) {
        view.commTick();  // hands the want-data flag over
        session->CommLoopCallback(request, kRunning);
    }
    bool logged(const std::string& prefix) const {
        return !velmora::testing::LinesStartingWith(log.lines, {prefix}).empty();
    }
    std::vector<softplc::ReceivedRequest> requestsOf(OnlineExchange& view) {
        plc.clearHistory();
        exchangeOnce(view);
        return plc.history();
    }
};

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    return {values.begin(), values.end()};
}

}  // namespace velmora::online::testing
