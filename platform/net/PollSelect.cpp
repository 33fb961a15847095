#include "platform/net/PollSelect.h"

#include "platform/net/SocketCalls.h"
#include "platform/time/Clock.h"

#include <poll.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <initializer_list>

namespace platform {
namespace {

constexpr int kMaxEntries = 3 * SocketSet::kCapacity;
constexpr short kReadableEvents = POLLIN | POLLHUP | POLLERR;
constexpr short kWritableEvents = POLLOUT | POLLERR;
constexpr short kFailedEvents = POLLERR | POLLHUP;

// poll() time-out for a select() time-out, rounded up to whole milliseconds;
// -1 for none, -2 for an invalid one.
int TimeoutMs(const timeval* timeout) noexcept {
    if (!timeout)
        return -1;
    if (timeout->tv_sec < 0 || timeout->tv_usec < 0 || timeout->tv_usec >= 1000000)
        return -2;
    int64_t ms = static_cast<int64_t>(timeout->tv_sec) * 1000 + (timeout->tv_usec + 999) / 1000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// One poll entry per descriptor, whichever sets it is in.
class PollList {
  public:
    // Adds the set's members with `events`; `slots[i]` becomes the entry of
    // the i-th member.
    void Enter(const SocketSet* set, short events, int* slots) noexcept {
        if (!set)
            return;
        int i = 0;
        for (int fd : *set)
            slots[i++] = SlotOf(fd, events);
    }

    int Poll(int timeoutMs) noexcept {
        const int64_t deadline = timeoutMs > 0 ? static_cast<int64_t>(SystemMonotonicMs()) + timeoutMs : 0;
        for (;;) {
            int result = poll(m_entries, static_cast<nfds_t>(m_count), timeoutMs);
            if (result >= 0 || errno != EINTR)
                return result;
            if (timeoutMs > 0) {
                int64_t left = deadline - static_cast<int64_t>(SystemMonotonicMs());
                timeoutMs = left > 0 ? static_cast<int>(left) : 0;
            }
        }
    }

    bool AnyInvalid() const noexcept {
        for (int i = 0; i < m_count; ++i) {
            if (m_entries[i].revents & POLLNVAL)
                return true;
        }
        return false;
    }

    const pollfd& operator[](int slot) const noexcept { return m_entries[slot]; }

  private:
    int SlotOf(int fd, short events) noexcept {
        for (int i = 0; i < m_count; ++i) {
            if (m_entries[i].fd == fd) {
                m_entries[i].events = static_cast<short>(m_entries[i].events | events);
                return i;
            }
        }
        m_entries[m_count] = pollfd{fd, events, 0};
        return m_count++;
    }

    pollfd m_entries[kMaxEntries];
    int m_count = 0;
};

bool HasFailed(const pollfd& entry) noexcept {
    if (entry.revents & kFailedEvents)
        return true;
    // A connect that failed without POLLERR still leaves its error behind.
    return (entry.revents & POLLOUT) && TakeSocketError(entry.fd) > 0;
}

// Keeps the members whose entry passes `ready`; returns how many remain.
template <typename Ready> int Keep(SocketSet* set, const int* slots, Ready ready) noexcept {
    if (!set)
        return 0;
    SocketSet kept;
    int i = 0;
    for (int fd : *set) {
        if (ready(slots[i++]))
            (void)kept.Add(fd);
    }
    *set = kept;
    return set->Count();
}

void ClearAll(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet) noexcept {
    for (SocketSet* set : {readSet, writeSet, exceptSet}) {
        if (set)
            set->Clear();
    }
}

} // namespace

int PollSelect(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
               const timeval* timeout) noexcept {
    const int timeoutMs = TimeoutMs(timeout);
    if (timeoutMs == -2) {
        ClearAll(readSet, writeSet, exceptSet);
        errno = EINVAL;
        return -1;
    }

    PollList list;
    int readSlots[SocketSet::kCapacity];
    int writeSlots[SocketSet::kCapacity];
    int exceptSlots[SocketSet::kCapacity];
    list.Enter(readSet, POLLIN, readSlots);
    list.Enter(writeSet, POLLOUT, writeSlots);
    list.Enter(exceptSet, POLLPRI, exceptSlots);

    int result = list.Poll(timeoutMs);
    if (result < 0 || list.AnyInvalid()) {
        int error = result < 0 ? errno : EBADF;
        ClearAll(readSet, writeSet, exceptSet);
        errno = error;
        return -1;
    }

    // Which entries failed; only members of the exception set are asked.
    bool failed[kMaxEntries] = {};
    for (int i = 0; exceptSet && i < exceptSet->Count(); ++i)
        failed[exceptSlots[i]] = HasFailed(list[exceptSlots[i]]);

    int count = Keep(exceptSet, exceptSlots,
                     [&](int slot) { return failed[slot] || (list[slot].revents & POLLPRI); });
    count += Keep(readSet, readSlots,
                  [&](int slot) { return !failed[slot] && (list[slot].revents & kReadableEvents); });
    count += Keep(writeSet, writeSlots,
                  [&](int slot) { return !failed[slot] && (list[slot].revents & kWritableEvents); });
    return count;
}

} // namespace platform
