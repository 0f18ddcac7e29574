#pragma once
// TVelmoraCoClassImpl: the object the IDE creates from the plug-in's class
// factory. It implements the IDE's plug-in and event interfaces; installation
// obtains the IDE's interfaces and creates the frame (TFormReg1), events are
// handled here or passed on to the frame.
#include <memory>
#include <string>

#include "base/com/ComObject.h"
#include "base/com/ComPtr.h"
#include "base/com/HostInterfaces.h"
#include "plugin/FormFactory.h"
#include "plugin/FrameState.h"

namespace velmora {

// 5.0.3.7, as the version query reports it.
inline constexpr DWORD kPluginVersion = 0x05000307;

class TVelmoraCoClassImpl final
    : public com::ComObject<TVelmoraCoClassImpl, IYantPlugin, IYantProjectEvents, IYantDialogs,
                            IYantFilesEvents, IYantWindows, IYantCpm, IYantCompileServices,
                            IYantCompilerEvents, IYantDesktopEvents, IYantCpmEvents, IYantMenuEvents,
                            IVardexVariables, IOrvaneCommStateEvent, IPrjMngrTreeEvents, IOrvanePlcControl,
                            IOrvaneIDE, ISupportErrorInfo> {
public:
    explicit TVelmoraCoClassImpl(std::unique_ptr<FrontEnd> frontEnd);
    ~TVelmoraCoClassImpl();

    // ISupportErrorInfo
    HRESULT VELMORA_COM_CALL InterfaceSupportsErrorInfo(REFIID iid) override;

    // Placeholder operations of every interface: success, nothing done.
    HRESULT VELMORA_COM_CALL Unused3() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused4() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused10() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused11() override { return S_OK; }
    HRESULT VELMORA_COM_CALL Unused12() override { return S_OK; }
    // IYantDialogs: the host's dialog, which the plug-in does not offer itself.
    HRESULT VELMORA_COM_CALL SelectVariable(const char*, char** chosen) override {
        if (chosen) *chosen = nullptr;
        return S_OK;
    }

    // IYantPlugin
    HRESULT VELMORA_COM_CALL GetVersion(DWORD* version) override;
    HRESULT VELMORA_COM_CALL InstallPlugin(IUnknown* host) override;
    HRESULT VELMORA_COM_CALL UninstallPlugin() override;

    // IYantProjectEvents
    HRESULT VELMORA_COM_CALL OnOpenControler(std::int32_t first, std::int32_t second) override;
    HRESULT VELMORA_COM_CALL OnCloseControler() override;
    HRESULT VELMORA_COM_CALL OnLoadProject(std::int32_t value) override;
    HRESULT VELMORA_COM_CALL OnSaveProject(std::int32_t value) override;
    HRESULT VELMORA_COM_CALL OnSaveControler(std::int32_t value) override;
    HRESULT VELMORA_COM_CALL OnLanguageChange(std::int32_t code, std::int32_t value) override;
    HRESULT VELMORA_COM_CALL OnProjectFileList(std::int32_t event, std::int32_t subCode,
                                               YantFileListRecord* record, std::int32_t* result) override;

    // IYantFilesEvents
    HRESULT VELMORA_COM_CALL OnFileOpen(const char*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL OnFileClose(const char*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL OnFileSave(const char*) override { return S_OK; }

    // IYantWindows
    HRESULT VELMORA_COM_CALL PutIntoDockArea(YantHandle, std::int32_t) override { return S_OK; }
    HRESULT VELMORA_COM_CALL GetDockArea(YantHandle, std::int32_t*) override { return S_OK; }

    // IYantCpm
    HRESULT VELMORA_COM_CALL GetPlcType(std::int32_t*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL GetPlcSeries(std::int32_t*) override { return S_OK; }

    // IYantCompileServices
    HRESULT VELMORA_COM_CALL GetCompileOptions(char** options) override;

    // IYantCompilerEvents
    HRESULT VELMORA_COM_CALL OnStartCompiling(VARIANT_BOOL* continueCompiling) override;
    HRESULT VELMORA_COM_CALL OnEndCompiling(std::int32_t result) override;

    // IYantDesktopEvents
    HRESULT VELMORA_COM_CALL LoadDesktop(IUnknown* storage) override;
    HRESULT VELMORA_COM_CALL SaveDesktop(IUnknown* storage) override;

    // IYantCpmEvents
    HRESULT VELMORA_COM_CALL OnPlcType(std::int32_t typeIndex, std::int32_t second,
                                       std::int32_t third) override;

    // IYantMenuEvents
    HRESULT VELMORA_COM_CALL OnMenuActionExecute(std::int32_t actionId) override;

    // IOrvaneCommStateEvent
    HRESULT VELMORA_COM_CALL GetClientName(char** name, std::int32_t* value) override;
    HRESULT VELMORA_COM_CALL OnSoftOff(VARIANT_BOOL value) override;
    HRESULT VELMORA_COM_CALL OnHardOff(VARIANT_BOOL value) override;

    // IPrjMngrTreeEvents
    HRESULT VELMORA_COM_CALL OnFillTree(DWORD cookie, std::int32_t second) override;
    HRESULT VELMORA_COM_CALL OnDocumentOpen(DWORD cookie) override;
    HRESULT VELMORA_COM_CALL OnDocumentClose(DWORD cookie) override;
    HRESULT VELMORA_COM_CALL GetDocumentView(YantHandle* view) override;

    // IOrvanePlcControl
    HRESULT VELMORA_COM_CALL GetPlcState(std::int32_t*) override { return S_OK; }

    // IOrvaneIDE
    HRESULT VELMORA_COM_CALL InsertDockableForm(YantHandle) override { return S_OK; }
    HRESULT VELMORA_COM_CALL RemoveDockableForm(YantHandle) override { return S_OK; }
    HRESULT VELMORA_COM_CALL ShowDockableForm(YantHandle) override { return S_OK; }
    HRESULT VELMORA_COM_CALL GetSecondDockFlag(YantHandle, VARIANT_BOOL*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SetSecondDockFlag(YantHandle, VARIANT_BOOL) override { return S_OK; }
    HRESULT VELMORA_COM_CALL GetFirstDockFlag(YantHandle, VARIANT_BOOL*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SetFirstDockFlag(YantHandle, VARIANT_BOOL) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SetFormImage(YantHandle, std::int32_t) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SaveFormLayout(YantHandle, const char*, IUnknown*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SaveFormState(YantHandle, IUnknown*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL SaveDockState(YantHandle, IUnknown*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL LoadFormLayout(YantHandle, const char*, IUnknown*) override { return S_OK; }
    HRESULT VELMORA_COM_CALL LoadFormState(YantHandle, IUnknown*) override { return S_OK; }

    // ---- What tests and the host's diagnostics look at ----
    TFormReg1* frame() const { return frame_.get(); }
    ReportForm* report() const { return report_.get(); }
    const HostLink& host() const { return host_; }
    std::int32_t actionId() const { return actionId_; }
    DWORD treeCookie() const { return cookies_[kTree]; }
    std::int32_t reportDocumentId() const { return reportDocumentId_; }
    bool resumeAfterCompile() const { return resume_; }
    bool reportShown() const { return report_ && report_->shown(); }
    // Connection points still held (after a full uninstall: none).
    int connectionPointsHeld() const;

private:
    // The seven connection points, in the order they are found.
    enum Point { kProject, kFiles, kDesktop, kCompiler, kCpm, kCommState, kTree, kPointCount };

    TFormReg1& installedFrame();
    HRESULT install(IUnknown* host);
    void installHelpEntry();
    void uninstall();

    std::unique_ptr<FrontEnd> frontEnd_;
    HostLink host_;
    com::ComPtr<IConnectionPointContainer> container_;
    com::ComPtr<IConnectionPoint> points_[kPointCount];
    DWORD cookies_[kPointCount] = {};
    std::int32_t actionId_ = -1;
    com::ComPtr<IYantMenuItem> toolsEntry_;
    com::ComPtr<IYantMenuItem> menuEntry_;
    std::int32_t reportDocumentId_ = 0;
    bool resume_ = false;
    std::unique_ptr<TFormReg1> frame_;
    std::unique_ptr<ReportForm> report_;
};

// The callback registered with the host's communication loop; it serves the
// installed object.
void CommLoopCallback(PlcRequestFunction request, std::intptr_t first, std::intptr_t second,
                      std::uint32_t status);

}  // namespace velmora
