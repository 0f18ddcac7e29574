#pragma once
// The plug-in's frame over the IDE stand-in's host interfaces, on a copy of the demo project.
#include <filesystem>
#include <memory>

#include "host/HostIde.h"
#include "plugin/FrameState.h"
#include "support/Support.h"

namespace velmora::testing {

struct DemoFrame {
    explicit DemoFrame(FrontEnd& frontEnd) {
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo", dir.path() / "demo",
                              std::filesystem::copy_options::recursive);
        ide = std::make_unique<host::HostIde>(dir.path() / "demo");
        link.projectManager = com::ComPtr<IYantProjectManager>::share(ide.get());
        link.registerCentre = com::Query<IYantRegisterCentre>(ide->application());
        link.ide = com::Query<IOrvaneIDE>(ide->application());
        frame = std::make_unique<TFormReg1>(nullptr, link, frontEnd);
    }
    ~DemoFrame() {
        frame.reset();
        link = HostLink();
    }

    TempDir dir;
    std::unique_ptr<host::HostIde> ide;
    HostLink link;
    std::unique_ptr<TFormReg1> frame;
};

}  // namespace velmora::testing
