// One outgoing (event) interface of an object: the sinks connected to it and
// the call that fires an event on each of them.
#pragma once

#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Interfaces.h"

#include <vector>

namespace ax {

// Embedded in its owner, whose reference count it shares.
class ConnectionPoint final : public IConnectionPoint {
  public:
    ConnectionPoint(IUnknown* owner, const Guid& iid) : m_owner(owner), m_iid(iid) {}
    ~ConnectionPoint() { UnadviseAll(); }
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    uint32_t AddRef() override { return m_owner->AddRef(); }
    uint32_t Release() override { return m_owner->Release(); }
    HRESULT GetConnectionInterface(Guid* iid) override;
    HRESULT Advise(IUnknown* sink, uint32_t* cookie) override;
    HRESULT Unadvise(uint32_t cookie) override;

    // Calls event `id` with `args` (natural order) on every connected sink.
    // The owner and each sink are held for the whole call, so a handler may
    // disconnect itself or drop the host's last reference to the owner.
    void Fire(DISPID id, Variant* args, uint32_t count);
    void UnadviseAll();
    size_t SinkCount() const { return m_sinks.size(); }

  private:
    struct Sink {
        uint32_t cookie;
        ComPtr<IDispatch> sink;
    };

    IUnknown* m_owner;
    Guid m_iid;
    std::vector<Sink> m_sinks;
    uint32_t m_nextCookie = 1;
};

} // namespace ax
