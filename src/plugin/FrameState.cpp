#include "plugin/FrameState.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "base/Help.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Texts.h"
#include "base/com/ComObject.h"
#include "base/com/TaskString.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "online/ExchangeSettings.h"
#include "plugin/HostServices.h"

namespace velmora {

namespace {

// The help entry's click handler. It outlives the frame when the host still
// holds it, so the frame detaches it on destruction.
class HelpClickHandler final : public com::ComObject<HelpClickHandler, IYantClickHandler> {
public:
    explicit HelpClickHandler(TFormReg1* frame) : frame_(frame) {}
    void detach() { frame_ = nullptr; }

    HRESULT VELMORA_COM_CALL OnClick() override {
        try {
            if (frame_) frame_->helpClick();
            return S_OK;
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    TFormReg1* frame_;
};

// Timers that tick only when driven, for a toolkit without timers.
class ManualTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override { return std::make_unique<ManualTimer>(); }
};

}  // namespace

// The host's PLC state for the exchanges: no PLC control, no PLC.
class TFormReg1::HostPlcControl : public online::PlcControl {
public:
    explicit HostPlcControl(const HostLink& host) : host_(host) {}
    int plcState() const override {
        std::int32_t state = online::kPlcStateNotConnected;
        if (!host_.plcControl || FAILED(host_.plcControl->GetPlcState(&state)))
            return online::kPlcStateNotConnected;
        return state;
    }

private:
    const HostLink& host_;
};

// The host's texts of communication error codes, for the comm log.
class TFormReg1::HostErrorTexts : public online::PlcErrorDescriber {
public:
    explicit HostErrorTexts(const HostLink& host) : host_(host) {}
    std::string describe(std::int32_t code) const override {
        char* text = nullptr;
        if (!host_.connectedPlc || FAILED(host_.connectedPlc->GetErrorText(code, &text)) || !text) {
            CoTaskMemFree(text);
            char fallback[32];
            std::snprintf(fallback, sizeof fallback, "Error 0x%08X", static_cast<unsigned>(code));
            return fallback;
        }
        return com::TakeTaskString(text);
    }

private:
    const HostLink& host_;
};

online::OnlineEnvironment TFormReg1::onlineEnvironment() {
    online::OnlineEnvironment env;
    env.messages = toolkit().messages;
    env.clock = toolkit().clock;
    env.plc = plcControl_.get();
    env.errors = errorTexts_.get();
    env.log = &commLog_;
    env.lookup = [this](const std::string& name) -> std::optional<std::string> {
        auto variables = com::Query<IYantVariables>(host_.registerCentre.get());
        if (!variables) return std::nullopt;
        char* text = nullptr;
        if (variables->TranslateSymbol(name.c_str(), &text) != S_OK || !text) {
            CoTaskMemFree(text);
            return std::nullopt;
        }
        return com::TakeTaskString(text);
    };
    env.programChanged = [this] { return generated && !compileWarningGiven; };
    env.buttonPressed = [this](bool wantsOn) { commOnResume = wantsOn; };
    env.loadSettings = [this](const std::string& name) {
        IniFile file(controllerFilePath());
        return online::ReadExchangeSettings(file, name);
    };
    return env;
}

TFormReg1::TFormReg1(void* owner, const HostLink& host, FrontEnd& frontEnd)
    : owner_(owner), host_(host), frontEnd_(frontEnd), generator_(&GenerateWithHost) {
    Log("MainFormCreated");
    plcControl_ = std::make_unique<HostPlcControl>(host_);
    errorTexts_ = std::make_unique<HostErrorTexts>(host_);
    TimerFactory* timers = toolkit().timers;
    if (!timers) {
        ownTimers_ = std::make_unique<ManualTimers>();
        timers = ownTimers_.get();
    }
    online_ = std::make_unique<online::OnlineSession>(onlineEnvironment(), *timers);
    helpHandler_ = com::ComPtr<IYantClickHandler>::share(new HelpClickHandler(this));
}

TFormReg1::~TFormReg1() {
    online_->stopTimers();
    static_cast<HelpClickHandler*>(helpHandler_.get())->detach();
    if (helpEntry) {
        // The entry is the plug-in's own: it leaves the host's menu with the frame.
        helpEntry->SetClickHandler(nullptr);
        com::ComPtr<IYantMenuItem> parent;
        if (SUCCEEDED(helpEntry->GetParent(parent.put())) && parent) parent->Remove(helpEntry.get());
    }
    helpEntry.reset();
    pluginsHelpEntry.reset();
    const auto views = views_;
    for (OnlineViewForm* view : views) view->destroy();
    views_.clear();
    manager_.reset();
    controllerFile_.reset();
    online_.reset();
    Log("MainFormDestroy");
}

std::string TFormReg1::projectDirectory() const {
    if (!host_.projectManager) return {};
    com::TaskStringOut dir;
    if (FAILED(host_.projectManager->GetProjectDirectory(dir.put()))) return {};
    return dir.str();
}

std::string TFormReg1::plcName() const {
    if (!host_.projectManager || plcClosed_) return {};
    com::TaskStringOut name;
    if (FAILED(host_.projectManager->GetCurrentPlcName(name.put()))) return {};
    return name.str();
}

bool TFormReg1::ensureProjectFolder() {
    const std::string dir = projectDirectory();
    if (!dir.empty()) {
        const auto folder = HostPath(dir + "Velmora");
        std::error_code ec;
        if (!std::filesystem::exists(folder, ec)) std::filesystem::create_directories(folder, ec);
    }
    return true;
}

std::string TFormReg1::controllerFileHostPath() const {
    return projectDirectory() + ControllerFileHostName(plcName());
}

std::filesystem::path TFormReg1::controllerFilePath() const {
    return HostPath(controllerFileHostPath());
}

IniFile& TFormReg1::openControllerFile() {
    ensureProjectFolder();
    const auto path = controllerFilePath();
    controllerFile_ = std::make_unique<IniFile>(path, ProjectFolderOf(path));
    return *controllerFile_;
}

void TFormReg1::releaseControllerFile() {
    controllerFile_.reset();
}

void TFormReg1::setLanguage(int number) {
    if (number == language_) return;
    ModuleTexts().chooseLanguage(number);
    language_ = number;
}

void TFormReg1::generate(std::string_view controllerName) {
    ensureProjectFolder();
    const auto path = controllerFilePath();
    IniFile file(path, ProjectFolderOf(path));
    if (generator_) generator_(*this, file, controllerName);
}

com::ComPtr<IYantWindows> TFormReg1::windows() const {
    return com::Query<IYantWindows>(host_.registerCentre.get());
}

void TFormReg1::showManager() {
    if (!manager_) {
        manager_ = frontEnd_.forms().createControllerManager(owner_, *this);
        void* form = manager_->handle();
        Log("InsertDockableForm");
        if (host_.ide) {
            host_.ide->InsertDockableForm(form);
            host_.ide->SetFormImage(form, imageIndex);
        }
        if (auto w = windows()) w->PutIntoDockArea(form, 2);
    }
    if (host_.ide)
        host_.ide->ShowDockableForm(manager_->handle());
    else
        manager_->show();
}

OnlineViewForm* TFormReg1::createView(const std::string& controllerName) {
    viewsFile_ = controllerFileHostPath();
    OnlineViewForm* view = frontEnd_.forms().createOnlineView(owner_, *this, controllerName);
    views_.push_back(view);
    view->setCaption(std::string("Velmora") + " - " + controllerName);
    return view;
}

bool TFormReg1::openOnlineView(const std::string& controllerName) {
    ensureProjectFolder();
    IniFile file(controllerFilePath());
    if (SectionReader(file, ControllerSection(controllerName), Reader::Lists).text(key::Name).empty()) {
        if (toolkit().messages)
            toolkit().messages->show(Text(3019), Text(3023), MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    currentController = controllerName;
    for (OnlineViewForm* view : views_) {
        if (view->controllerName() == currentController && !view->closing()) {
            if (host_.ide) host_.ide->ShowDockableForm(view->handle());
            return true;
        }
    }
    OnlineViewForm* view = createView(controllerName);
    void* form = view->handle();
    Log("InsertDockableForm - FormVisual1");
    if (host_.ide) {
        host_.ide->InsertDockableForm(form);
        host_.ide->SetFormImage(form, imageIndex);
        host_.ide->SetSecondDockFlag(form, VARIANT_FALSE);
        host_.ide->ShowDockableForm(form);
    } else {
        view->show();
    }
    view->selectTab(0);
    if (auto w = windows()) w->PutIntoDockArea(form, 1);
    return true;
}

void TFormReg1::localize() {
    Log("Localize - FormRegMngr");
    if (manager_) manager_->localize();
    Log("Localize - pForm");
    Log("MyWindowList->Count" + std::to_string(views_.size()));
    for (std::size_t i = 0; i < views_.size(); ++i) {
        const std::string n = std::to_string(i);
        Log("Localize - pForm" + n);
        Log("Dynamic_cast - pForm" + n);
        views_[i]->localize();
        Log("Localized - pForm" + n);
    }
    if (report) report->localize();
}

void TFormReg1::helpClick() {
    ShowHelp(frontEnd_.helpViewer(), language_, "Velmora", "", "");
}

void TFormReg1::forgetView(OnlineViewForm* view) {
    std::erase(views_, view);
}

void TFormReg1::plcChanged(bool opened) {
    plcClosed_ = !opened;
    const std::string file = plcName().empty() ? std::string() : controllerFileHostPath();
    const auto views = views_;
    if (file != viewsFile_)
        for (OnlineViewForm* view : views) view->close();
    viewsFile_ = file;
    if (manager_) manager_->refresh();
}

std::vector<std::string> SplitCommaText(std::string_view text) {
    std::vector<std::string> items;
    std::size_t p = 0;
    const auto blank = [&](std::size_t i) {
        return i < text.size() && text[i] != '\0' && static_cast<unsigned char>(text[i]) <= ' ';
    };
    while (blank(p)) ++p;
    while (p < text.size()) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < text.size()) {
                if (text[p] == '"') {
                    if (p + 1 < text.size() && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t from = p;
            while (p < text.size() && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',') ++p;
            item.assign(text.substr(from, p - from));
        }
        items.push_back(std::move(item));
        while (blank(p)) ++p;
        if (p < text.size() && text[p] == ',') {
            do ++p;
            while (blank(p));
        }
    }
    return items;
}

}  // namespace velmora
