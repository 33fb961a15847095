// Holds one reference to an object of the automation layer.
#pragma once

#include "foldertree/automation/Interfaces.h"

#include <utility>

namespace ax {

template <class T> class ComPtr {
  public:
    ComPtr() noexcept = default;
    // Takes a new reference.
    explicit ComPtr(T* object) noexcept : m_object(object) {
        if (m_object)
            m_object->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_object) {}
    ComPtr(ComPtr&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a reference the caller already holds.
    static ComPtr Attach(T* object) noexcept {
        ComPtr owner;
        owner.m_object = object;
        return owner;
    }
    T* Get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }
    T* Detach() noexcept { return std::exchange(m_object, nullptr); }
    void Reset() noexcept {
        if (T* object = std::exchange(m_object, nullptr))
            object->Release();
    }
    // Releases what is held and gives the slot to a function that returns a
    // new reference through a `void**` out-parameter.
    void** OutVoid() noexcept {
        Reset();
        return reinterpret_cast<void**>(&m_object);
    }
    T** Out() noexcept {
        Reset();
        return &m_object;
    }

  private:
    T* m_object = nullptr;
};

} // namespace ax
