// The events the host raises in its plug-ins: the project and its PLCs,
// the desktop, the project tree and its documents, actions and language.
#include "host/HostIde.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/AtomicFile.h"
#include "host/HostConnectionPoint.h"

namespace velmora::host {

// ---- Events ----

void HostIde::loadProject() {
    note("event: load project");
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnLoadProject(0); });
}

void HostIde::saveProject() {
    note("event: save project");
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnSaveProject(0); });
}

bool HostIde::openPlc(const std::string& name) {
    const PlcDescription* plc = project_.findPlc(name);
    if (!plc) return false;
    plc_ = plc->name;
    note("event: open PLC " + plc_);
    const std::int32_t type = plc->type, series = plc->series;
    raise<IYantCpmEvents>([&](IYantCpmEvents* s, DWORD) { return s->OnPlcType(type, series, 0); });
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnOpenControler(0, 0); });
    if (symbolsChanged) symbolsChanged();
    return true;
}

void HostIde::closePlc() {
    if (plc_.empty()) return;
    note("event: close PLC " + plc_);
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnSaveControler(0); });
    raise<IYantProjectEvents>([](IYantProjectEvents* s, DWORD) { return s->OnCloseControler(); });
    plc_.clear();
}

void HostIde::loadDesktop() {
    note("event: load desktop");
    auto* storage = static_cast<IYantOptionsStorageStreams*>(this);
    raise<IYantDesktopEvents>([&](IYantDesktopEvents* s, DWORD) { return s->LoadDesktop(storage); });
}

void HostIde::saveDesktop() {
    note("event: save desktop");
    auto* storage = static_cast<IYantOptionsStorageStreams*>(this);
    raise<IYantDesktopEvents>([&](IYantDesktopEvents* s, DWORD) { return s->SaveDesktop(storage); });
}

void HostIde::fillTree() {
    note("event: fill tree");
    raise<IPrjMngrTreeEvents>([](IPrjMngrTreeEvents* s, DWORD cookie) { return s->OnFillTree(cookie, 0); });
}

bool HostIde::openDocument(std::int32_t documentId) {
    for (auto& doc : documents_) {
        if (doc.id != documentId) continue;
        doc.open = true;
        const DWORD cookie = doc.cookie;
        note("event: open document " + doc.title);
        raise<IPrjMngrTreeEvents>([&](IPrjMngrTreeEvents* s, DWORD) { return s->OnDocumentOpen(cookie); });
        return true;
    }
    return false;
}

void HostIde::closeDocument(std::int32_t documentId) {
    for (auto& doc : documents_) {
        if (doc.id != documentId || !doc.open) continue;
        doc.open = false;
        const DWORD cookie = doc.cookie;
        raise<IPrjMngrTreeEvents>([&](IPrjMngrTreeEvents* s, DWORD) { return s->OnDocumentClose(cookie); });
    }
}

bool HostIde::executeAction(std::int32_t actionId) {
    for (auto& action : actions_) {
        if (action.id != actionId || !action.sink) continue;
        note("event: action " + action.caption);
        com::ComPtr<IYantMenuEvents> sink;
        if (SUCCEEDED(action.sink->QueryInterface(IYantMenuEvents::iid, sink.putVoid())) && sink)
            sink->OnMenuActionExecute(actionId);
        return true;
    }
    return false;
}

void HostIde::changeLanguage(std::int32_t code) {
    note("event: language " + std::to_string(code));
    raise<IYantProjectEvents>([&](IYantProjectEvents* s, DWORD) { return s->OnLanguageChange(code, 0); });
    // The tree is built anew in the new language: the plug-ins add their nodes again.
    while (tree_.size() > project_.plcs.size() + 2) tree_.pop_back();
    fillTree();
}

std::string HostIde::collectFileList(const std::filesystem::path& listFile) {
    std::string list;
    for (const auto& file : project_.files) list += file + "\n";
    if (auto result = WriteFileAtomically(listFile, list, WriteOptions{.sync = false}); !result)
        throw std::runtime_error(result.message());
    const std::string path = listFile.string();
    for (const auto& plc : project_.plcs) {
        YantFileListRecord record{0x102, plc.name.c_str(), path.c_str()};
        raise<IYantProjectEvents>([&](IYantProjectEvents* s, DWORD) {
            std::int32_t result = 0;
            return s->OnProjectFileList(0x100, 0x12, &record, &result);
        });
    }
    std::ifstream in(listFile);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void HostIde::forgetPlugin(IUnknown* identity) {
    for (auto& action : actions_) {
        if (!action.sink) continue;
        com::ComPtr<IUnknown> other;
        action.sink->QueryInterface(com::kIidUnknown, other.putVoid());
        if (other.get() == identity) action.sink.reset();
    }
    std::erase_if(documents_, [&](const Document& doc) {
        for (auto [cookie, sink] : point(IPrjMngrTreeEvents::iid).sinks())
            if (cookie == doc.cookie) return false;
        return true;
    });
}

}  // namespace velmora::host
