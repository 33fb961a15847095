// Metadata, and on request the fingerprint, of single files the server asked
// about, built one at a time on a worker thread of the idle scheduling class
// so the core thread never waits for a slow read or a fingerprint. The server
// link queues requests and polls for results.
//
// The queues live in state shared with the worker: a worker still busy when
// Stop gives up waiting finishes into that state, which outlives this object
// as long as the worker needs it.
#pragma once

#include "client/media/FileMetaData.h"
#include "include/thread/Mutex.h"
#include "include/thread/Threads.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

// One request, owned by whichever queue holds it, then by its taker.
struct ScanWorkItem {
    std::wstring path;
    // Carried through unchanged for the requester.
    uint32_t cfID = 0;
    int kind = 0;
    uint32_t sessionSerial = 0;
    // Passed to the metadata build as its wantPrint.
    bool print = false;
    // Set once the worker has processed the item.
    bool m_run = false;
    uint8_t result = 0;
    std::unique_ptr<FileMetaData> metadata;

    // Hands the metadata out and returns the result byte; only for a
    // processed item.
    uint8_t TakeResult(std::unique_ptr<FileMetaData>& out);
};

class LowPriScanner {
  public:
    // Result bytes of a finished scan.
    static constexpr uint8_t kScanFailed = 0;
    static constexpr uint8_t kScanOk = 1;
    // Stop waits this long for a worker busy with a file.
    static constexpr uint32_t kStopWaitMs = 10000;

    // Builds a record's metadata (and print when asked); true on success.
    using MetadataBuilder = std::function<bool(FileMetaData& record, bool wantPrint)>;

    // Without a builder, the record's own ComputeMetadataAndPrint, with the
    // print made by the fingerprint child.
    explicit LowPriScanner(MetadataBuilder builder = nullptr, uint32_t stopWaitMs = kStopWaitMs);
    virtual ~LowPriScanner();
    LowPriScanner(const LowPriScanner&) = delete;
    LowPriScanner& operator=(const LowPriScanner&) = delete;

    virtual void StartLowPriScanner();
    // A request for a file and cfID already waiting in the queue is dropped;
    // the waiting one answers for the newest session and asks for the print
    // when either did. While no worker runs, the request fails at once.
    virtual void QueueRequest(const std::wstring& path, uint32_t cfID, int kind, uint32_t sessionSerial,
                              bool print);
    virtual bool HasResults();
    // The oldest result; the caller owns the metadata. False, outputs
    // untouched, when none waits.
    virtual bool GetNextResult(uint8_t& result, std::unique_ptr<FileMetaData>& metadata, uint32_t& cfID,
                               int& kind, uint32_t& sessionSerial);
    // The worker leaves at its next check; waits for it up to the stop wait.
    // Items still queued are not processed.
    virtual void Stop();

  protected:
    // Hands a finished item to the result queue (tests stand in for the
    // worker with it).
    void AddResult(std::unique_ptr<ScanWorkItem> item);

  private:
    struct State;

    void Signal();
    static void LowPriScannerThread(void* pArg);
    static void LowPriScannerLoop(State& state);
    static void ProcessItem(State& state, ScanWorkItem& item);

    MetadataBuilder m_builder;
    uint32_t m_stopWaitMs;
    // The core thread's view; the worker reads the state's own flag.
    bool m_running = false;
    std::shared_ptr<State> m_state;
    ThreadHandle m_thread;
};
