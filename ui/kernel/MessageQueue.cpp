#include "ui/kernel/MessageQueue.h"

std::shared_ptr<MessageQueue> MessageQueue::Create() {
    std::shared_ptr<MessageQueue> queue(new MessageQueue());
    if (!queue->m_wake.IsValid())
        return nullptr;
    return queue;
}

bool MessageQueue::Post(Message message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed)
            return false; // `message` and its payload go here, outside the lock
        m_messages.push_back(std::move(message));
    }
    m_wake.Signal();
    return true;
}

bool MessageQueue::TryTake(Message* message) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_messages.empty()) {
        // Drained under the lock: a post after this signals again.
        m_wake.Drain();
        return false;
    }
    *message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

void MessageQueue::Close() {
    std::deque<Message> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        dropped.swap(m_messages);
    }
}

size_t MessageQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
}

bool MessageTarget::Post(uint32_t id, uintptr_t wParam, intptr_t lParam,
                         std::unique_ptr<MessagePayload> payload) const {
    if (!m_queue)
        return false;
    Message message;
    message.window = m_window;
    message.id = id;
    message.wParam = wParam;
    message.lParam = lParam;
    message.payload = std::move(payload);
    return m_queue->Post(std::move(message));
}
