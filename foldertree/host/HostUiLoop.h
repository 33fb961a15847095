// The host's UI loop as the control sees it: one-shot timers on the
// program's clock (which tests may drive), posted calls and watched
// descriptors, all run on the host's thread by RunPending.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/RefCounted.h"

#include <deque>
#include <map>

namespace pgvhost {

class HostUiLoop final : public pgv::IPgvUiLoop, public ax::RefCounted {
  public:
    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS

    uint64_t NowMs() override;
    ax::HRESULT SetTimer(uint32_t delayMs, pgv::IPgvCallback* callback, uint32_t* id) override;
    ax::HRESULT KillTimer(uint32_t id) override;
    ax::HRESULT PostCall(pgv::IPgvCallback* callback) override;
    ax::HRESULT WatchDescriptor(int fd, pgv::IPgvCallback* callback) override;
    ax::HRESULT UnwatchDescriptor(int fd) override;

    // Runs the posted calls, the timers that are due and the callbacks of
    // readable descriptors, without waiting; returns how many ran. A watched
    // descriptor that was closed is dropped after its callback ran once.
    size_t RunPending();

  private:
    struct Timer {
        uint64_t due;
        ax::ComPtr<pgv::IPgvCallback> callback;
    };

    std::deque<ax::ComPtr<pgv::IPgvCallback>> m_posted;
    std::map<uint32_t, Timer> m_timers;
    uint32_t m_nextTimer = 1;
    std::map<int, ax::ComPtr<pgv::IPgvCallback>> m_watches;
};

} // namespace pgvhost
