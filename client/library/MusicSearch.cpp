#include "client/library/MusicSearch.h"

#include "client/core/CorePort.h"
#include "client/core/KovikCore.h"
#include "include/log/Logger.h"
#include "platform/thread/Thread.h"
#include "platform/time/Clock.h"

namespace {

bool AnyName(const std::wstring&) {
    return true;
}

// "m*" as the file system of old matched it: either case.
bool StartsWithM(const std::wstring& name) {
    return !name.empty() && (name[0] == L'm' || name[0] == L'M');
}

void PostFound(CorePort& port, std::vector<std::wstring> found) {
    MVLOG(LOG_INFO, "Music folder search found %i folders", static_cast<int>(found.size()));
    if (!port.WithCore([&found](KovikCore& core) { core.PostFoundFoldersRequest(std::move(found)); }))
        MVLOG(LOG_INFO, "Music folder search ended after the core");
}

} // namespace

MusicSearchSettings MusicSearch::Settings() const {
    return m_settings ? *m_settings : DefaultMusicSearchSettings();
}

std::vector<std::wstring> SearchDrives(const MusicSearchSettings& settings, CorePort& port) {
    MusicFolderWalk walk([&port] { return !port.IsStopping(); }, SearchExclusions(settings));
    std::vector<std::wstring> found;
    if (!settings.desktop.empty() && walk.ContainsMusic(settings.desktop))
        found.push_back(settings.desktop);
    for (const std::wstring& root : SearchRoots(settings)) {
        if (port.IsStopping())
            break;
        walk.WalkTopFolders(root, AnyName, found);
    }
    return found;
}

void MusicSearch::Start(KovikCore* owner) {
    if (!owner)
        return;
    m_port = owner->GetPort();
    std::shared_ptr<CorePort> port = m_port;
    MusicSearchSettings settings = Settings();
    m_thread = platform::Thread::Start([port, settings] { PostFound(*port, SearchDrives(settings, *port)); });
    if (!m_thread) {
        // The core still learns that the search is over.
        MVLOG(LOG_ERR, "Could not start the music folder search");
        PostFound(*port, {});
    }
}

void MusicSearch::SearchAllDrives(KovikCore* owner, std::vector<std::wstring>& found) {
    // The owner's stop flag counts from the first folder on.
    if (owner)
        m_port = owner->GetPort();
    const MusicSearchSettings settings = Settings();
    MusicFolderWalk walk([this] { return ShouldContinue(); }, ExcludedFolders(settings.systemFolders),
                         kQuickMaxDepth, platform::MonotonicMs() + kQuickBudgetMs);
    if (!settings.music.empty())
        walk.FindMusicParent(settings.music, found);
    // A folder seen through the music folder is not walked again.
    if (!settings.home.empty())
        walk.WalkTopFolders(settings.home, StartsWithM, found);
}

void MusicSearch::WaitForThread(uint32_t milliseconds) {
    if (m_thread) {
        if (!WaitThread(m_thread, milliseconds))
            MVLOG(LOG_INFO, "Music folder search still runs; not waiting for it");
        CloseThreadHandle(&m_thread);
    }
}

bool MusicSearch::ShouldContinue() const {
    return !m_port || !m_port->IsStopping();
}
