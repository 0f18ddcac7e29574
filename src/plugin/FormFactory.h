#pragma once
// The windows the frame creates, seen from the frame: small interfaces that
// the Qt forms implement and that a headless implementation records. The
// frame never looks at a window itself; it hands handle() to the host.
#include <cstdint>
#include <memory>
#include <string>

#include "base/Help.h"
#include "base/Toolkit.h"

namespace velmora {

class TFormReg1;

struct FormBounds {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const FormBounds&) const = default;
};

// A window the host docks into its desktop.
class DockableForm {
public:
    virtual ~DockableForm() = default;
    // What crosses to the host (IOrvaneIDE, IYantWindows): the toolkit's window object.
    virtual void* handle() = 0;
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
    virtual FormBounds bounds() const = 0;
    virtual void setBounds(const FormBounds& bounds) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Re-reads every text from the loaded text table.
    virtual void localize() = 0;
};

// TFormRegMngr1, the controller manager.
class ControllerManagerForm : public DockableForm {
public:
    // Reloads the list from the open PLC's controller file.
    virtual void refresh() {}
    // The check boxes follow the views' communication.
    virtual void updateChecks() {}
};

// TFormVisual1, the online view of one controller, as the frame's desktop and
// language passes see it. Its exchange with the PLC is an online::OnlineExchange
// on the frame's onlineSession(), which the callback and the timers serve.
// Views belong to their toolkit, not to the frame: a view that is destroyed
// calls TFormReg1::forgetView(this) so that it leaves the frame's list.
class OnlineViewForm : public DockableForm {
public:
    virtual std::string controllerName() const = 0;
    virtual bool graphShown() const = 0;
    // Closed by the user while the communication loop may still use it: hidden
    // and offline, it waits for the loop's closing pass to be destroyed.
    virtual bool closing() const { return false; }
    // Paints the view and opens its trend graph.
    virtual void openGraph() = 0;
    virtual void selectTab(int index) = 0;
    // Closes the view now (its destruction follows).
    virtual void close() = 0;
    // Destroys the view now, without the closing questions (the frame's end).
    virtual void destroy() = 0;
};

// TFormReport1: the report view registered with the host as a project document.
class ReportForm {
public:
    virtual ~ReportForm() = default;
    virtual void* handle() = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Whether the report tab is the shown document (it then rebuilds on demand).
    void setShown(bool shown) { shown_ = shown; }
    bool shown() const { return shown_; }
    virtual void setEditorFont(const std::string& name, int size) = 0;
    // Rebuilds the report text; true also when it is not shown and nothing was done.
    virtual bool buildReport() = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void appendLine(const std::string& line) = 0;
    // Menu captions and, when shown, the report's text in the loaded language.
    virtual void localize() {}

protected:
    bool shown_ = false;
};

// TCompMsgFrm: the progress window of the compile-start pass.
class CompileMessageForm {
public:
    virtual ~CompileMessageForm() = default;
    virtual void setProject(const std::string& plcName) = 0;  // lProjekt
    virtual void setFile(const std::string& fileName) = 0;    // lComp
    virtual void setCounter(const std::string& text) = 0;     // lWarning
    virtual void show() = 0;
    virtual void hide() = 0;
};

class FormFactory {
public:
    virtual ~FormFactory() = default;
    // owner: the component the host's project manager hands out (may be null headless).
    virtual std::unique_ptr<ControllerManagerForm> createControllerManager(void* owner, TFormReg1& frame) = 0;
    virtual std::unique_ptr<ReportForm> createReport(void* owner, TFormReg1& frame) = 0;
    virtual std::unique_ptr<CompileMessageForm> createCompileMessages() = 0;
    // The view belongs to the toolkit (see OnlineViewForm); the frame keeps the pointer.
    virtual OnlineViewForm* createOnlineView(void* owner, TFormReg1& frame,
                                             const std::string& controllerName) = 0;
};

// What the plug-in object runs on: a toolkit and the forms made with it.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    virtual Toolkit& toolkit() = 0;
    virtual FormFactory& forms() = 0;
    virtual HelpViewer helpViewer() = 0;
};

}  // namespace velmora
