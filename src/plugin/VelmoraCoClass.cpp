#include "plugin/VelmoraCoClass.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Resources.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "base/com/Guids.h"
#include "base/com/TaskString.h"
#include "codegen/Generator.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "controllers/SectionReader.h"
#include "online/OnlineExchange.h"
#include "plugin/HostServices.h"
#include "plugin/ServerCounts.h"

namespace velmora {

namespace {

// The object whose frame the communication callback serves: the one installed last.
TVelmoraCoClassImpl* commLoopTarget = nullptr;

constexpr HRESULT kResourceNotFound = static_cast<HRESULT>(0x80070716u);

// Runs a handler body so that no exception reaches the host: it becomes the
// thread's error object and a failure result.
template <class Body>
HRESULT Guarded(const IID& iid, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        com::SetComError(com::kClsidVelmoraCoClass, iid, e.what());
    } catch (...) {
        com::SetComError(com::kClsidVelmoraCoClass, iid, "Unknown exception");
    }
    return E_FAIL;
}

// Writes "Name" and "Name - end" around a handler body.
template <class Body>
void Logged(const std::string& name, Body&& body) {
    Log(name);
    body();
    Log(name + " - end");
}

// Handed to every host call that fails inside a step that throws to stop.
void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw std::runtime_error(std::string(what) + " failed");
}

}  // namespace

TVelmoraCoClassImpl::TVelmoraCoClassImpl(std::unique_ptr<FrontEnd> frontEnd)
    : frontEnd_(std::move(frontEnd)) {
    ServerCounts::objectCreated();
}

TVelmoraCoClassImpl::~TVelmoraCoClassImpl() {
    if (commLoopTarget == this) commLoopTarget = nullptr;
    frame_.reset();
    report_.reset();
    ServerCounts::objectDestroyed();
}

HRESULT TVelmoraCoClassImpl::InterfaceSupportsErrorInfo(REFIID iid) {
    void* p = nullptr;
    if (iid == com::kIidSupportErrorInfo || FAILED(QueryInterface(iid, &p))) return S_FALSE;
    Release();
    return S_OK;
}

int TVelmoraCoClassImpl::connectionPointsHeld() const {
    int n = 0;
    for (const auto& p : points_) n += p ? 1 : 0;
    return n;
}

TFormReg1& TVelmoraCoClassImpl::installedFrame() {
    if (!frame_) throw std::logic_error("The plug-in is not installed");
    return *frame_;
}

// ---- IYantPlugin ----

HRESULT TVelmoraCoClassImpl::GetVersion(DWORD* version) {
    if (!version) return E_POINTER;
    *version = kPluginVersion;
    return S_OK;
}

HRESULT TVelmoraCoClassImpl::InstallPlugin(IUnknown* host) {
    return Guarded(IYantPlugin::iid, [&] { return install(host); });
}

HRESULT TVelmoraCoClassImpl::install(IUnknown* host) {
    Log("InstallPlugin ------------------------------------------------");
    if (!host) return E_POINTER;
    if (frame_) return E_UNEXPECTED;

    HRESULT hr = host->QueryInterface(IYantProjectManager::iid, host_.projectManager.putVoid());
    if (FAILED(hr)) {
        if (auto* boxes = frontEnd_->toolkit().messages)
            boxes->show(Text(3019), Text(3020) + " " + std::to_string(hr), MessageIcon::Stop,
                        MessageButtons::Ok);
        return hr;
    }
    if (FAILED(hr = host->QueryInterface(IYantRegisterCentre::iid, host_.registerCentre.putVoid())))
        return hr;
    if (FAILED(hr = host->QueryInterface(IYantMenu::iid, host_.menu.putVoid()))) return hr;
    if (FAILED(hr = host->QueryInterface(IOrvaneCommLoop::iid, host_.commLoop.putVoid()))) return hr;

    if (FAILED(hr = host_.commLoop->RegisterCallback(&CommLoopCallback))) return hr;
    commLoopTarget = this;

    // The host hands its application object over with a reference for the plug-in.
    host->Release();

    void* owner = nullptr;
    if (FAILED(hr = host_.projectManager->GetOwner(&owner))) return hr;
    frame_ = std::make_unique<TFormReg1>(owner, host_, *frontEnd_);
    report_ = frontEnd_->forms().createReport(owner, *frame_);
    frame_->report = report_.get();

    if (FAILED(hr = host_.projectManager->QueryInterface(IOrvaneIDE::iid, host_.ide.putVoid()))) return hr;
    if (FAILED(hr = host_.registerCentre->QueryInterface(IOrvanePlcControl::iid, host_.plcControl.putVoid())))
        return hr;
    // A host without it still works; its error codes are then logged bare.
    host_.registerCentre->QueryInterface(IConnectedPlc::iid, host_.connectedPlc.putVoid());

    if (auto language = com::Query<IYantLanguage>(host_.projectManager.get())) {
        std::int32_t number = 1;
        language->GetLanguage(&number);
        frame_->setLanguage(number);
    }
    // The report was made before the language was known: its menu follows it now.
    if (report_) report_->localize();

    if (FAILED(hr = host_.projectManager->QueryInterface(com::IidOf<IConnectionPointContainer>(),
                                                         container_.putVoid())))
        return hr;
    const IID* found[kPointCount] = {&IYantProjectEvents::iid, &IYantFilesEvents::iid,
                                     &IYantDesktopEvents::iid, &IYantCompilerEvents::iid,
                                     &IYantCpmEvents::iid,     &IOrvaneCommStateEvent::iid,
                                     &IPrjMngrTreeEvents::iid};
    for (int i = 0; i < kPointCount; ++i)
        if (FAILED(hr = container_->FindConnectionPoint(*found[i], points_[i].put()))) return hr;

    {
        com::ComPtr<IUnknown> self;
        QueryInterface(com::kIidUnknown, self.putVoid());
        for (Point p : {kProject, kFiles, kDesktop, kCpm, kCommState, kTree, kCompiler})
            if (FAILED(hr = points_[p]->Advise(self.get(), &cookies_[p]))) return hr;
    }

    const auto bitmap = FindResource("BM_REGULATORY");
    if (!bitmap) return kResourceNotFound;
    std::int32_t image = 0;
    if (FAILED(hr = host_.menu->AddImage(bitmap->data(), static_cast<std::int32_t>(bitmap->size()), &image)))
        return hr;
    frame_->imageIndex = image;

    {
        com::ComPtr<IUnknown> self;
        QueryInterface(com::kIidUnknown, self.putVoid());
        if (FAILED(hr = host_.menu->RegisterAction("Velmora", "Velmora", 0, frame_->imageIndex, self.get(),
                                                   VARIANT_FALSE, &actionId_)))
            return hr;
    }

    if (FAILED(hr = host_.menu->CreateToolBarControl(actionId_, 3, VARIANT_FALSE, toolsEntry_.put())))
        return hr;
    if (FAILED(hr = host_.menu->CreateMenuItem(actionId_, 8, 0, VARIANT_FALSE, menuEntry_.put()))) return hr;
    if (toolsEntry_) toolsEntry_->SetEnabled(VARIANT_FALSE);
    if (menuEntry_) menuEntry_->SetEnabled(VARIANT_FALSE);

    try {
        installHelpEntry();
    } catch (...) {
        // A help menu the plug-in cannot use costs the user only the help entry.
    }

    if (FAILED(hr = host_.projectManager->AddProjectDocument(report_->handle(), cookies_[kTree],
                                                             OwnText("Controller Report").c_str(),
                                                             &reportDocumentId_)))
        return hr;

    Log("InstallPlugin - end");
    return S_OK;
}

void TVelmoraCoClassImpl::installHelpEntry() {
    TFormReg1& frame = *frame_;
    IYantMenu& menu = *host_.menu.get();
    const std::string sharedName = "miPluginsHelpIn_miHelp";

    com::ComPtr<IYantMenuItem> entry;
    Check(menu.GetMenuItem(9, "VelmoraHELP", entry.put()), "The help entry");
    if (!entry) throw std::runtime_error("No help entry");
    frame.helpEntry = entry;

    com::ComPtr<IYantMenuItem> parent;
    Check(entry->GetParent(parent.put()), "The help menu");
    if (!parent) throw std::runtime_error("No help menu");

    com::ComPtr<IYantMenuItem> shared;
    std::int32_t count = 0;
    Check(parent->GetCount(&count), "The help menu's items");
    for (std::int32_t i = 0; i < count && !shared; ++i) {
        com::ComPtr<IYantMenuItem> item;
        if (FAILED(parent->GetItem(i, item.put())) || !item) continue;
        com::TaskStringOut name;
        item->GetName(name.put());
        if (name.str() == sharedName) shared = item;
    }
    if (!shared) {
        Check(menu.GetMenuItem(9, "HELP", shared.put()), "The plug-ins' help menu");
        if (!shared) throw std::runtime_error("No plug-ins' help menu");
        shared->SetName(sharedName.c_str());
        shared->SetCaption(Text(2063).c_str());
        Check(parent->Insert(2, shared.get()), "Placing the plug-ins' help menu");
    }
    frame.pluginsHelpEntry = shared;

    std::int32_t sharedCount = 0;
    shared->GetCount(&sharedCount);
    Check(shared->Insert(sharedCount, entry.get()), "Moving the help entry");
    entry->SetCaption("Velmora");
    entry->SetClickHandler(frame.helpClickHandler());
    entry->SetVisible(VARIANT_TRUE);
    entry->SetEnabled(VARIANT_TRUE);
}

HRESULT TVelmoraCoClassImpl::UninstallPlugin() {
    try {
        Log("UninstallPlugin");
        try {
            uninstall();
        } catch (const std::exception& e) {
            Log(std::string("UninstallPlugin - Error: ") + e.what());
        } catch (...) {
            Log("UninstallPlugin - Error: Unknown exception");
        }
        Log("UninstallPlugin - end");
    } catch (...) {
    }
    return S_OK;
}

void TVelmoraCoClassImpl::uninstall() {
    if (frame_) {
        frame_->SimTimer1().setEnabled(false);
        frame_->CommTimer1().setEnabled(false);
    }
    if (host_.commLoop) {
        host_.commLoop->UnregisterCallback(&CommLoopCallback);
        host_.commLoop.reset();
    }
    if (commLoopTarget == this) commLoopTarget = nullptr;
    host_.plcControl.reset();
    host_.connectedPlc.reset();
    Log("OrvaneIDE");
    host_.ide.reset();
    Log("OrvaneIDE - Release");
    if (host_.menu) {
        Log("ifMenu");
        toolsEntry_.reset();
        menuEntry_.reset();
        host_.menu.reset();
        Log("ifMenu - Release");
    }
    host_.projectManager.reset();
    host_.registerCentre.reset();
    for (Point p : {kProject, kFiles, kDesktop, kCompiler, kCommState, kCpm, kTree}) {
        if (!points_[p]) continue;
        points_[p]->Unadvise(cookies_[p]);
        points_[p].reset();
    }
    container_.reset();
    frame_.reset();
    if (report_) report_->setShown(false);
}

// ---- IYantProjectEvents ----

HRESULT TVelmoraCoClassImpl::OnOpenControler(std::int32_t, std::int32_t) {
    return Guarded(IYantProjectEvents::iid, [&] {
        Logged("OnOpenControler", [&] {
            if (toolsEntry_) toolsEntry_->SetEnabled(VARIANT_TRUE);
            if (menuEntry_) menuEntry_->SetEnabled(VARIANT_TRUE);
            if (frame_) frame_->plcChanged(true);
        });
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnCloseControler() {
    return Guarded(IYantProjectEvents::iid, [&] {
        Logged("OnCloseControler", [&] {
            if (toolsEntry_) toolsEntry_->SetEnabled(VARIANT_FALSE);
            if (menuEntry_) menuEntry_->SetEnabled(VARIANT_FALSE);
            if (frame_) frame_->plcChanged(false);
        });
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnLoadProject(std::int32_t) {
    return Guarded(IYantProjectEvents::iid, [&] {
        Logged("OnLoadProject", [] {});
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnSaveProject(std::int32_t) {
    return Guarded(IYantProjectEvents::iid, [&] {
        Logged("OnSaveProject", [] {});
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnSaveControler(std::int32_t) {
    return Guarded(IYantProjectEvents::iid, [&] {
        Logged("OnSaveControler", [] {});
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnLanguageChange(std::int32_t code, std::int32_t) {
    return Guarded(IYantProjectEvents::iid, [&] {
        const int number = LanguageFromHostCode(code);
        if (frame_) {
            frame_->setLanguage(number);
            frame_->localize();
        } else {
            ModuleTexts().chooseLanguage(number);
        }
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnProjectFileList(std::int32_t event, std::int32_t subCode,
                                               YantFileListRecord* record, std::int32_t* result) {
    return Guarded(IYantProjectEvents::iid, [&] {
        if ((event == 0x100 || event == 0x108) && subCode == 0x12 && record && record->kind == 0x102 &&
            record->fileName) {
            std::string name = record->name ? record->name : "";
            std::string directory;
            if (host_.projectManager) {
                if (name.empty()) {
                    com::TaskStringOut plc;
                    host_.projectManager->GetCurrentPlcName(plc.put());
                    name = plc.str();
                }
                com::TaskStringOut dir;
                host_.projectManager->GetProjectDirectory(dir.put());
                directory = dir.str();
            }
            // The host's list gets our controller file added at its end.
            const auto listFile = HostPath(record->fileName);
            std::string list;
            {
                std::ifstream in(listFile, std::ios::binary);
                list.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            list += directory + ControllerFileHostName(name) + "\n";
            // A list the host could not give us is skipped, as the host expects.
            if (auto written = WriteFileAtomically(listFile, list, WriteOptions{.sync = false}); !written)
                Log(written.message());
        }
        if (result) *result = 0;
        return S_OK;
    });
}

// ---- IYantCompileServices ----

HRESULT TVelmoraCoClassImpl::GetCompileOptions(char** options) {
    if (!options) return E_POINTER;
    *options = com::TaskString("");
    return *options ? S_OK : E_OUTOFMEMORY;
}

// ---- IYantCompilerEvents ----

HRESULT TVelmoraCoClassImpl::OnStartCompiling(VARIANT_BOOL*) {
    return Guarded(IYantCompilerEvents::iid, [&] {
        TFormReg1& frame = installedFrame();
        const std::string plc = frame.plcName();
        frame.ensureProjectFolder();
        const auto path = frame.controllerFilePath();

        frame.generatedCount = 0;
        frame.generateErrors.clear();
        resume_ = true;

        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) return S_OK;
        IniFile file(path, ProjectFolderOf(path));
        if (const std::string error = file.readError(); !error.empty()) {
            // The host compiles anyway; what could not be read is in the log.
            Log("OnStartCompiling - Error: " + error);
            return S_OK;
        }
        if (report_) report_->hide();
        auto window = frontEnd_->forms().createCompileMessages();
        window->setProject(plc);
        window->setCounter("0");
        window->show();
        // The pass runs on the host's thread, as the host's interfaces require: the
        // window repaints and the main window answers while the message loop runs
        // between controllers.
        const auto& processEvents = frontEnd_->toolkit().processEvents;
        int warnings = 0;
        GenerateAllWithHost(frame, file, [&](const PassProgress& step) {
            if (!step.done) {
                window->setFile(std::string(step.controller) + ".orv");
            } else {
                ++frame.generatedCount;
                if (step.warnings != warnings) window->setCounter(std::to_string(warnings = step.warnings));
            }
            if (processEvents) processEvents();
        });
        if (report_) report_->show();
        window->hide();
        // Every controller had its turn; the failed ones are logged and said
        // once, and the host still compiles the others.
        std::string failed;
        for (const auto& e : frame.generateErrors) {
            Log("OnStartCompiling - Error: " + e);
            failed += (failed.empty() ? "" : "\n") + e;
        }
        if (MessageBoxes* m = frontEnd_->toolkit().messages; m && !failed.empty())
            m->show(Text(3019), failed, MessageIcon::Stop, MessageButtons::Ok);
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnEndCompiling(std::int32_t) {
    return Guarded(IYantCompilerEvents::iid, [&] {
        TFormReg1& frame = installedFrame();
        Logged("OnEndCompiling", [&] {
            frame.generated = false;
            if (resume_) {
                const auto views = frame.onlineSession().views();
                for (online::OnlineExchange* view : views) {
                    if (frame.commOnResume)
                        view->KomunikaceButton1Click(false);
                    else
                        view->resumeAfterCompile();
                }
                resume_ = false;
            }
        });
        return S_OK;
    });
}

// ---- IYantDesktopEvents ----

HRESULT TVelmoraCoClassImpl::LoadDesktop(IUnknown* storage) {
    try {
        Log("LoadDesktop");
        try {
            installedFrame().loadDesktop(storage);
        } catch (const std::exception& e) {
            Log(std::string("LoadDesktop - Error: ") + e.what());
        } catch (...) {
            Log("LoadDesktop - Error: Unknown exception");
        }
        Log("LoadDesktop - end");
    } catch (...) {
    }
    return S_OK;
}

HRESULT TVelmoraCoClassImpl::SaveDesktop(IUnknown* storage) {
    return Guarded(IYantDesktopEvents::iid, [&] {
        Logged("SaveDesktop", [&] { installedFrame().saveDesktop(storage); });
        return S_OK;
    });
}

// ---- IYantCpmEvents ----

HRESULT TVelmoraCoClassImpl::OnPlcType(std::int32_t typeIndex, std::int32_t, std::int32_t) {
    return Guarded(IYantCpmEvents::iid, [&] {
        installedFrame().plcTypeIndex = typeIndex;
        return S_OK;
    });
}

// ---- IYantMenuEvents ----

HRESULT TVelmoraCoClassImpl::OnMenuActionExecute(std::int32_t actionId) {
    return Guarded(IYantMenuEvents::iid, [&] {
        Logged("OnMenuActionExecute", [&] {
            if (actionId == actionId_) {
                Log("OnMenuActionExecute - moje akce");
                installedFrame().showManager();
            }
        });
        return S_OK;
    });
}

// ---- IOrvaneCommStateEvent ----

HRESULT TVelmoraCoClassImpl::GetClientName(char** name, std::int32_t* value) {
    if (!name || !value) return E_POINTER;
    *name = com::TaskString("Velmora");
    *value = -1;
    return *name ? S_OK : E_OUTOFMEMORY;
}

HRESULT TVelmoraCoClassImpl::OnSoftOff(VARIANT_BOOL value) {
    return Guarded(IOrvaneCommStateEvent::iid, [&] {
        if (frame_) frame_->onlineSession().SoftOff(static_cast<std::uint16_t>(value));
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnHardOff(VARIANT_BOOL value) {
    return Guarded(IOrvaneCommStateEvent::iid, [&] {
        if (frame_) frame_->onlineSession().HardOff(static_cast<std::uint16_t>(value));
        return S_OK;
    });
}

// ---- IPrjMngrTreeEvents ----

HRESULT TVelmoraCoClassImpl::OnFillTree(DWORD cookie, std::int32_t) {
    return Guarded(IPrjMngrTreeEvents::iid, [&] {
        if (cookie == 0 || !host_.projectManager) return S_OK;
        YantTreeNode node = nullptr;
        host_.projectManager->FindTreeNode("PlcDoc", &node);
        if (!node) return S_OK;
        com::ComPtr<IYantProjectTree> tree;
        host_.projectManager->GetProjectTree(tree.put());
        if (cookie == cookies_[kTree] && tree) {
            YantTreeNode child = nullptr;
            tree->AddChild(node, Text(3440).c_str(), reportDocumentId_, -1, -1, &child);
        }
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnDocumentOpen(DWORD cookie) {
    return Guarded(IPrjMngrTreeEvents::iid, [&] {
        if (cookie != cookies_[kTree] || !report_) return S_OK;
        report_->setShown(true);
        if (auto editor = com::Query<IYantTextEditor>(host_.registerCentre.get())) {
            com::TaskStringOut font;
            std::int32_t size = 0;
            if (SUCCEEDED(editor->GetEditorFont(font.put(), &size))) report_->setEditorFont(font.str(), size);
        }
        report_->show();
        if (!report_->buildReport()) report_->setText(Text(3019));
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::OnDocumentClose(DWORD cookie) {
    return Guarded(IPrjMngrTreeEvents::iid, [&] {
        if (cookie == cookies_[kTree] && report_) report_->setShown(false);
        return S_OK;
    });
}

HRESULT TVelmoraCoClassImpl::GetDocumentView(YantHandle* view) {
    if (!view) return E_POINTER;
    *view = report_ ? report_->handle() : nullptr;
    return S_OK;
}

// ---- The communication loop ----

void CommLoopCallback(PlcRequestFunction request, std::intptr_t, std::intptr_t, std::uint32_t status) {
    try {
        if (commLoopTarget && commLoopTarget->frame())
            commLoopTarget->frame()->onlineSession().CommLoopCallback(request, status);
    } catch (const std::exception& e) {
        CommLog(std::string("CommLoopCallback - Error: ") + e.what());
    } catch (...) {
        CommLog("CommLoopCallback - Error: Unknown exception");
    }
}

}  // namespace velmora
