#include "foldertree/automation/ConnectionPoint.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/QueryInterface.h"
#include "foldertree/automation/RefCounted.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ax;

namespace {

constexpr Guid kEventsIid = {0x22222222, 0, 0, {0, 0, 0, 0, 0, 0, 0, 2}};

// An object with one event interface.
class Source final : public IUnknown, public RefCounted {
  public:
    Source() : events(this, kEventsIid) {}
    HRESULT QueryInterface(const Guid& iid, void** out) override {
        return QuerySingleInterface<IUnknown>(this, iid, IID_IUnknown, out);
    }
    AX_REFCOUNTED_MEMBERS
    ConnectionPoint events;
};

class Sink final : public IDispatch, public RefCounted {
  public:
    explicit Sink(std::function<void(DISPID, DispParams*)> onEvent) : m_onEvent(std::move(onEvent)) {}
    HRESULT QueryInterface(const Guid& iid, void** out) override {
        return QuerySingleInterface<IDispatch>(this, iid, IID_IDispatch, out);
    }
    AX_REFCOUNTED_MEMBERS
    HRESULT GetIDsOfNames(const char16_t* const*, uint32_t, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, uint16_t, DispParams* params, Variant*, ExcepInfo*, uint32_t*) override {
        m_onEvent(id, params);
        return S_OK;
    }

  private:
    std::function<void(DISPID, DispParams*)> m_onEvent;
};

} // namespace

TEST(ConnectionPointTest, FiresToEverySinkWithArgumentsInOrder) {
    auto source = ComPtr<Source>::Attach(new Source());
    std::vector<int32_t> seen;
    auto sink = ComPtr<Sink>::Attach(new Sink([&](DISPID id, DispParams* p) {
        seen.push_back(id);
        seen.push_back(p->args[0].lVal);
        seen.push_back(p->args[1].lVal);
    }));
    uint32_t first = 0, second = 0;
    ASSERT_EQ(source->events.Advise(sink.Get(), &first), S_OK);
    ASSERT_EQ(source->events.Advise(sink.Get(), &second), S_OK);
    Variant args[2] = {MakeI4(10), MakeI4(20)};
    source->events.Fire(8, args, 2);
    EXPECT_EQ(seen, (std::vector<int32_t>{8, 10, 20, 8, 10, 20}));
    EXPECT_EQ(source->events.Unadvise(first), S_OK);
    EXPECT_EQ(source->events.Unadvise(first), CONNECT_E_NOCONNECTION);
}

TEST(ConnectionPointTest, HoldsOwnerAndSinkWhileAHandlerDropsBoth) {
    // The host's handler disconnects itself and releases its last reference
    // to the source during the call; neither may be freed under the call.
    Source* source = new Source();
    uint32_t cookie = 0;
    int calls = 0;
    Sink* sink = new Sink([&](DISPID, DispParams*) {
        ++calls;
        source->events.Unadvise(cookie);
        source->Release();
    });
    ASSERT_EQ(source->events.Advise(sink, &cookie), S_OK);
    sink->Release();
    source->events.Fire(1, nullptr, 0);
    EXPECT_EQ(calls, 1);
}
