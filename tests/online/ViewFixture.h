#pragma once
// The online view's host as the tests play it: the session and the controller
// file of the exchange fixture, the schema targets it was asked to open.
#include <functional>
#include <vector>

#include "ExchangeFixture.h"
#include "online/FormVisual1.h"
#include "support/UiApp.h"

namespace velmora::online::testing {

struct Host : VisualHost {
    OnlineSession* s = nullptr;
    std::filesystem::path file;
    ScriptedMessages* shown = nullptr;
    std::vector<SchemaTarget> opened;
    std::function<bool()> onOpen;
    int destroyed = 0;
    OnlineSession& session() override { return *s; }
    std::filesystem::path controllerFile() override { return file; }
    MessageBoxes* messages() override { return shown; }
    char decimalSeparator() override { return ','; }
    bool openTarget(SchemaTarget target, const std::string&) override {
        opened.push_back(target);
        return onOpen ? onOpen() : false;
    }
    bool openVariablePage(VariablePage, const std::string&) override { return false; }
    std::vector<std::pair<bool, int>> proposedSetpoints;  // ramp, TiW
    bool openSetpointPage(const std::string&, bool ramp, int tiW) override {
        opened.push_back(SchemaTarget::Setpoint);
        proposedSetpoints.emplace_back(ramp, tiW);
        return onOpen ? onOpen() : false;
    }
    void showHelp() override {}
    void communicationChanged() override {}
    void removeFromDesktop(QWidget*) override {}
    void viewDestroyed() override { ++destroyed; }
};

struct ViewFixture : velmora::testing::WithUiApp, ExchangeFixture, ::testing::Test {
    velmora::testing::TempDir dir;
    Host host;
    ViewFixture() {
        host.s = session.get();
        host.file = dir / "PLC1.rglx";
        host.shown = &messages;
    }
};

}  // namespace velmora::online::testing
