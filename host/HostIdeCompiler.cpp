// Compiling a PLC and the project's file list the plug-ins extend while
// they generate: saved once when the compilation's start event is over.
#include "host/HostIde.h"

#include <algorithm>

#include "base/Paths.h"
#include "base/Strings.h"
#include "host/HostConnectionPoint.h"
#include "host/HostIdeSupport.h"

namespace velmora::host {

class HostIde::FileListHold {
public:
    explicit FileListHold(HostIde& ide) : ide_(ide) { ++ide_.fileListHolds_; }
    ~FileListHold() {
        if (--ide_.fileListHolds_ > 0) return;
        ide_.flushFileList();
    }
    FileListHold(const FileListHold&) = delete;
    FileListHold& operator=(const FileListHold&) = delete;

private:
    HostIde& ide_;
};

bool HostIde::saveFileList() {
    fileListDirty_ = true;
    return fileListHolds_ > 0 || flushFileList();
}

bool HostIde::flushFileList() {
    if (!fileListDirty_) return true;
    try {
        SaveProjectFiles(project_);
    } catch (const std::exception& e) {
        // Still to be saved: a compilation that registered files fails while the project does not list them.
        note(std::string("error: the project's file list was not saved: ") + e.what());
        return false;
    }
    fileListDirty_ = false;
    return true;
}

// The stand-in compiles nothing itself (its soft PLC compiles the program
// when told its symbols changed): every listed file must be there, a file.
bool HostIde::listedFilesPresent() const {
    bool present = true;
    for (const auto& file : project_.files) {
        std::error_code ec;
        const auto status = std::filesystem::status(HostPath(file, folder_), ec);
        if (std::filesystem::is_regular_file(status)) continue;
        note("error: the project's file " + file +
             (std::filesystem::is_directory(status) ? " is a folder, not a file" : " is missing"));
        present = false;
    }
    return present;
}

bool HostIde::compile() {
    note("event: compile " + plc_);
    VARIANT_BOOL go = VARIANT_TRUE;
    {
        // Saved when the plug-ins are done, or when the event ends by an error.
        FileListHold hold(*this);
        raise<IYantCompilerEvents>([&](IYantCompilerEvents* s, DWORD) { return s->OnStartCompiling(&go); });
    }
    const bool listSaved = !fileListDirty_;
    const bool filesPresent = !go || listedFilesPresent();
    if (go && symbolsChanged) symbolsChanged();
    const std::int32_t result = listSaved && filesPresent ? 0 : 1;
    raise<IYantCompilerEvents>([&](IYantCompilerEvents* s, DWORD) { return s->OnEndCompiling(result); });
    return go != 0 && listSaved && filesPresent;
}

// ---- IYantProject ----

HRESULT HostIde::GetFileList(char** files) {
    if (const HRESULT f = injected("GetFileList"); FAILED(f)) return f;
    std::string text;
    for (const auto& f : project_.files) text += f + "\n";
    return Give(text, files);
}

HRESULT HostIde::AddFile(const char* fullPath, std::int32_t kind, const char* text, std::int32_t* handle) {
    if (const HRESULT f = injected("AddFile"); FAILED(f)) return f;
    if (!fullPath || !handle) return E_POINTER;
    const auto path = HostPath(fullPath).lexically_normal();
    const auto relative = path.lexically_relative(folder_.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return E_INVALIDARG;
    const std::string name = HostName(relative);
    auto it = std::find_if(project_.files.begin(), project_.files.end(),
                           [&](const std::string& f) { return EqualNoCase(f, name); });
    if (it == project_.files.end()) {
        project_.files.push_back(name);
        if (!saveFileList()) return E_FAIL;
        it = project_.files.end() - 1;
    }
    if (std::find(registered_.begin(), registered_.end(), *it) == registered_.end())
        registered_.push_back(*it);
    note("file " + name + " (kind " + std::to_string(kind) + (text && *text ? ", " + Str(text) : "") + ")");
    *handle = static_cast<std::int32_t>(it - project_.files.begin()) + 1;
    return S_OK;
}

HRESULT HostIde::RemoveFile(std::int32_t listIndex) {
    if (const HRESULT f = injected("RemoveFile"); FAILED(f)) return f;
    if (listIndex < 0 || listIndex >= static_cast<std::int32_t>(project_.files.size())) return E_INVALIDARG;
    note("file removed " + project_.files[static_cast<std::size_t>(listIndex)]);
    project_.files.erase(project_.files.begin() + listIndex);
    return saveFileList() ? S_OK : E_FAIL;
}

HRESULT HostIde::SetFileAttribute(std::int32_t handle, std::int32_t attribute, VARIANT_BOOL value) {
    if (const HRESULT f = injected("SetFileAttribute"); FAILED(f)) return f;
    if (handle < 1 || handle > static_cast<std::int32_t>(project_.files.size())) return E_INVALIDARG;
    note("file attribute " + project_.files[static_cast<std::size_t>(handle - 1)] + " " +
         std::to_string(attribute) + "=" + (value ? "1" : "0"));
    return S_OK;
}

}  // namespace velmora::host
