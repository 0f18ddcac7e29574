#pragma once
// Strings across the COM boundary: UTF-8, zero-terminated, allocated with the
// task allocator by the side that hands them out and freed by the receiver.
#include <cstring>
#include <string>
#include <string_view>

#include "base/com/Com.h"

namespace velmora::com {

// A task-allocated copy, or null when out of memory.
inline char* TaskString(std::string_view text) {
    auto* p = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (!p) return nullptr;
    if (!text.empty()) std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
    return p;
}

// Copies a received string and frees it; null gives an empty string.
inline std::string TakeTaskString(char* p) {
    if (!p) return {};
    std::string s(p);
    CoTaskMemFree(p);
    return s;
}

// Receives a task-allocated string through an out-parameter and frees it on
// scope exit: `TaskStringOut s; pm->GetProjectDirectory(s.put()); s.str()`.
class TaskStringOut {
public:
    TaskStringOut() = default;
    TaskStringOut(const TaskStringOut&) = delete;
    TaskStringOut& operator=(const TaskStringOut&) = delete;
    ~TaskStringOut() { CoTaskMemFree(p_); }
    char** put() {
        CoTaskMemFree(p_);
        p_ = nullptr;
        return &p_;
    }
    std::string str() const { return p_ ? std::string(p_) : std::string(); }
    bool empty() const { return !p_ || !*p_; }

private:
    char* p_ = nullptr;
};

}  // namespace velmora::com
