// Metadata scans of single files that the server asked about, run at low
// priority and polled by the server link. This build has no metadata scan
// yet: every request is answered at once with a failed result, so the server
// gets the not-found form of the file details. The worker thread and the scan
// arrive with the scanner itself.
#pragma once

#include "client/media/FileMetaData.h"
#include "include/thread/Mutex.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

class LowPriScanner {
  public:
    // Result bytes of a finished scan.
    static constexpr uint8_t kScanFailed = 0;
    static constexpr uint8_t kScanOk = 1;

    LowPriScanner() = default;
    virtual ~LowPriScanner() = default;
    LowPriScanner(const LowPriScanner&) = delete;
    LowPriScanner& operator=(const LowPriScanner&) = delete;

    virtual void StartLowPriScanner();
    virtual void QueueRequest(const std::wstring& path, uint32_t cfID, int kind, uint32_t sessionSerial,
                              bool print);
    virtual bool HasResults();
    // The oldest result; the caller owns the metadata. False when none waits.
    virtual bool GetNextResult(uint8_t& result, std::unique_ptr<FileMetaData>& metadata, uint32_t& cfID,
                               int& kind, uint32_t& sessionSerial);
    virtual void Stop();

  protected:
    struct Result {
        uint8_t result = kScanFailed;
        std::unique_ptr<FileMetaData> metadata;
        uint32_t cfID = 0;
        int kind = 0;
        uint32_t sessionSerial = 0;
    };

    Mutex m_mutex;
    bool m_running = false;
    std::list<Result> m_results;
};
