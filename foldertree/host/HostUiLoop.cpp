#include "foldertree/host/HostUiLoop.h"
#include "foldertree/automation/QueryInterface.h"

#include "platform/time/Clock.h"

#include <poll.h>
#include <vector>

namespace pgvhost {

ax::HRESULT HostUiLoop::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<pgv::IPgvUiLoop>(this, iid, pgv::IID_IPgvUiLoop, out);
}

uint64_t HostUiLoop::NowMs() {
    return platform::MonotonicMs();
}

ax::HRESULT HostUiLoop::SetTimer(uint32_t delayMs, pgv::IPgvCallback* callback, uint32_t* id) {
    if (!callback || !id)
        return ax::E_POINTER;
    *id = m_nextTimer++;
    m_timers[*id] = {NowMs() + delayMs, ax::ComPtr<pgv::IPgvCallback>(callback)};
    return ax::S_OK;
}

ax::HRESULT HostUiLoop::KillTimer(uint32_t id) {
    return m_timers.erase(id) ? ax::S_OK : ax::S_FALSE;
}

ax::HRESULT HostUiLoop::PostCall(pgv::IPgvCallback* callback) {
    if (!callback)
        return ax::E_POINTER;
    m_posted.emplace_back(callback);
    return ax::S_OK;
}

ax::HRESULT HostUiLoop::WatchDescriptor(int fd, pgv::IPgvCallback* callback) {
    if (fd < 0 || !callback)
        return ax::E_INVALIDARG;
    m_watches[fd] = ax::ComPtr<pgv::IPgvCallback>(callback);
    return ax::S_OK;
}

ax::HRESULT HostUiLoop::UnwatchDescriptor(int fd) {
    return m_watches.erase(fd) ? ax::S_OK : ax::S_FALSE;
}

size_t HostUiLoop::RunPending() {
    size_t ran = 0;
    // Calls posted while these run wait for the next pass.
    std::deque<ax::ComPtr<pgv::IPgvCallback>> posted;
    posted.swap(m_posted);
    for (auto& callback : posted) {
        callback->Run();
        ++ran;
    }
    uint64_t now = NowMs();
    std::vector<uint32_t> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now)
            due.push_back(id);
    }
    for (uint32_t id : due) {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            continue;
        ax::ComPtr<pgv::IPgvCallback> callback = it->second.callback;
        m_timers.erase(it);
        callback->Run();
        ++ran;
    }
    std::vector<pollfd> fds;
    for (const auto& watch : m_watches)
        fds.push_back({watch.first, POLLIN, 0});
    if (!fds.empty() && poll(fds.data(), fds.size(), 0) > 0) {
        for (const pollfd& fd : fds) {
            auto it = m_watches.find(fd.fd);
            if (!(fd.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) || it == m_watches.end())
                continue;
            ax::ComPtr<pgv::IPgvCallback> callback = it->second;
            // A descriptor closed behind the loop's back would be reported
            // on every pass: its watch goes, and its callback runs once more
            // to find that out.
            if (fd.revents & POLLNVAL)
                m_watches.erase(it);
            callback->Run();
            ++ran;
        }
    }
    return ran;
}

} // namespace pgvhost
