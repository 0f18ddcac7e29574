#pragma once
// What every part of the IDE stand-in answers with: texts handed to the
// plug-in in its task allocator, and the names of the host's interfaces as
// failures are asked for and traces show them.
#include <string>
#include <string_view>

#include "base/com/Com.h"
#include "base/com/TaskString.h"

namespace velmora::host {

inline std::string Str(const char* s) {
    return s ? s : "";
}

// A text answer: the plug-in frees it with the task allocator.
inline HRESULT Give(std::string_view text, char** out) {
    if (!out) return E_POINTER;
    *out = com::TaskString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The names failures are asked for and traces show; a GUID for any other.
std::string InterfaceName(const IID& iid);

}  // namespace velmora::host
