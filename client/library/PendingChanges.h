// The requests the share monitor holds for the core until it takes them.
// Identical pending FILE_MODIFIED requests (a file written in many pieces)
// are one.
#pragma once

#include "client/library/ScanFileRequest.h"

#include <list>
#include <memory>
#include <string>
#include <unordered_set>

class PendingChanges {
  public:
    // False when the request joined an identical pending one.
    bool Add(int type, const std::wstring& path);
    // Moves every request into `out`, in the order they came.
    void TakeAll(std::list<std::unique_ptr<ScanFileRequest>>& out);

  private:
    std::list<std::unique_ptr<ScanFileRequest>> m_requests;
    // The paths of the pending FILE_MODIFIED requests.
    std::unordered_set<std::wstring> m_modified;
};
