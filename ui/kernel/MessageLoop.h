// The message loop of one UI thread: takes posted messages in order and hands
// each to its window, runs due timers and calls the handlers of watched
// descriptors. Run ends on WM_QUIT with its code; modal runs nest inside and
// keep dispatching until their dialog ends.
#pragma once

#include "ui/kernel/MessageQueue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class InputWaiter;
class Window;

class MessageLoop {
  public:
    using TimerId = uint64_t;

    explicit MessageLoop(std::shared_ptr<MessageQueue> queue);
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // The newest loop made on the calling thread, or null.
    static MessageLoop* Current();

    const std::shared_ptr<MessageQueue>& Queue() const { return m_queue; }

    // Dispatches until WM_QUIT and returns its code.
    int Run();
    // Dispatches until `finished` returns true (checked before every message).
    // False when WM_QUIT came first; the quit then stays pending, so the
    // outer Run ends as well.
    bool RunModal(const std::function<bool()>& finished);
    // Dispatches what is ready now, without waiting.
    void DispatchPending();
    void PostQuit(int code);
    bool HasQuit() const { return m_quitCode.has_value(); }

    WindowHandle AddWindow(Window* window);
    void RemoveWindow(WindowHandle handle);
    Window* FindWindow(WindowHandle handle) const;
    // Calls the window's procedure at once, on this thread; 0 when there is
    // no such window.
    intptr_t Send(WindowHandle handle, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool Post(WindowHandle handle, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0,
              std::unique_ptr<MessagePayload> payload = nullptr);

    // Calls `callback` once after `delayMs` of the program clock.
    TimerId SetTimer(uint32_t delayMs, std::function<void()> callback);
    void KillTimer(TimerId id);

    // Waits through `waiter` from now on (null: poll() itself); the waiter
    // must outlive its use.
    void SetInputWaiter(InputWaiter* waiter) { m_waiter = waiter; }

    // Calls `onReady` on this thread whenever `fd` is readable (or hung up).
    [[nodiscard]] bool Watch(int fd, std::function<void()> onReady);
    void Unwatch(int fd);

  private:
    struct Timer {
        uint64_t due;
        std::function<void()> callback;
    };

    bool Pump(const std::function<bool()>& finished, bool wait);
    void Dispatch(Message& message);
    bool RunOneDueTimer();
    void WaitForInput();

    std::shared_ptr<MessageQueue> m_queue;
    MessageLoop* m_previous = nullptr;
    std::map<WindowHandle, Window*> m_windows;
    WindowHandle m_nextHandle = 1;
    std::map<TimerId, Timer> m_timers;
    TimerId m_nextTimer = 1;
    std::map<int, std::shared_ptr<std::function<void()>>> m_watches;
    std::optional<int> m_quitCode;
    InputWaiter* m_waiter = nullptr;
};
