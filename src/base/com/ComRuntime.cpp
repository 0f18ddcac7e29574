#include <cstdio>
#include <cstdlib>

#include "base/com/Com.h"
#include "base/com/ComObject.h"
#include "base/com/TaskString.h"

#if !defined(_WIN32)

void* CoTaskMemAlloc(std::size_t size) {
    return std::malloc(size == 0 ? 1 : size);
}
void CoTaskMemFree(void* block) {
    std::free(block);
}

namespace {
thread_local IErrorInfo* threadErrorInfo = nullptr;
}

HRESULT SetErrorInfo(DWORD, IErrorInfo* info) {
    if (info) info->AddRef();
    if (IErrorInfo* old = threadErrorInfo) old->Release();
    threadErrorInfo = info;
    return S_OK;
}

HRESULT GetErrorInfo(DWORD, IErrorInfo** info) {
    if (!info) return E_POINTER;
    *info = threadErrorInfo;
    threadErrorInfo = nullptr;
    return *info ? S_OK : S_FALSE;
}

#endif

namespace velmora::com {

std::string GuidToString(const GUID& g) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return buffer;
}

std::string ResultText(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    return code;
}

bool ParseGuid(std::string_view text, GUID& guid) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}') return false;
        text = text.substr(1, 36);
    }
    if (text.size() != 36) return false;
    auto hex = [&](std::size_t from, std::size_t digits, std::uint64_t& value) {
        value = 0;
        for (std::size_t i = from; i < from + digits; ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0) return false;
            value = value * 16 + static_cast<std::uint64_t>(digit);
        }
        return true;
    };
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') return false;
    GUID g{};
    std::uint64_t v = 0;
    if (!hex(0, 8, v)) return false;
    g.Data1 = static_cast<std::uint32_t>(v);
    if (!hex(9, 4, v)) return false;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!hex(14, 4, v)) return false;
    g.Data3 = static_cast<std::uint16_t>(v);
    for (std::size_t i = 0; i < 8; ++i) {
        if (!hex(i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2), 2, v)) return false;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    guid = g;
    return true;
}

#if !defined(_WIN32)
namespace {

class ErrorObject final : public ComObject<ErrorObject, IErrorInfo> {
public:
    ErrorObject(const GUID& iid, std::string source, std::string description)
        : iid_(iid), source_(std::move(source)), description_(std::move(description)) {}

    HRESULT VELMORA_COM_CALL GetGUID(GUID* guid) override {
        if (!guid) return E_POINTER;
        *guid = iid_;
        return S_OK;
    }
    HRESULT VELMORA_COM_CALL GetSource(char** source) override { return give(source_, source); }
    HRESULT VELMORA_COM_CALL GetDescription(char** description) override {
        return give(description_, description);
    }
    HRESULT VELMORA_COM_CALL GetHelpFile(char** helpFile) override { return give({}, helpFile); }
    HRESULT VELMORA_COM_CALL GetHelpContext(DWORD* context) override {
        if (!context) return E_POINTER;
        *context = 0;
        return S_OK;
    }

private:
    static HRESULT give(std::string_view text, char** out) {
        if (!out) return E_POINTER;
        *out = TaskString(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    GUID iid_;
    std::string source_, description_;
};

}  // namespace

void SetComError(const CLSID& source, const IID& iid, std::string_view description) {
    auto* error = new ErrorObject(iid, GuidToString(source), std::string(description));
    error->AddRef();
    ::SetErrorInfo(0, error);
    error->Release();
}

std::string TakeComErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return {};
    char* text = nullptr;
    info->GetDescription(&text);
    info->Release();
    return TakeTaskString(text);
}

#else

void SetComError(const CLSID& source, const IID& iid, std::string_view description) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(::CreateErrorInfo(&create))) return;
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(::ProgIDFromCLSID(source, &progId))) {
        create->SetSource(progId);
        ::CoTaskMemFree(progId);
    }
    std::wstring wide(description.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, description.data(), static_cast<int>(description.size()),
                                        wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    create->SetDescription(const_cast<LPOLESTR>(wide.c_str()));
    create->SetGUID(iid);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        ::SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

std::string TakeComErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return {};
    BSTR text = nullptr;
    info->GetDescription(&text);
    info->Release();
    std::string out;
    if (text) {
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            out.resize(n - 1);
            ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
        }
        ::SysFreeString(text);
    }
    return out;
}

#endif

}  // namespace velmora::com
