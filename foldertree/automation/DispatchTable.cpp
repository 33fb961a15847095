#include "foldertree/automation/DispatchTable.h"

#include "foldertree/automation/Utf16.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace ax {
namespace {

// The text of the error a member raised during the current call, kept per
// thread. This code lives in a library loaded with dlopen, so the slot is a
// plain array in the static TLS block (initial-exec, nothing to construct or
// destroy): no block allocated on first use through __tls_get_addr, which
// leak checkers misread once the library has been unloaded and loaded again.
// The control's texts are far shorter than the limit; longer ones are cut.
constexpr size_t kMaxRaisedText = 120;
struct RaisedText {
    size_t length;
    char16_t text[kMaxRaisedText];
};
__attribute__((tls_model("initial-exec"))) thread_local RaisedText t_raised;

uint32_t RequiredCount(const DispMemberInfo& member) {
    uint32_t required = member.paramCount;
    while (required > 0 && (member.params[required - 1].flags & PF_OPTIONAL))
        --required;
    return required;
}

bool IsMissing(const Variant& arg) {
    return arg.vt == VT_ERROR && arg.scode == DISP_E_PARAMNOTFOUND;
}

HRESULT CoerceArgument(const DispParamInfo& param, const Variant& arg, Variant* slot) {
    if (IsMissing(arg)) {
        if (!(param.flags & PF_OPTIONAL))
            return DISP_E_PARAMNOTFOUND;
        *slot = arg;
        return S_OK;
    }
    if (param.flags & PF_BYREF) {
        if (arg.vt == (VT_BYREF | param.vt) || arg.vt == (VT_BYREF | VT_VARIANT)) {
            if (!arg.byref)
                return E_POINTER;
            *slot = arg;
            return S_OK;
        }
        if (arg.vt == VT_EMPTY && (param.flags & PF_OPTIONAL))
            return S_OK;
        return DISP_E_TYPEMISMATCH;
    }
    if (param.vt == VT_VARIANT)
        return VariantCopyInd(slot, &arg);
    return VariantChangeType(slot, &arg, param.vt);
}

Variant MissingArgument() {
    Variant v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

} // namespace

int FindDispMember(const DispTable& table, DISPID id) {
    for (size_t i = 0; i < table.count; ++i) {
        if (table.members[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

HRESULT LookupDispNames(const DispTable& table, const char16_t* const* names, uint32_t count, DISPID* ids) {
    if (!names || !ids)
        return E_POINTER;
    for (uint32_t i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    if (count == 0)
        return E_INVALIDARG;
    const DispMemberInfo* member = nullptr;
    for (size_t i = 0; i < table.count && !member; ++i) {
        if (names[0] && EqualsNoCase(table.members[i].name, names[0]))
            member = &table.members[i];
    }
    if (!member)
        return DISP_E_UNKNOWNNAME;
    ids[0] = member->id;
    HRESULT hr = S_OK;
    for (uint32_t n = 1; n < count; ++n) {
        for (uint8_t p = 0; p < member->paramCount; ++p) {
            if (names[n] && EqualsNoCase(member->params[p].name, names[n]))
                ids[n] = p;
        }
        if (ids[n] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT PrepareDispCall(const DispMemberInfo& member, uint16_t flags, const DispParams* params,
                        Variant* slots, DispOperation* op, uint32_t* argErr) {
    bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (put && member.kind == MK_METHOD)
        return DISP_E_MEMBERNOTFOUND;
    if (put && member.kind == MK_READONLY)
        return CTL_E_SETNOTSUPPORTED;
    if (!put && !(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
        return DISP_E_MEMBERNOTFOUND;
    uint32_t given = params ? params->count : 0;
    if (given > 0 && !params->args)
        return E_POINTER;
    uint32_t indexArgs = put ? (given > 0 ? given - 1 : 0) : given;
    if ((put && given == 0) || indexArgs < RequiredCount(member) || indexArgs > member.paramCount)
        return DISP_E_BADPARAMCOUNT;
    for (uint32_t i = 0; i < member.paramCount; ++i) {
        HRESULT hr = i < indexArgs ? CoerceArgument(member.params[i], params->args[i], &slots[i])
                                   : CoerceArgument(member.params[i], MissingArgument(), &slots[i]);
        if (Failed(hr)) {
            if (argErr)
                *argErr = i;
            return hr;
        }
    }
    if (put) {
        const Variant& value = params->args[given - 1];
        HRESULT hr = member.vt == VT_VARIANT
                         ? VariantCopyInd(&slots[member.paramCount], &value)
                         : VariantChangeType(&slots[member.paramCount], &value, member.vt);
        if (Failed(hr)) {
            if (argErr)
                *argErr = given - 1;
            return hr;
        }
    }
    *op = put ? DO_PUT : DO_GET;
    return S_OK;
}

HRESULT RaiseError(uint16_t number, std::u16string_view text) {
    t_raised.length = std::min(text.size(), kMaxRaisedText);
    std::copy_n(text.begin(), t_raised.length, t_raised.text);
    return ControlError(number);
}

HRESULT RaiseDispError(HRESULT hr, ExcepInfo* excep) {
    std::u16string text(t_raised.text, t_raised.length);
    t_raised.length = 0;
    if (!IsControlError(hr))
        return hr;
    if (excep) {
        ClearExcepInfo(excep);
        excep->scode = hr;
        excep->code = 0;
        excep->description =
            AllocBstr(hr == CTL_E_SETNOTSUPPORTED ? std::u16string(u"Property is read-only") : text);
    }
    return DISP_E_EXCEPTION;
}

bool IsArgumentGiven(const Variant& slot) {
    return slot.vt != VT_EMPTY && !IsMissing(slot);
}

HRESULT StoreByRef(const Variant& slot, const Variant& value) {
    if (!(slot.vt & VT_BYREF) || !slot.byref)
        return E_INVALIDARG;
    VARTYPE target = slot.vt & ~VT_BYREF;
    if (target == VT_VARIANT)
        return VariantCopy(slot.pvarVal, &value);
    ScopedVariant converted;
    HRESULT hr = VariantChangeType(&converted, &value, target);
    if (Failed(hr))
        return hr;
    switch (target) {
    case VT_I2:
    case VT_BOOL:
        std::memcpy(slot.byref, &converted.iVal, 2);
        break;
    case VT_I4:
    case VT_R4:
        std::memcpy(slot.byref, &converted.lVal, 4);
        break;
    case VT_R8:
        std::memcpy(slot.byref, &converted.dblVal, 8);
        break;
    case VT_BSTR: {
        auto* text = static_cast<BSTR*>(slot.byref);
        FreeBstr(*text);
        *text = converted.bstrVal;
        converted.vt = VT_EMPTY;
        break;
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT SetResult(Variant* result, int32_t value) {
    *result = MakeI4(value);
    return S_OK;
}

HRESULT SetResult(Variant* result, int16_t value) {
    *result = MakeI2(value);
    return S_OK;
}

HRESULT SetBoolResult(Variant* result, bool value) {
    *result = MakeBool(value);
    return S_OK;
}

HRESULT SetResult(Variant* result, double value) {
    *result = MakeR8(value);
    return S_OK;
}

HRESULT SetResult(Variant* result, std::u16string_view text) {
    *result = MakeBstr(text);
    return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT SetResult(Variant* result, IDispatch* object) {
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
}

} // namespace ax
