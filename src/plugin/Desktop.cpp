// The frame's side of the host's desktop: the controller manager's layout in
// the host's storage, the online views' layout in the "Desktop" section of the
// open PLC's controller file.
#include <charconv>
#include <stdexcept>

#include "base/IniFile.h"
#include "base/Log.h"
#include "controllers/ControllerFile.h"
#include "plugin/FrameState.h"

namespace velmora {

namespace {

constexpr const char* kManagerName = "FormRegMngr1";
constexpr const char* kDesktopSection = "Desktop";

// A whole-text integer, as the stored layout values must be.
int ToInteger(const std::string& text) {
    std::size_t from = 0;
    while (from < text.size() && (text[from] == ' ' || text[from] == '\t')) ++from;
    if (from < text.size() && text[from] == '+') ++from;
    int value = 0;
    const char* first = text.data() + from;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last)
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return value;
}

VARIANT_BOOL Flag(bool value) {
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

void TFormReg1::loadDesktop(IUnknown* storage) {
    if (!manager_) {
        manager_ = frontEnd_.forms().createControllerManager(owner_, *this);
        Log("InsertDockableForm - FormRegMngr1");
        if (host_.ide) {
            void* form = manager_->handle();
            host_.ide->InsertDockableForm(form);
            host_.ide->SetFormImage(form, imageIndex);
            host_.ide->SetSecondDockFlag(form, VARIANT_FALSE);
        }
    }
    if (host_.ide) {
        void* form = manager_->handle();
        if (host_.ide->LoadFormLayout(form, kManagerName, storage) == S_OK) {
            if (auto streams = com::Query<IYantOptionsStorageStreams>(host_.ide.get()))
                host_.ide->LoadFormState(form, storage);
            // Back where the user left it, floating or docked.
            std::int32_t area = 0;
            if (const auto w = windows(); w && SUCCEEDED(w->GetDockArea(form, &area)) && area > 0)
                w->PutIntoDockArea(form, area);
        }
    }

    std::filesystem::path path;
    try {
        ensureProjectFolder();
        path = controllerFilePath();
    } catch (...) {
        // Without a project there is no layout to restore.
    }
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) return;

    IniFile file(path);
    const auto windows = this->windows();
    for (const std::string& line : file.sectionValues(kDesktopSection)) {
        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        const auto items = SplitCommaText(value);
        if (items.size() != 8) continue;
        int v[8];
        try {
            for (int i = 0; i < 8; ++i) v[i] = ToInteger(items[static_cast<std::size_t>(i)]);
        } catch (const std::invalid_argument& e) {
            // A damaged entry costs its own view only.
            Log(std::string("LoadDesktop - Error: ") + e.what());
            continue;
        }

        // The key is the view's caption "Velmora - name"; the name may hold " - " itself.
        const std::size_t dash = key.find(" - ");
        const std::string name = dash == std::string::npos ? key.substr(std::min<std::size_t>(2, key.size()))
                                                           : key.substr(dash + 3);
        currentController = name;
        OnlineViewForm* view = createView(name);
        void* form = view->handle();
        Log("InsertDockableForm - FormVisual1");
        if (host_.ide) {
            host_.ide->InsertDockableForm(form);
            host_.ide->SetFormImage(form, imageIndex);
            host_.ide->SetFirstDockFlag(form, Flag(v[1] != 0));
            host_.ide->SetSecondDockFlag(form, Flag(v[2] != 0));
        }
        view->setBounds({v[3], v[4], v[5], v[6]});
        if (v[7] != 0)
            view->openGraph();
        else
            view->selectTab(0);
        if (windows) windows->PutIntoDockArea(form, v[0]);
        if (host_.ide)
            host_.ide->ShowDockableForm(form);
        else
            view->show();
    }
}

void TFormReg1::saveDesktop(IUnknown* storage) {
    if (manager_) {
        void* form = manager_->handle();
        if (host_.ide) {
            host_.ide->SaveFormLayout(form, kManagerName, storage);
            if (auto streams = com::Query<IYantOptionsStorageStreams>(host_.ide.get()))
                host_.ide->SaveFormState(form, storage);
            host_.ide->SaveDockState(form, storage);
        }
        Log("RemoveDockableForm - FormRegMngr1");
        manager_->hide();
        if (host_.ide) host_.ide->RemoveDockableForm(form);
        manager_.reset();
    }

    auto views = views_;
    const auto closeAll = [&] {
        for (OnlineViewForm* view : views) view->close();
        views.clear();
    };
    if (plcName().empty()) {
        closeAll();
        return;
    }
    ensureProjectFolder();
    const auto path = controllerFilePath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        closeAll();
        return;
    }

    IniFile file(path, ProjectFolderOf(path));
    // A PLC closed without views leaves its file as it was.
    if (views.empty() && file.sectionValues(kDesktopSection).empty()) return;
    IniFile::Batch batch(file);
    file.eraseSection(kDesktopSection);
    const auto windows = this->windows();
    while (!views.empty()) {
        OnlineViewForm* view = views.front();
        if (view->closing()) {
            // The user closed it already: it is not brought back.
            views.erase(views.begin());
            view->close();
            continue;
        }
        void* form = view->handle();
        std::int32_t area = 0;
        VARIANT_BOOL first = VARIANT_FALSE, second = VARIANT_FALSE;
        if (windows) windows->GetDockArea(form, &area);
        if (host_.ide) {
            host_.ide->GetFirstDockFlag(form, &first);
            host_.ide->GetSecondDockFlag(form, &second);
        }
        const FormBounds b = view->bounds();
        const std::string value = std::to_string(area) + "," + (first ? "1" : "0") + "," +
                                  (second ? "1" : "0") + "," + std::to_string(b.left) + "," +
                                  std::to_string(b.top) + "," + std::to_string(b.width) + "," +
                                  std::to_string(b.height) + "," + (view->graphShown() ? "1" : "0");
        file.writeString(kDesktopSection, view->caption(), value);
        views.erase(views.begin());
        view->close();
    }
    batch.commit();
}

}  // namespace velmora
