// The search for music folders after the first sign-in. This build searches
// nothing yet: the quick search finds no folder and the background search
// reports an empty result at once, so the core counts the search as done. The
// drive walk arrives with the search itself.
#pragma once

#include "include/thread/Threads.h"

#include <cstdint>
#include <string>
#include <vector>

class KovikCore;

class MusicSearch {
  public:
    MusicSearch() = default;
    virtual ~MusicSearch() = default;
    MusicSearch(const MusicSearch&) = delete;
    MusicSearch& operator=(const MusicSearch&) = delete;

    // Starts the background search; its result comes back to `owner` as a
    // found-folders request.
    virtual void Start(KovikCore* owner);
    // The quick search on the caller's thread: appends what it finds.
    virtual void SearchAllDrives(std::vector<std::wstring>& found);
    virtual void WaitForThread(uint32_t milliseconds);
    // True while the owner is not stopping.
    bool ShouldContinue() const;

  protected:
    KovikCore* m_owner = nullptr;
    ThreadHandle m_thread;
};
