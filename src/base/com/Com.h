#pragma once
// The few COM types the plug-in and its host share. On Windows they are the
// system's own; elsewhere these definitions keep the same vtable layout (the
// three IUnknown slots first, then each interface's operations in order), so
// an interface pointer means the same thing on both sides of the boundary.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Strings.h"

#if defined(_WIN32)
#include <comcat.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>
#define VELMORA_COM_CALL STDMETHODCALLTYPE
#else
#define VELMORA_COM_CALL

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using BOOL = std::int32_t;
using VARIANT_BOOL = std::int16_t;
constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using CATID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    return a == b;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

struct IUnknown {
    virtual HRESULT VELMORA_COM_CALL QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG VELMORA_COM_CALL AddRef() = 0;
    virtual ULONG VELMORA_COM_CALL Release() = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT VELMORA_COM_CALL CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    virtual HRESULT VELMORA_COM_CALL LockServer(BOOL lock) = 0;
};

struct IConnectionPoint;
struct IConnectionPointContainer;

struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
    virtual HRESULT VELMORA_COM_CALL Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
    virtual HRESULT VELMORA_COM_CALL Skip(ULONG count) = 0;
    virtual HRESULT VELMORA_COM_CALL Reset() = 0;
    virtual HRESULT VELMORA_COM_CALL Clone(IEnumConnections** copy) = 0;
};

struct IEnumConnectionPoints : IUnknown {
    virtual HRESULT VELMORA_COM_CALL Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
    virtual HRESULT VELMORA_COM_CALL Skip(ULONG count) = 0;
    virtual HRESULT VELMORA_COM_CALL Reset() = 0;
    virtual HRESULT VELMORA_COM_CALL Clone(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT VELMORA_COM_CALL GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT VELMORA_COM_CALL GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    virtual HRESULT VELMORA_COM_CALL Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT VELMORA_COM_CALL Unadvise(DWORD cookie) = 0;
    virtual HRESULT VELMORA_COM_CALL EnumConnections(IEnumConnections** connections) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT VELMORA_COM_CALL EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT VELMORA_COM_CALL FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

// Error info. Strings are UTF-8 here and task-allocated when handed out.
struct IErrorInfo : IUnknown {
    virtual HRESULT VELMORA_COM_CALL GetGUID(GUID* guid) = 0;
    virtual HRESULT VELMORA_COM_CALL GetSource(char** source) = 0;
    virtual HRESULT VELMORA_COM_CALL GetDescription(char** description) = 0;
    virtual HRESULT VELMORA_COM_CALL GetHelpFile(char** helpFile) = 0;
    virtual HRESULT VELMORA_COM_CALL GetHelpContext(DWORD* context) = 0;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT VELMORA_COM_CALL InterfaceSupportsErrorInfo(REFIID iid) = 0;
};

// The process's COM runtime, with C names as on Windows: a host executable
// exports them so that a plug-in module binds to the host's copy, and both
// sides share one allocator and one error object per thread.
extern "C" {
// The task allocator: what one side allocates the other frees.
void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);

// The calling thread's error object (the previous one is released). Null clears it.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// Hands over the calling thread's error object and clears the slot; S_FALSE when there is none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);
}
#endif

namespace velmora::com {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" without braces, parsed at compile time.
consteval GUID MakeGuid(const char (&text)[37]) {
    auto hex = [&](int from, int digits) {
        std::uint64_t value = 0;
        for (int i = from; i < from + digits; ++i) {
            char c = text[i];
            const int d = HexDigitValue(c) >= 0 ? HexDigitValue(c) : throw "not a GUID";
            value = value * 16 + static_cast<std::uint64_t>(d);
        }
        return value;
    };
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "not a GUID";
    GUID g{};
    g.Data1 = static_cast<std::uint32_t>(hex(0, 8));
    g.Data2 = static_cast<std::uint16_t>(hex(9, 4));
    g.Data3 = static_cast<std::uint16_t>(hex(14, 4));
    g.Data4[0] = static_cast<std::uint8_t>(hex(19, 2));
    g.Data4[1] = static_cast<std::uint8_t>(hex(21, 2));
    for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<std::uint8_t>(hex(24 + 2 * i, 2));
    return g;
}

// The registry form: "{C051C3F6-3F17-4B59-8DBC-18731DEC0A25}".
std::string GuidToString(const GUID& guid);
// "0x80004005": a result as hosts and logs print it.
std::string ResultText(HRESULT hr);
// Accepts the registry form with or without braces, any case; false when malformed.
bool ParseGuid(std::string_view text, GUID& guid);

inline constexpr IID kIidUnknown = MakeGuid("00000000-0000-0000-C000-000000000046");
inline constexpr IID kIidClassFactory = MakeGuid("00000001-0000-0000-C000-000000000046");
inline constexpr IID kIidConnectionPointContainer = MakeGuid("B196B284-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID kIidConnectionPoint = MakeGuid("B196B286-BAB4-101A-B69C-00AA00341D07");
inline constexpr IID kIidErrorInfo = MakeGuid("1CF2B120-547D-101B-8E65-08002B2BD119");
inline constexpr IID kIidSupportErrorInfo = MakeGuid("DF0B3D60-548F-101B-8E65-08002B2BD119");

// The IID of an interface type: the system's for the standard interfaces, the
// static member `iid` for the host's and our own.
template <class T>
constexpr const IID& IidOf() {
    return T::iid;
}
template <>
constexpr const IID& IidOf<IUnknown>() {
    return kIidUnknown;
}
template <>
constexpr const IID& IidOf<IClassFactory>() {
    return kIidClassFactory;
}
template <>
constexpr const IID& IidOf<IConnectionPointContainer>() {
    return kIidConnectionPointContainer;
}
template <>
constexpr const IID& IidOf<IConnectionPoint>() {
    return kIidConnectionPoint;
}
template <>
constexpr const IID& IidOf<IErrorInfo>() {
    return kIidErrorInfo;
}
template <>
constexpr const IID& IidOf<ISupportErrorInfo>() {
    return kIidSupportErrorInfo;
}

// Sets the thread's error object: source CLSID, description, and the IID of
// the interface whose call failed.
void SetComError(const CLSID& source, const IID& iid, std::string_view description);
// The description of the thread's error object (which is taken), or empty.
std::string TakeComErrorDescription();

}  // namespace velmora::com
