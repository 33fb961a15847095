// The search for music folders after the first sign-in: a quick one on the
// core thread (the music folder and the home folder's "m*" folders, shallow
// and within a time budget, so the core thread never stalls on a large
// disk), and a thorough one on a thread of its own (home and every local
// disk) whose result reaches the core as a found-folders request.
#pragma once

#include "client/library/SearchRoots.h"
#include "include/thread/Threads.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CorePort;
class KovikCore;

class MusicSearch {
  public:
    // The quick search's bounds.
    static constexpr int kQuickMaxDepth = 3;
    static constexpr uint64_t kQuickBudgetMs = 2000;

    // Looks where the environment says, read when a search runs.
    MusicSearch() = default;
    // Looks where `settings` say.
    explicit MusicSearch(MusicSearchSettings settings) : m_settings(std::move(settings)) {}
    virtual ~MusicSearch() = default;
    MusicSearch(const MusicSearch&) = delete;
    MusicSearch& operator=(const MusicSearch&) = delete;

    // Starts the thorough search; its result comes back to `owner` as a
    // found-folders request, also when it was stopped.
    virtual void Start(KovikCore* owner);
    // The quick search on the caller's thread for `owner`, whose stop flag
    // ends it: appends what it finds.
    virtual void SearchAllDrives(KovikCore* owner, std::vector<std::wstring>& found);
    // Waits for the search thread and lets it go; a thread still running
    // then ends by itself and posts to nothing once the core has gone.
    virtual void WaitForThread(uint32_t milliseconds);
    // True while the owner is not stopping.
    bool ShouldContinue() const;

  protected:
    std::shared_ptr<CorePort> m_port;
    ThreadHandle m_thread;

  private:
    MusicSearchSettings Settings() const;

    std::optional<MusicSearchSettings> m_settings;
};

// The thorough search: the desktop when it contains music, then one folder
// per top-level folder of each root. Runs on the search thread.
std::vector<std::wstring> SearchDrives(const MusicSearchSettings& settings, CorePort& port);
