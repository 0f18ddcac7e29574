#pragma once
// An online session wired to a soft PLC that loaded a project.
#include <gtest/gtest.h>

#include <memory>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"
#include "softplc/SoftPlc.h"
#include "softplc/SoftPlcCommLoop.h"
#include "support/Online.h"

namespace velmora::online::testing {

class PlcExchange : public ::testing::Test {
protected:
    // Loads the project's PLC1 into the soft PLC and points the session at it.
    void connect(const std::filesystem::path& project) {
        ASSERT_TRUE(plc.loadProject(project, "PLC1"));
        ASSERT_TRUE(plc.symbols().problems().empty()) << plc.symbols().problems().front();
        controllers = std::make_unique<IniFile>(project / "Velmora" / "PLC1.rglx");
        auto& env = fixture.session->environment();
        env.plc = &plc;
        env.errors = &plc;
        env.lookup = [this](const std::string& name) { return plc.lookup(name); };
        env.loadSettings = [this](const std::string& name) {
            return ReadExchangeSettings(*controllers, name);
        };
        session() = fixture.session.get();
        loop.registerCallback(&Callback);
        loop.hardOff = [this](std::uint16_t a) { fixture.session->HardOff(a); };
        loop.softOff = [this](std::uint16_t a) { fixture.session->SoftOff(a); };
    }
    void TearDown() override { session() = nullptr; }
    int at(const std::string& symbol) const {
        const auto where = plc.symbols().locate(symbol);
        EXPECT_TRUE(where) << symbol;
        return where ? where->offset : -1;
    }
    // The write requests of one pass for the views.
    std::vector<softplc::ReceivedRequest> writesOfOnePass() {
        for (auto* v : fixture.session->views()) v->commTick();
        plc.clearHistory();
        loop.pass();
        std::vector<softplc::ReceivedRequest> writes;
        for (const auto& r : plc.history())
            if (r.command == kPlcWrite) writes.push_back(r);
        return writes;
    }
    static std::vector<std::uint8_t> Ints(std::initializer_list<int> values) {
        std::vector<std::uint8_t> bytes;
        for (int v : values) plc::AppendInt16(bytes, static_cast<std::int16_t>(v));
        return bytes;
    }
    static std::vector<std::uint8_t> Reals(std::initializer_list<float> values) {
        std::vector<std::uint8_t> bytes;
        for (float v : values) plc::AppendReal(bytes, v);
        return bytes;
    }
    static softplc::ReceivedItem Item(int offset, std::vector<std::uint8_t> data) {
        const int count = static_cast<int>(data.size());
        return {3, offset, std::move(data), count};
    }
    using Items = std::vector<softplc::ReceivedItem>;
    SessionFixture fixture;
    softplc::SoftPlc plc;
    softplc::SoftPlcCommLoop loop{plc};
    std::unique_ptr<IniFile> controllers;

private:
    // The loop calls a plain function: it reaches the session of the running test.
    static OnlineSession*& session() {
        static OnlineSession* current = nullptr;
        return current;
    }
    static void Callback(PlcRequestFunction request, std::intptr_t, std::intptr_t, std::uint32_t status) {
        if (session()) session()->CommLoopCallback(request, status);
    }
};

}  // namespace velmora::online::testing
