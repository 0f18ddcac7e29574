// The state label's property setters and getters, exported from the module so
// that other programs can drive a label the plug-in shows. A label or menu is
// passed as the handle of its widget; every call checks the handle and the
// range of the value before touching anything.
#include <cstdint>

#include "base/com/Com.h"
#include "online/CommLabelWidget.h"

#if defined(_WIN32)
#define VELMORA_EXPORT extern "C" __declspec(dllexport)
#else
#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using velmora::online::TCommLabel;
using velmora::online::TCommState;
using velmora::online::TDataState;

namespace {

constexpr std::int32_t kLastCommState = static_cast<std::int32_t>(TCommState::csUserTextF);
constexpr std::int32_t kLastDataState = static_cast<std::int32_t>(TDataState::dsDataFREEZE);

template <class Op>
HRESULT OnLabel(void* handle, Op op) {
    try {
        TCommLabel* label = TCommLabel::FromHandle(handle);
        if (!label) return E_POINTER;
        return op(*label);
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_SetCommState(void* label, std::int32_t state) {
    if (state < 0 || state > kLastCommState) return E_INVALIDARG;
    return OnLabel(label, [&](TCommLabel& l) {
        l.SetCommState(static_cast<TCommState>(state));
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_GetCommState(void* label, std::int32_t* state) {
    if (!state) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *state = static_cast<std::int32_t>(l.GetCommState());
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_SetDataState(void* label, std::int32_t state) {
    if (state < 0 || state > kLastDataState) return E_INVALIDARG;
    return OnLabel(label, [&](TCommLabel& l) {
        l.SetDataState(static_cast<TDataState>(state));
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_GetDataState(void* label, std::int32_t* state) {
    if (!state) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *state = static_cast<std::int32_t>(l.GetDataState());
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Set_DataWidthPRC(void* label, std::int32_t percent) {
    if (percent < 0 || percent > 100) return E_INVALIDARG;
    return OnLabel(label, [&](TCommLabel& l) {
        l.Set_DataWidthPRC(percent);
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Get_DataWidthPRC(void* label, std::int32_t* percent) {
    if (!percent) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *percent = l.Get_DataWidthPRC();
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Set_CanSTDLabel(void* label, VARIANT_BOOL on) {
    return OnLabel(label, [&](TCommLabel& l) {
        l.Set_CanSTDLabel(on != VARIANT_FALSE);
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Get_CanSTDLabel(void* label, VARIANT_BOOL* on) {
    if (!on) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *on = l.Get_CanSTDLabel() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Set_IsFixed(void* label, VARIANT_BOOL fixed) {
    return OnLabel(label, [&](TCommLabel& l) {
        l.Set_IsFixed(fixed != VARIANT_FALSE);
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Get_IsFixed(void* label, VARIANT_BOOL* fixed) {
    if (!fixed) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *fixed = l.Get_IsFixed() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Set_CommPopupMenu(void* label, void* menu) {
    return OnLabel(label, [&](TCommLabel& l) {
        QMenu* m = nullptr;
        if (!TCommLabel::MenuFromHandle(menu, m)) return E_INVALIDARG;
        l.Set_CommPopupMenu(m);
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Get_CommPopupMenu(void* label, void** menu) {
    if (!menu) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *menu = l.Get_CommPopupMenu();
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Set_DataPopupMenu(void* label, void* menu) {
    return OnLabel(label, [&](TCommLabel& l) {
        QMenu* m = nullptr;
        if (!TCommLabel::MenuFromHandle(menu, m)) return E_INVALIDARG;
        l.Set_DataPopupMenu(m);
        return S_OK;
    });
}

VELMORA_EXPORT HRESULT VELMORA_COM_CALL TCommLabel_Get_DataPopupMenu(void* label, void** menu) {
    if (!menu) return E_POINTER;
    return OnLabel(label, [&](TCommLabel& l) {
        *menu = l.Get_DataPopupMenu();
        return S_OK;
    });
}
