// Base of an object whose only face is one dispatch interface driven by a
// member table. Calls from any thread but the creator's are refused, and
// no exception leaves a call.
#pragma once

#include "foldertree/automation/DispatchTable.h"
#include "foldertree/automation/Guard.h"
#include "foldertree/automation/OwnerThread.h"
#include "foldertree/automation/RefCounted.h"

namespace ax {

template <class T> class DispatchObject : public IDispatch, public RefCounted {
  public:
    DispatchObject(const DispTable& table, const DispHandlers<T>* handlers, const Guid& iid)
        : m_table(table), m_handlers(handlers), m_iid(iid) {}

    HRESULT QueryInterface(const Guid& iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!(iid == IID_IUnknown) && !(iid == IID_IDispatch) && !(iid == m_iid))
            return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    AX_REFCOUNTED_MEMBERS
    HRESULT GetIDsOfNames(const char16_t* const* names, uint32_t count, DISPID* ids) override {
        return LookupDispNames(m_table, names, count, ids);
    }
    HRESULT Invoke(DISPID id, uint16_t flags, DispParams* params, Variant* result, ExcepInfo* excep,
                   uint32_t* argErr) override {
        if (!m_thread.IsCurrent())
            return RPC_E_WRONG_THREAD;
        return CatchAll([&] {
            return InvokeTable(static_cast<T&>(*this), m_table, m_handlers, id, flags, params, result, excep,
                               argErr);
        });
    }

  private:
    OwnerThread m_thread;
    const DispTable& m_table;
    const DispHandlers<T>* m_handlers;
    Guid m_iid;
};

} // namespace ax
