#include "client/library/MusicSearch.h"

#include "client/core/KovikCore.h"

void MusicSearch::Start(KovikCore* owner) {
    m_owner = owner;
    if (m_owner)
        m_owner->PostFoundFoldersRequest(std::vector<std::wstring>());
}

void MusicSearch::SearchAllDrives(std::vector<std::wstring>& found) {
    (void)found;
}

void MusicSearch::WaitForThread(uint32_t milliseconds) {
    if (m_thread) {
        (void)WaitThread(m_thread, milliseconds);
        CloseThreadHandle(&m_thread);
    }
}

bool MusicSearch::ShouldContinue() const {
    return !m_owner || !m_owner->IsStopping();
}
