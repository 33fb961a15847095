// The message queue of one UI thread. Any thread posts; the UI thread takes.
// Posting wakes the thread through an event descriptor. Once closed, the queue
// drops what it holds and refuses later posts, freeing their payloads.
#pragma once

#include "platform/ui/EventFd.h"
#include "ui/kernel/Message.h"

#include <deque>
#include <memory>
#include <mutex>

class MessageQueue {
  public:
    // Null when no event descriptor can be had.
    static std::shared_ptr<MessageQueue> Create();

    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // False when the queue is closed; the message is then dropped.
    bool Post(Message message);
    // The oldest message, if any.
    [[nodiscard]] bool TryTake(Message* message);
    // Readable while messages wait.
    int WakeFd() const { return m_wake.Get(); }
    void Close();
    size_t Size() const;

  private:
    MessageQueue() = default;

    mutable std::mutex m_mutex;
    std::deque<Message> m_messages;
    bool m_closed = false;
    platform::EventFd m_wake;
};

// Where a message goes: a window's handle on its thread's queue. Cheap to
// copy; safe to use from any thread and after the window is gone (the message
// is then dropped).
class MessageTarget {
  public:
    MessageTarget() = default;
    MessageTarget(std::shared_ptr<MessageQueue> queue, WindowHandle window)
        : m_queue(std::move(queue)), m_window(window) {}

    bool Post(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0,
              std::unique_ptr<MessagePayload> payload = nullptr) const;
    WindowHandle Window() const { return m_window; }
    bool IsSet() const { return m_queue && m_window != kNoWindow; }

  private:
    std::shared_ptr<MessageQueue> m_queue;
    WindowHandle m_window = kNoWindow;
};
