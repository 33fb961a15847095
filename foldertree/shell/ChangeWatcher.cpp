#include "foldertree/shell/ChangeWatcher.h"

#include "foldertree/shell/MountTable.h"

#include "platform/fs/FileOps.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pgv {
namespace {

// IN_MASK_ADD: a folder watched under a second key is added again, and
// replacing the mask of a watch that exists clears it for a moment in the
// kernel, losing a change made then. The mask never changes.
constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR | IN_MASK_ADD;
constexpr size_t kEventBufferBytes = 64 * 1024;
constexpr int kMaxEpollEvents = 4;

int AddToEpoll(int epoll, int fd, uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.fd = fd;
    return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0 ? 0 : errno;
}

} // namespace

int ChangeWatcher::Start(const std::string& mountInfoPath, std::vector<std::string> volumes) {
    m_epoll.Reset(epoll_create1(EPOLL_CLOEXEC));
    m_inotify.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    int error = !m_epoll.IsValid() || !m_inotify.IsValid() ? errno : 0;
    if (error == 0)
        error = AddToEpoll(m_epoll.Get(), m_inotify.Get(), EPOLLIN);
    if (error != 0) {
        m_epoll.Reset();
        m_inotify.Reset();
        return error;
    }
    m_mountInfoPath = mountInfoPath;
    m_volumes = std::move(volumes);
    m_mountInfo.Reset(platform::OpenCloexec(mountInfoPath, O_RDONLY));
    if (m_mountInfo.IsValid() && AddToEpoll(m_epoll.Get(), m_mountInfo.Get(), EPOLLPRI) != 0)
        m_mountInfo.Reset();
    return 0;
}

void ChangeWatcher::Stop() {
    m_watches.clear();
    m_keys.clear();
    m_mountInfo.Reset();
    m_inotify.Reset();
    m_epoll.Reset();
}

int ChangeWatcher::Watch(uint64_t key, const std::string& path, const ItemIds& item) {
    if (!m_inotify.IsValid())
        return EBADF;
    Unwatch(key);
    int wd = inotify_add_watch(m_inotify.Get(), path.c_str(), kFolderEvents);
    if (wd < 0)
        return errno;
    m_keys[key] = wd;
    m_watches[wd].push_back({key, item});
    return 0;
}

void ChangeWatcher::Unwatch(uint64_t key) {
    auto found = m_keys.find(key);
    if (found == m_keys.end())
        return;
    int wd = found->second;
    m_keys.erase(found);
    std::vector<Alias>& aliases = m_watches[wd];
    std::erase_if(aliases, [key](const Alias& alias) { return alias.key == key; });
    if (aliases.empty()) {
        m_watches.erase(wd);
        inotify_rm_watch(m_inotify.Get(), wd);
    }
}

void ChangeWatcher::UnwatchAll() {
    for (const auto& watch : m_watches)
        inotify_rm_watch(m_inotify.Get(), watch.first);
    m_watches.clear();
    m_keys.clear();
}

void ChangeWatcher::Forget(int wd) {
    auto found = m_watches.find(wd);
    if (found == m_watches.end())
        return;
    for (const Alias& alias : found->second)
        m_keys.erase(alias.key);
    m_watches.erase(found);
}

void ChangeWatcher::ReadFolderEvents(std::vector<RawChange>* batch) {
    alignas(inotify_event) char buffer[kEventBufferBytes];
    for (;;) {
        ssize_t n = read(m_inotify.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        size_t offset = 0;
        while (offset + sizeof(inotify_event) <= static_cast<size_t>(n)) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            size_t next = offset + sizeof(inotify_event) + event.len;
            if (next > static_cast<size_t>(n))
                break;
            RawChange raw;
            raw.wd = event.wd;
            raw.mask = event.mask;
            raw.cookie = event.cookie;
            const char* name = buffer + offset + sizeof(inotify_event);
            raw.name.assign(name, strnlen(name, event.len));
            offset = next;
            // The kernel dropped the watch (its folder went away).
            if (raw.mask & IN_IGNORED) {
                Forget(raw.wd);
                continue;
            }
            batch->push_back(std::move(raw));
        }
    }
}

std::vector<ShellChange> ChangeWatcher::ReadChanges() {
    std::vector<ShellChange> changes;
    if (!m_epoll.IsValid())
        return changes;
    epoll_event events[kMaxEpollEvents];
    int ready = epoll_wait(m_epoll.Get(), events, kMaxEpollEvents, 0);
    bool folders = false, mounts = false;
    for (int i = 0; i < ready; ++i) {
        folders = folders || events[i].data.fd == m_inotify.Get();
        mounts = mounts || events[i].data.fd == m_mountInfo.Get();
    }
    if (folders) {
        WatchAliases aliases;
        for (const auto& [wd, list] : m_watches) {
            for (const Alias& alias : list)
                aliases[wd].push_back(alias.item);
        }
        std::vector<RawChange> batch;
        ReadFolderEvents(&batch);
        changes = TranslateChanges(batch, aliases);
    }
    std::vector<std::string> volumes;
    if (mounts && ReadMountInfo(m_mountInfoPath, &volumes)) {
        for (ShellChange& change : TranslateVolumes(m_volumes, volumes))
            changes.push_back(std::move(change));
        m_volumes = std::move(volumes);
    }
    return changes;
}

} // namespace pgv
