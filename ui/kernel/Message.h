// One queued window message. A payload belongs to the message: the handler
// takes it, and one that is never delivered is freed with the message.
#pragma once

#include "ui/kernel/Messages.h"

#include <cstdint>
#include <memory>

class MessagePayload {
  public:
    virtual ~MessagePayload() = default;
};

template <typename T> class OwnedPayload final : public MessagePayload {
  public:
    explicit OwnedPayload(std::unique_ptr<T> value) : m_value(std::move(value)) {}
    std::unique_ptr<T> Take() { return std::move(m_value); }

  private:
    std::unique_ptr<T> m_value;
};

template <typename T> std::unique_ptr<MessagePayload> MakePayload(std::unique_ptr<T> value) {
    return std::make_unique<OwnedPayload<T>>(std::move(value));
}

struct Message {
    WindowHandle window = kNoWindow;
    uint32_t id = WM_NULL;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::unique_ptr<MessagePayload> payload;

    // The payload if it holds a T; null otherwise (also after a first take).
    template <typename T> std::unique_ptr<T> TakePayload() {
        auto* owned = dynamic_cast<OwnedPayload<T>*>(payload.get());
        return owned ? owned->Take() : nullptr;
    }
};

inline uint16_t LowWord(intptr_t value) {
    return static_cast<uint16_t>(static_cast<uintptr_t>(value) & 0xFFFF);
}
inline uint16_t LowWord(uintptr_t value) {
    return static_cast<uint16_t>(value & 0xFFFF);
}
