#include "platform/thread/Thread.h"

#include "platform/system/SignalStack.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

struct Thread::Latch {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    Procedure procedure;
};

namespace {

// Marks the latch done however the thread leaves: by returning, or by
// pthread_exit unwinding through here.
class LatchRelease {
  public:
    explicit LatchRelease(std::shared_ptr<Thread::Latch> latch) : m_latch(std::move(latch)) {}
    ~LatchRelease() {
        std::lock_guard<std::mutex> lock(m_latch->mutex);
        m_latch->done = true;
        m_latch->ended.notify_all();
    }

  private:
    std::shared_ptr<Thread::Latch> m_latch;
};

void* ThreadMain(void* arg) {
    auto* owned = static_cast<std::shared_ptr<Thread::Latch>*>(arg);
    std::shared_ptr<Thread::Latch> latch = std::move(*owned);
    delete owned;
    ThreadSignalStack signalStack;
    LatchRelease release(latch);
    Thread::Procedure procedure = std::move(latch->procedure);
    procedure();
    return nullptr;
}

} // namespace

Thread::Thread(std::shared_ptr<Latch> latch) : m_latch(std::move(latch)) {}

Thread::~Thread() = default;

std::unique_ptr<Thread> Thread::Start(Procedure procedure) {
    auto latch = std::make_shared<Latch>();
    latch->procedure = std::move(procedure);
    auto* arg = new std::shared_ptr<Latch>(latch);

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    int rc = pthread_create(&tid, &attr, ThreadMain, arg);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete arg;
        return nullptr;
    }
    return std::unique_ptr<Thread>(new Thread(std::move(latch)));
}

bool Thread::WaitFor(uint32_t timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_latch->mutex);
    return m_latch->ended.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return m_latch->done; });
}

bool Thread::HasEnded() const {
    std::lock_guard<std::mutex> lock(m_latch->mutex);
    return m_latch->done;
}

void ExitCurrentThread() {
    pthread_exit(nullptr);
}

} // namespace platform
