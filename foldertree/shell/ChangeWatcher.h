// Watches the folders the tree has filled and the mount table, behind one
// descriptor that the host's loop polls. A folder gets one inotify watch;
// the kernel gives the same watch to every alias of one folder, so watches
// are counted per descriptor and each alias is reported. Mount-table
// changes (the table's descriptor signals POLLPRI) become volumes added
// and removed.
#pragma once

#include "foldertree/shell/ChangeTranslator.h"

#include "platform/fs/UniqueFd.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pgv {

class ChangeWatcher {
  public:
    ChangeWatcher() = default;
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    // 0 or an errno value. The mount table is watched when its file can be
    // polled (a plain file in its place is only read).
    int Start(const std::string& mountInfoPath, std::vector<std::string> volumes);
    // Closes every watch and descriptor.
    void Stop();
    bool IsStarted() const { return m_epoll.IsValid(); }
    // The volumes of the mount table as last read.
    const std::vector<std::string>& Volumes() const { return m_volumes; }
    // The descriptor that becomes readable when changes are waiting.
    int Descriptor() const { return m_epoll.Get(); }

    // Watches the folder at `path` shown as `item` for `key` (a filled tree
    // item); 0 or an errno value.
    int Watch(uint64_t key, const std::string& path, const ItemIds& item);
    void Unwatch(uint64_t key);
    void UnwatchAll();
    size_t WatchCount() const { return m_watches.size(); }

    // What changed since the last call, without waiting.
    std::vector<ShellChange> ReadChanges();

  private:
    struct Alias {
        uint64_t key;
        ItemIds item;
    };

    void ReadFolderEvents(std::vector<RawChange>* batch);
    void Forget(int wd);

    platform::UniqueFd m_epoll;
    platform::UniqueFd m_inotify;
    platform::UniqueFd m_mountInfo;
    std::string m_mountInfoPath;
    std::vector<std::string> m_volumes;
    std::map<uint64_t, int> m_keys;
    std::map<int, std::vector<Alias>> m_watches;
};

} // namespace pgv
