// Calls through IDispatch as a host makes them, for the folder-tree tests.
#pragma once

#include "foldertree/automation/Interfaces.h"

#include <initializer_list>
#include <vector>

namespace pgvtest {

// Invokes `id` with `args` (natural order; the test keeps ownership of what
// they hold). `excep` receives a raised error's code, or 0.
inline ax::HRESULT Call(ax::IDispatch* object, ax::DISPID id, uint16_t flags,
                        std::initializer_list<ax::Variant> args, ax::Variant* result = nullptr,
                        ax::HRESULT* raised = nullptr) {
    std::vector<ax::Variant> list(args);
    ax::DispParams params = {list.data(), static_cast<uint32_t>(list.size())};
    ax::ExcepInfo excep = {};
    ax::HRESULT hr = object->Invoke(id, flags, &params, result, &excep, nullptr);
    if (raised)
        *raised = excep.scode;
    ax::ClearExcepInfo(&excep);
    return hr;
}

// A method call (or get) that frees what its arguments hold afterwards.
inline ax::HRESULT CallAndFree(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args,
                               ax::Variant* result = nullptr) {
    ax::HRESULT hr = Call(object, id, ax::DISPATCH_METHOD | ax::DISPATCH_PROPERTYGET, args, result);
    for (ax::Variant arg : args)
        ax::VariantClear(&arg);
    return hr;
}

inline ax::HRESULT Get(ax::IDispatch* object, ax::DISPID id, ax::Variant* result,
                       ax::HRESULT* raised = nullptr) {
    return Call(object, id, ax::DISPATCH_PROPERTYGET, {}, result, raised);
}

// Puts `value` and clears it afterwards.
inline ax::HRESULT Put(ax::IDispatch* object, ax::DISPID id, ax::Variant value,
                       ax::HRESULT* raised = nullptr) {
    ax::HRESULT hr = Call(object, id, ax::DISPATCH_PROPERTYPUT, {value}, nullptr, raised);
    ax::VariantClear(&value);
    return hr;
}

inline ax::DISPID IdOf(ax::IDispatch* object, const char16_t* name) {
    ax::DISPID id = ax::DISPID_UNKNOWN;
    object->GetIDsOfNames(&name, 1, &id);
    return id;
}

} // namespace pgvtest
