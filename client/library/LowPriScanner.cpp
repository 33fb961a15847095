#include "client/library/LowPriScanner.h"

#include "include/log/Logger.h"

void LowPriScanner::StartLowPriScanner() {
    MutexLock lock(m_mutex);
    m_running = true;
}

void LowPriScanner::QueueRequest(const std::wstring& path, uint32_t cfID, int kind, uint32_t sessionSerial,
                                 bool print) {
    (void)print;
    MVLOG(LOG_VERB, "No metadata scan for '%ls' in this build; answering cfID %u as not found", path.c_str(),
          cfID);
    MutexLock lock(m_mutex);
    Result result;
    result.cfID = cfID;
    result.kind = kind;
    result.sessionSerial = sessionSerial;
    m_results.push_back(std::move(result));
}

bool LowPriScanner::HasResults() {
    MutexLock lock(m_mutex);
    return !m_results.empty();
}

bool LowPriScanner::GetNextResult(uint8_t& result, std::unique_ptr<FileMetaData>& metadata, uint32_t& cfID,
                                  int& kind, uint32_t& sessionSerial) {
    MutexLock lock(m_mutex);
    if (m_results.empty())
        return false;
    Result& front = m_results.front();
    result = front.result;
    metadata = std::move(front.metadata);
    cfID = front.cfID;
    kind = front.kind;
    sessionSerial = front.sessionSerial;
    m_results.pop_front();
    return true;
}

void LowPriScanner::Stop() {
    MutexLock lock(m_mutex);
    m_running = false;
}
