#include "ui/kernel/MessageLoop.h"

#include "platform/time/Clock.h"
#include "platform/ui/PollDescriptors.h"
#include "ui/kernel/InputWaiter.h"
#include "ui/kernel/Window.h"

#include <vector>

namespace {

thread_local MessageLoop* t_current = nullptr;

// A wait never outlasts this, so a clock moved by hand is seen again soon.
constexpr uint64_t kLongestWaitMs = 1000;

} // namespace

MessageLoop::MessageLoop(std::shared_ptr<MessageQueue> queue)
    : m_queue(std::move(queue)), m_previous(t_current) {
    t_current = this;
}

MessageLoop::~MessageLoop() {
    for (auto& [handle, window] : m_windows)
        window->Detach();
    if (t_current == this)
        t_current = m_previous;
}

MessageLoop* MessageLoop::Current() {
    return t_current;
}

int MessageLoop::Run() {
    Pump(nullptr, true);
    return m_quitCode.value_or(0);
}

bool MessageLoop::RunModal(const std::function<bool()>& finished) {
    return Pump(finished, true);
}

void MessageLoop::DispatchPending() {
    Pump(nullptr, false);
}

bool MessageLoop::Pump(const std::function<bool()>& finished, bool wait) {
    while (!m_quitCode) {
        if (finished && finished())
            return true;
        Message message;
        if (m_queue->TryTake(&message)) {
            if (message.id == WM_QUIT && message.window == kNoWindow) {
                m_quitCode = static_cast<int>(message.wParam);
                break;
            }
            Dispatch(message);
            continue;
        }
        if (RunOneDueTimer())
            continue;
        if (!wait)
            return false;
        WaitForInput();
    }
    return false;
}

void MessageLoop::PostQuit(int code) {
    Message message;
    message.id = WM_QUIT;
    message.wParam = static_cast<uintptr_t>(code);
    m_queue->Post(std::move(message));
}

void MessageLoop::Dispatch(Message& message) {
    // A message for a window that is gone, or for the thread itself, is
    // dropped together with its payload.
    if (Window* window = FindWindow(message.window))
        window->WindowProc(message);
}

WindowHandle MessageLoop::AddWindow(Window* window) {
    WindowHandle handle = m_nextHandle++;
    m_windows[handle] = window;
    return handle;
}

void MessageLoop::RemoveWindow(WindowHandle handle) {
    m_windows.erase(handle);
}

Window* MessageLoop::FindWindow(WindowHandle handle) const {
    auto found = m_windows.find(handle);
    return found == m_windows.end() ? nullptr : found->second;
}

intptr_t MessageLoop::Send(WindowHandle handle, uint32_t id, uintptr_t wParam, intptr_t lParam) {
    Window* window = FindWindow(handle);
    if (!window)
        return 0;
    Message message;
    message.window = handle;
    message.id = id;
    message.wParam = wParam;
    message.lParam = lParam;
    return window->WindowProc(message);
}

bool MessageLoop::Post(WindowHandle handle, uint32_t id, uintptr_t wParam, intptr_t lParam,
                       std::unique_ptr<MessagePayload> payload) {
    return MessageTarget(m_queue, handle).Post(id, wParam, lParam, std::move(payload));
}

MessageLoop::TimerId MessageLoop::SetTimer(uint32_t delayMs, std::function<void()> callback) {
    TimerId id = m_nextTimer++;
    m_timers[id] = Timer{platform::MonotonicMs() + delayMs, std::move(callback)};
    return id;
}

void MessageLoop::KillTimer(TimerId id) {
    m_timers.erase(id);
}

bool MessageLoop::RunOneDueTimer() {
    const uint64_t now = platform::MonotonicMs();
    auto earliest = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.due <= now && (earliest == m_timers.end() || it->second.due < earliest->second.due))
            earliest = it;
    }
    if (earliest == m_timers.end())
        return false;
    std::function<void()> callback = std::move(earliest->second.callback);
    m_timers.erase(earliest);
    callback();
    return true;
}

bool MessageLoop::Watch(int fd, std::function<void()> onReady) {
    if (fd < 0 || !onReady)
        return false;
    m_watches[fd] = std::make_shared<std::function<void()>>(std::move(onReady));
    return true;
}

void MessageLoop::Unwatch(int fd) {
    m_watches.erase(fd);
}

void MessageLoop::WaitForInput() {
    std::vector<pollfd> fds;
    fds.reserve(m_watches.size() + 1);
    fds.push_back(pollfd{m_queue->WakeFd(), POLLIN, 0});
    for (const auto& [fd, handler] : m_watches)
        fds.push_back(pollfd{fd, POLLIN, 0});

    int timeoutMs = -1;
    if (!m_timers.empty()) {
        const uint64_t now = platform::MonotonicMs();
        uint64_t wait = kLongestWaitMs;
        for (const auto& [id, timer] : m_timers)
            wait = timer.due <= now ? 0 : std::min(wait, timer.due - now);
        timeoutMs = static_cast<int>(wait);
    }
    const int ready = m_waiter ? m_waiter->Wait(fds.data(), fds.size(), timeoutMs)
                               : platform::PollDescriptors(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0)
        return;
    for (size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents == 0)
            continue;
        // A handler may drop its own watch or another one.
        auto found = m_watches.find(fds[i].fd);
        if (found == m_watches.end())
            continue;
        std::shared_ptr<std::function<void()>> handler = found->second;
        (*handler)();
    }
}
