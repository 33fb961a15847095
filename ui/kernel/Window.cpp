#include "ui/kernel/Window.h"

#include "ui/kernel/MessageLoop.h"

Window::~Window() {
    if (m_loop && m_handle != kNoWindow)
        m_loop->RemoveWindow(m_handle);
}

MessageTarget Window::Target() const {
    if (!m_loop)
        return MessageTarget();
    return MessageTarget(m_loop->Queue(), m_handle);
}

bool Window::Attach(MessageLoop& loop) {
    if (m_handle != kNoWindow)
        return false;
    m_loop = &loop;
    m_handle = loop.AddWindow(this);
    return true;
}

void Window::DestroyWindow() {
    if (!m_loop || m_handle == kNoWindow)
        return;
    m_loop->Send(m_handle, WM_DESTROY);
    m_loop->RemoveWindow(m_handle);
    m_handle = kNoWindow;
}

void Window::Detach() {
    m_loop = nullptr;
    m_handle = kNoWindow;
}
