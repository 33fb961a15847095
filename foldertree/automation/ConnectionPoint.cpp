#include "foldertree/automation/ConnectionPoint.h"

#include "foldertree/automation/Guard.h"

namespace ax {

HRESULT ConnectionPoint::QueryInterface(const Guid& iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!(iid == IID_IUnknown) && !(iid == IID_IConnectionPoint))
        return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(Guid* iid) {
    if (!iid)
        return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, uint32_t* cookie) {
    if (!sink || !cookie)
        return E_POINTER;
    ComPtr<IDispatch> events;
    if (Failed(sink->QueryInterface(m_iid, events.OutVoid())) &&
        Failed(sink->QueryInterface(IID_IDispatch, events.OutVoid())))
        return E_NOINTERFACE;
    return CatchAll([&] {
        m_sinks.push_back({m_nextCookie, std::move(events)});
        *cookie = m_nextCookie++;
        return S_OK;
    });
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie) {
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->cookie == cookie) {
            m_sinks.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void ConnectionPoint::Fire(DISPID id, Variant* args, uint32_t count) {
    ComPtr<IUnknown> keepOwner(m_owner);
    std::vector<ComPtr<IDispatch>> sinks;
    sinks.reserve(m_sinks.size());
    for (const Sink& sink : m_sinks)
        sinks.push_back(sink.sink);
    for (const ComPtr<IDispatch>& sink : sinks) {
        DispParams params = {args, count};
        ExcepInfo excep = {};
        sink->Invoke(id, DISPATCH_METHOD, &params, nullptr, &excep, nullptr);
        ClearExcepInfo(&excep);
    }
}

void ConnectionPoint::UnadviseAll() {
    std::vector<Sink> sinks;
    sinks.swap(m_sinks);
}

} // namespace ax
