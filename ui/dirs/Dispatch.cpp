#include "ui/dirs/Dispatch.h"

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/Bstr.h"
#include "foldertree/automation/Utf16.h"
#include "include/text/Utf8.h"

#include <vector>

ax::HRESULT DispInvoke(ax::IDispatch* object, ax::DISPID id, uint16_t flags,
                       std::initializer_list<ax::Variant> args, ax::Variant* result) {
    std::vector<ax::Variant> list(args);
    ax::HRESULT hr = ax::E_POINTER;
    if (object) {
        ax::DispParams params = {list.data(), static_cast<uint32_t>(list.size())};
        ax::ExcepInfo excep = {};
        hr = object->Invoke(id, flags, &params, result, &excep, nullptr);
        ax::ClearExcepInfo(&excep);
    }
    for (ax::Variant& arg : list)
        ax::VariantClear(&arg);
    return hr;
}

ax::HRESULT DispPut(ax::IDispatch* object, ax::DISPID id, ax::Variant value) {
    return DispInvoke(object, id, ax::DISPATCH_PROPERTYPUT, {value});
}

NodePtr DispObject(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args) {
    ax::ScopedVariant result;
    NodePtr node;
    if (ax::Succeeded(
            DispInvoke(object, id, ax::DISPATCH_METHOD | ax::DISPATCH_PROPERTYGET, args, &result)) &&
        result.vt == ax::VT_DISPATCH && result.pdispVal) {
        node = NodePtr::Attach(result.pdispVal);
        result.vt = ax::VT_EMPTY;
    }
    return node;
}

int32_t DispInt(ax::IDispatch* object, ax::DISPID id, int32_t fallback) {
    ax::ScopedVariant result;
    if (ax::Failed(DispInvoke(object, id, ax::DISPATCH_METHOD | ax::DISPATCH_PROPERTYGET, {}, &result)) ||
        ax::Failed(ax::VariantChangeType(&result, &result, ax::VT_I4)))
        return fallback;
    return result.lVal;
}

std::wstring DispText(ax::IDispatch* object, ax::DISPID id) {
    ax::ScopedVariant result;
    if (ax::Failed(DispInvoke(object, id, ax::DISPATCH_PROPERTYGET, {}, &result)) ||
        result.vt != ax::VT_BSTR || !result.bstrVal)
        return std::wstring();
    return Utf8ToWide(ax::Utf16ToUtf8(ax::BstrView(result.bstrVal)));
}

bool DispFlag(ax::IDispatch* object, ax::DISPID id) {
    ax::ScopedVariant result;
    return ax::Succeeded(DispInvoke(object, id, ax::DISPATCH_PROPERTYGET, {}, &result)) &&
           result.vt == ax::VT_BOOL && result.boolVal != ax::VARIANT_FALSE;
}

double DispNodeId(ax::IDispatch* node) {
    ax::ScopedVariant result;
    if (ax::Failed(DispInvoke(node, pgv::PGVN_ID, ax::DISPATCH_PROPERTYGET, {}, &result)) ||
        result.vt != ax::VT_R8)
        return 0;
    return result.dblVal;
}
