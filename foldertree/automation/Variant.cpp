#include "foldertree/automation/Variant.h"

#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/SafeArray.h"

#include <cstring>

namespace ax {

void VariantInit(Variant* v) {
    std::memset(v, 0, sizeof *v);
}

HRESULT VariantClear(Variant* v) {
    if (!v)
        return E_POINTER;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY)
            SafeArrayDestroy(v->parray);
        else if (v->vt == VT_BSTR)
            FreeBstr(v->bstrVal);
        else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal)
            v->punkVal->Release();
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(Variant* dst, const Variant* src) {
    if (dst == src)
        return S_OK;
    Variant copy = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt & VT_ARRAY) {
            HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (Failed(hr))
                return hr;
        } else if (src->vt == VT_BSTR && src->bstrVal) {
            copy.bstrVal = AllocBstr(BstrView(src->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    VariantClear(dst);
    *dst = copy;
    return S_OK;
}

HRESULT VariantCopyInd(Variant* dst, const Variant* src) {
    if (!(src->vt & VT_BYREF))
        return VariantCopy(dst, src);
    VARTYPE vt = src->vt & ~VT_BYREF;
    if (vt == VT_VARIANT)
        return src->pvarVal ? VariantCopyInd(dst, src->pvarVal) : E_POINTER;
    if (!src->byref)
        return E_POINTER;
    Variant value;
    VariantInit(&value);
    value.vt = vt;
    if (vt & VT_ARRAY) {
        value.parray = *static_cast<SafeArray**>(src->byref);
    } else {
        switch (vt) {
        case VT_I1:
        case VT_UI1:
            std::memcpy(&value.bVal, src->byref, 1);
            break;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            std::memcpy(&value.iVal, src->byref, 2);
            break;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            std::memcpy(&value.lVal, src->byref, 4);
            break;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
            std::memcpy(&value.llVal, src->byref, 8);
            break;
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
            std::memcpy(&value.byref, src->byref, sizeof(void*));
            break;
        default:
            return DISP_E_TYPEMISMATCH;
        }
    }
    return VariantCopy(dst, &value);
}

Variant MakeI2(int16_t value) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}

Variant MakeI4(int32_t value) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

Variant MakeR4(float value) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = value;
    return v;
}

Variant MakeR8(double value) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

Variant MakeBool(bool value) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant MakeBstr(std::u16string_view text) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = AllocBstr(text);
    return v;
}

Variant MakeDispatch(IDispatch* object) {
    Variant v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object)
        object->AddRef();
    return v;
}

Variant MakeByRef(VARTYPE vt, void* target) {
    Variant v;
    VariantInit(&v);
    v.vt = static_cast<VARTYPE>(vt | VT_BYREF);
    v.byref = target;
    return v;
}

void ClearExcepInfo(ExcepInfo* info) {
    if (!info)
        return;
    FreeBstr(info->source);
    FreeBstr(info->description);
    std::memset(info, 0, sizeof *info);
}

} // namespace ax
