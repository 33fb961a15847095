#include "client/library/LowPriScanner.h"

#include "client/library/SharedDir.h"
#include "include/crash/Assert.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "platform/thread/IdlePriority.h"
#include "platform/ui/EventFd.h"

#include <atomic>
#include <cerrno>

struct LowPriScanner::State {
    explicit State(MetadataBuilder metadataBuilder) : builder(std::move(metadataBuilder)) {}

    const MetadataBuilder builder;
    Mutex mutex;
    std::deque<std::unique_ptr<ScanWorkItem>> requests;
    std::deque<std::unique_ptr<ScanWorkItem>> results;
    // Auto-reset: the worker's wait consumes it. Set under the mutex after a
    // change, so a request queued between the worker's emptiness test and
    // its wait still wakes it.
    platform::EventFd wake;
    std::atomic<bool> running{false};
};

namespace {

bool ComputeOutOfProcess(FileMetaData& record, bool wantPrint) {
    return record.ComputeMetadataAndPrint(wantPrint, false);
}

} // namespace

uint8_t ScanWorkItem::TakeResult(std::unique_ptr<FileMetaData>& out) {
    MV_ASSERT(this->m_run);
    out = std::move(metadata);
    return result;
}

LowPriScanner::LowPriScanner(MetadataBuilder builder, uint32_t stopWaitMs)
    : m_builder(builder ? std::move(builder) : MetadataBuilder(ComputeOutOfProcess)),
      m_stopWaitMs(stopWaitMs), m_state(std::make_shared<State>(m_builder)) {}

LowPriScanner::~LowPriScanner() {
    if (m_running)
        Stop();
}

void LowPriScanner::StartLowPriScanner() {
    MV_ASSERT(this->m_running == false);
    if (!m_state->wake.IsValid()) {
        MVLOG(LOG_CRIT, "Could not create the low-priority scanner's event, err %i", errno);
        return;
    }
    m_running = true;
    m_state->running = true;
    // The thread holds the state for as long as it runs.
    auto* arg = new std::shared_ptr<State>(m_state);
    if (!StartThread(LowPriScannerThread, arg, &m_thread)) {
        delete arg;
        m_running = false;
        m_state->running = false;
        MVLOG(LOG_CRIT, "Could not start the low-priority scanner thread");
    }
}

void LowPriScanner::QueueRequest(const std::wstring& path, uint32_t cfID, int kind, uint32_t sessionSerial,
                                 bool print) {
    auto item = std::make_unique<ScanWorkItem>();
    item->path = path;
    item->cfID = cfID;
    item->kind = kind;
    item->sessionSerial = sessionSerial;
    item->print = print;
    {
        MutexLock lock(m_state->mutex);
        if (!m_state->running) {
            MVLOG(LOG_ERR, "Low-priority scanner not running; cfID %u answered as not found", cfID);
            item->m_run = true;
            m_state->results.push_back(std::move(item));
            return;
        }
        for (const std::unique_ptr<ScanWorkItem>& queued : m_state->requests) {
            // Another cfID of the same file waits for its own answer.
            if (queued->path == path && queued->cfID == cfID) {
                MVLOG(LOG_INFO, "Already queued a scan for %ls; request for cfID %u dropped", path.c_str(),
                      cfID);
                queued->kind = kind;
                queued->sessionSerial = sessionSerial;
                queued->print = queued->print || print;
                return;
            }
        }
        m_state->requests.push_back(std::move(item));
    }
    Signal();
}

void LowPriScanner::Signal() {
    MutexLock lock(m_state->mutex);
    m_state->wake.Signal();
}

bool LowPriScanner::HasResults() {
    MutexLock lock(m_state->mutex);
    return !m_state->results.empty();
}

bool LowPriScanner::GetNextResult(uint8_t& result, std::unique_ptr<FileMetaData>& metadata, uint32_t& cfID,
                                  int& kind, uint32_t& sessionSerial) {
    std::unique_ptr<ScanWorkItem> item;
    {
        MutexLock lock(m_state->mutex);
        if (m_state->results.empty())
            return false;
        item = std::move(m_state->results.front());
        m_state->results.pop_front();
    }
    cfID = item->cfID;
    kind = item->kind;
    sessionSerial = item->sessionSerial;
    result = item->TakeResult(metadata);
    return true;
}

void LowPriScanner::Stop() {
    m_running = false;
    m_state->running = false;
    Signal();
    if (!WaitThread(m_thread, m_stopWaitMs)) {
        // The worker finishes its file into the old state, which it owns
        // with us; later requests go to a fresh one.
        MVLOG(LOG_ERR, "Low-priority scanner thread still busy after %u ms; leaving it to finish",
              m_stopWaitMs);
        m_state = std::make_shared<State>(m_builder);
    }
    CloseThreadHandle(&m_thread);
}

void LowPriScanner::AddResult(std::unique_ptr<ScanWorkItem> item) {
    MutexLock lock(m_state->mutex);
    m_state->results.push_back(std::move(item));
}

void LowPriScanner::LowPriScannerThread(void* pArg) {
    MV_ASSERT(pArg != NULL);
    std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(pArg));
    const int error = platform::LowerThreadToIdle();
    if (error != 0)
        MVLOG(LOG_ERR, "Could not lower the low-priority scanner's priority, err %i", error);
    LowPriScannerLoop(**state);
}

void LowPriScanner::LowPriScannerLoop(State& state) {
    while (state.running) {
        state.mutex.Lock();
        if (state.requests.empty()) {
            state.mutex.Unlock();
            state.wake.WaitAndDrain();
            state.mutex.Lock();
        }
        if (!state.running || state.requests.empty()) {
            state.mutex.Unlock();
            continue;
        }
        std::unique_ptr<ScanWorkItem> item = std::move(state.requests.front());
        state.requests.pop_front();
        state.mutex.Unlock();

        ProcessItem(state, *item);

        MutexLock lock(state.mutex);
        state.results.push_back(std::move(item));
    }
}

void LowPriScanner::ProcessItem(State& state, ScanWorkItem& item) {
    std::wstring dir, name;
    if (!SplitPath(item.path, dir, name)) {
        MVLOG(LOG_ERR, "Cannot scan '%ls': not a full path", item.path.c_str());
        item.m_run = true;
        return;
    }
    item.m_run = true;
    item.metadata = std::make_unique<FileMetaData>(NormalizeDirPath(dir), name);
    item.result = state.builder(*item.metadata, item.print) ? kScanOk : kScanFailed;
}
