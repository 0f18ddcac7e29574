// The plug-in object runs in this process (its class factory linked into the
// host) on a headless front end the command can see into: the frame it
// creates and the online views it opens. A module loaded from the registry
// would keep both out of reach.
#include "host/OnlineCommand.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <stdexcept>

#include "host/HostIde.h"
#include "host/HostSoftPlc.h"
#include "online/OnlineValues.h"
#include "online/PlcItem.h"
#include "online/TrendDataFile.h"
#include "online/TrendRecorder.h"
#include "online/TrendSettings.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "base/IniFile.h"
#include "plugin/ClassFactory.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "base/com/Guids.h"
#include "base/Strings.h"
#include "base/Platform.h"

namespace velmora::host {

namespace {

// A headless front end that remembers the frame it serves.
class WatchedFrontEnd : public FrontEnd {
public:
    explicit WatchedFrontEnd(std::ostream& err) : forms_(*this) {
        inner_.onMessage = [&err](const HeadlessFrontEnd::Message& m) {
            err << "Velmora: " << m.caption << ": " << m.text << "\n";
        };
    }
    Toolkit& toolkit() override { return inner_.toolkit(); }
    FormFactory& forms() override { return forms_; }
    HelpViewer helpViewer() override { return inner_.helpViewer(); }

    TFormReg1* frame = nullptr;
    const HeadlessFrontEnd& headless() const { return inner_; }
    void setClock(const Clock* clock) { inner_.setClock(clock); }

private:
    class Forms : public FormFactory {
    public:
        explicit Forms(WatchedFrontEnd& fe) : fe_(fe) {}
        std::unique_ptr<ControllerManagerForm> createControllerManager(void* owner, TFormReg1& frame) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createControllerManager(owner, frame);
        }
        std::unique_ptr<ReportForm> createReport(void* owner, TFormReg1& frame) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createReport(owner, frame);
        }
        std::unique_ptr<CompileMessageForm> createCompileMessages() override {
            return fe_.inner_.forms().createCompileMessages();
        }
        OnlineViewForm* createOnlineView(void* owner, TFormReg1& frame, const std::string& name) override {
            fe_.frame = &frame;
            return fe_.inner_.forms().createOnlineView(owner, frame, name);
        }

    private:
        WatchedFrontEnd& fe_;
    };

    HeadlessFrontEnd inner_;
    Forms forms_;
};

// The passes run back to back; with a recording each pass is one sample
// period later on this clock, as CommTimer1's eight ticks would be.
class PassClock : public Clock {
public:
    LocalTime now() const override {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(at_);
        const std::tm local = LocalCalendar(seconds);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at_.time_since_epoch()).count() % 1000;
        return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms)};
    }
    void advance(int milliseconds) { at_ += std::chrono::milliseconds(milliseconds); }

private:
    std::chrono::system_clock::time_point at_ = std::chrono::system_clock::now();
};

HeadlessOnlineView* FindView(TFormReg1& frame, const std::string& name) {
    for (OnlineViewForm* view : frame.views())
        if (UpperAscii(view->controllerName()) == UpperAscii(name)) return dynamic_cast<HeadlessOnlineView*>(view);
    return nullptr;
}

const char* CommStateName(online::TCommState state) {
    switch (state) {
        case online::TCommState::csNoComm: return "no communication";
        case online::TCommState::csCommErr: return "communication error";
        case online::TCommState::csHALT: return "PLC halted";
        case online::TCommState::csRUN: return "PLC runs";
        case online::TCommState::csERR: return "PLC error";
        case online::TCommState::csRUNn: return "PLC runs, data not valid";
        case online::TCommState::csTrying: return "trying";
        default: return "user text";
    }
}

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

void PrintPercent(std::ostream& out, const char* label, std::optional<double> percent) {
    out << "  " << label << ": " << (percent ? Number(*percent) + " %" : std::string("-")) << "\n";
}

void PrintView(std::ostream& out, HeadlessOnlineView& view) {
    online::OnlineExchange& x = view.exchange();
    out << "View " << x.name() << ": " << (x.online() ? "online" : "offline") << ", communication "
        << CommStateName(view.commState()) << (view.fixed() ? ", PLC fixed" : "") << "\n";
    out << "  missing symbols: " << x.missingSymbols() << "\n";
    if (!x.hasData()) {
        out << "  data: none received\n";
        return;
    }
    out << "  data: received";
    if (const auto t = x.lastDataTime()) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", t->hour, t->minute, t->second);
        out << " (last at " << stamp << ")";
    }
    out << "\n";
    if (x.kind() == online::ControllerKind::PIDMA) {
        const auto& img = x.pidmaImage();
        const auto real = [&](int at) { return static_cast<double>(online::DecodeFloat(img.data() + at)); };
        PrintPercent(out, "measured value (pv)", real(online::tpida::pv));
        PrintPercent(out, "setpoint (sp)", real(online::tpida::sp));
        PrintPercent(out, "output (mv)", real(online::tpida::mv));
        out << "  manual: " << int(img[online::tpida::MAN]) << ", k: " << Number(real(online::tpida::k))
            << ", ti: " << Number(real(online::tpida::ti)) << "\n";
    } else {
        const std::uint8_t* t = x.tpid();
        const auto word = [&](int at) { return online::DecodeInt16(t + at); };
        PrintPercent(out, "measured value (Input1)", online::InputPercent(word(online::tpid::Input1), x.minY(), x.maxY()));
        PrintPercent(out, "setpoint (ConW)", online::InputPercent(word(online::tpid::ConW), x.minY(), x.maxY()));
        PrintPercent(out, "output (Output)", word(online::tpid::Output) / 100.0);
        if (x.settings().cascade)
            PrintPercent(out, "cascade input (Input3)", online::InputPercent(x.input3(), x.minY(), x.maxY()));
        out << "  raw Input1: " << word(online::tpid::Input1) << ", PBnd: " << Number(word(online::tpid::PBnd) / 10.0)
            << " %, Ti: " << Number(word(online::tpid::Ti) / 10.0) << " s\n";
    }
}

// "NAME=VALUE" into the soft PLC, as the symbol's type says.
bool Preset(softplc::SoftPlc& plc, const std::string& assignment, std::ostream& err) {
    const std::size_t eq = assignment.find('=');
    const std::string name = assignment.substr(0, eq);
    const auto where = eq == std::string::npos ? std::nullopt : plc.symbols().locate(name);
    if (!where) {
        err << "velmora-host: --set " << assignment << ": no such symbol in the soft PLC\n";
        return false;
    }
    const std::string text = assignment.substr(eq + 1);
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size()) throw std::invalid_argument(text);
        if (where->type.real) return plc.writeFloat(name, static_cast<float>(value));
        // Integers must fit the symbol: a wider value would be cut to another number.
        const bool byte = where->size == 1;
        if (!(value >= (byte ? 0 : -32768) && value <= (byte ? 255 : 32767))) {
            err << "velmora-host: --set " << assignment << ": out of range for the symbol\n";
            return false;
        }
        if (byte) return plc.write(name, std::vector<std::uint8_t>{static_cast<std::uint8_t>(value)});
        return plc.writeInt16(name, static_cast<std::int16_t>(value));
    } catch (const std::exception&) {
        err << "velmora-host: --set " << assignment << ": not a number\n";
        return false;
    }
}

}  // namespace

int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string projectDir, plcName, controller, recordFile;
    int passes = 8;
    std::vector<std::string> presets;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--project" && hasValue) projectDir = args[++i];
        else if (a == "--plc" && hasValue) plcName = args[++i];
        else if (a == "--controller" && hasValue) controller = args[++i];
        else if (a == "--set" && hasValue) presets.push_back(args[++i]);
        else if (a == "--record" && hasValue) recordFile = args[++i];
        else if (a == "--passes" && hasValue) {
            const std::string& n = args[++i];
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), passes);
            if (ec != std::errc() || end != n.data() + n.size() || passes < 0)
                throw std::invalid_argument("online: --passes takes a count");
        } else
            throw std::invalid_argument("online: unexpected argument " + a);
    }
    if (projectDir.empty() || plcName.empty() || controller.empty())
        throw std::invalid_argument("online needs --project DIR, --plc PLC and --controller NAME");

    if (!IsLegalName(plcName)) {
        err << "velmora-host: the PLC name \"" << PrintableName(plcName) << "\" is not a legal name\n";
        return 1;
    }
    HostIde ide(projectDir);
    bool eventFailed = false;
    ide.trace = [&](const std::string& line) {
        eventFailed = eventFailed || line.rfind("event failed", 0) == 0;
        if (line.rfind("event failed", 0) == 0 ||
            (line.rfind("soft PLC: ", 0) == 0 && line.find(" symbols of ") == std::string::npos))
            err << "velmora-host: " << line << "\n";
    };
    if (!ide.project().findPlc(plcName)) {
        err << "velmora-host: the project has no PLC " << plcName << "\n";
        return 1;
    }
    HostSoftPlc soft(ide);

    WatchedFrontEnd* frontEnd = nullptr;
    PassClock passClock;
    com::ComPtr<IClassFactory> factory;
    HRESULT hr = GetClassObject(com::kClsidVelmoraCoClass, com::kIidClassFactory, factory.putVoid(), [&] {
        auto made = std::make_unique<WatchedFrontEnd>(err);
        if (!recordFile.empty()) made->setClock(&passClock);
        frontEnd = made.get();
        return std::unique_ptr<FrontEnd>(std::move(made));
    });
    com::ComPtr<IYantPlugin> plugin;
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IYantPlugin::iid, plugin.putVoid());
    factory.reset();
    if (FAILED(hr) || !plugin) {
        err << "velmora-host: the plug-in object could not be created\n";
        return 1;
    }
    ide.application()->AddRef();
    if (FAILED(plugin->InstallPlugin(ide.application())) || !frontEnd || !frontEnd->frame) {
        err << "velmora-host: the plug-in could not be installed\n";
        return 1;
    }
    int result = 0;
    {
        TFormReg1& frame = *frontEnd->frame;
        ide.loadProject();
        ide.openPlc(plcName);
        ide.fillTree();
        ide.loadDesktop();
        const bool compiled = ide.compile() && !eventFailed;
        if (!compiled) result = 1;
        out << (compiled ? "Compiled " : "Compilation failed for ") << ide.currentPlc() << ": "
            << soft.plc().symbols().size() << " symbols from " << soft.loadedFiles().size()
            << " declaration files\n";
        for (const auto& preset : presets)
            if (!Preset(soft.plc(), preset, err)) result = 1;

        HeadlessOnlineView* view = nullptr;
        if (result == 0) {
            frame.openOnlineView(controller);
            view = FindView(frame, controller);
            if (!view) {
                err << "velmora-host: no online view of " << controller << " could be opened\n";
                result = 1;
            }
        }
        if (view) {
            auto* commTimer = dynamic_cast<ManualTimer*>(&frame.CommTimer1());
            // The loop reports the connection first, as the IDE's does when it starts.
            soft.pass();
            view->exchange().KomunikaceButton1_Click();
            if (!view->exchange().online()) {
                err << "velmora-host: the view of " << controller << " did not go online\n";
                result = 1;
            }
            // The recording takes the values the view shows, with its buffer length.
            std::optional<online::TrendRecorder> recorder;
            if (!recordFile.empty()) {
                const IniFile file(ControllerFilePath(projectDir, plcName));
                const std::string section = ControllerSection(controller);
                const ControllerKind kind = KindOfType(file.readString(section, "Type", "PID"));
                recorder.emplace(online::ReadTrendSettings(file, section, kind).bufferLength);
            }
            for (int i = 0; i < passes && FindView(frame, controller); ++i) {
                for (int k = 0; k < 8 && commTimer; ++k) commTimer->tick();
                soft.pass();
                if (recorder && (view = FindView(frame, controller))) {
                    recorder->sampleIfNewer(view->exchange().lastDataTime(),
                                            online::ShownChannelTexts(view->exchange(), '.'));
                    passClock.advance(commTimer ? commTimer->interval() * 8 : 1000);
                }
            }
            view = FindView(frame, controller);
            if (recorder) {
                const std::string failed = online::SaveTrendDataFile(recordFile, recorder->buffer());
                if (failed.empty()) {
                    out << "Recorded " << recorder->buffer().count() << " samples to " << recordFile << "\n";
                } else {
                    err << "velmora-host: " << failed << "\n";
                    result = 1;
                }
            }
            if (view) PrintView(out, *view);
            out << "Passes: " << passes << ", PLC state " << soft.plc().plcState() << ", status word 0x" << std::hex
                << soft.status() << std::dec << "\n";
        }
        for (const auto& m : frontEnd->headless().messages())
            if (m.icon == MessageIcon::Stop) result = 1;
        ide.closePlc();
    }
    plugin->UninstallPlugin();
    com::ComPtr<IUnknown> identity;
    plugin->QueryInterface(com::kIidUnknown, identity.putVoid());
    ide.forgetPlugin(identity.get());
    identity.reset();
    plugin.reset();
    return result;
}

}  // namespace velmora::host
