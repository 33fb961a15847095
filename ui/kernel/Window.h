// A window: an object on the UI thread reached through its handle. Messages
// for a handle whose window is destroyed are dropped.
#pragma once

#include "ui/kernel/Message.h"
#include "ui/kernel/MessageQueue.h"

class MessageLoop;

class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowHandle Handle() const { return m_handle; }
    bool IsWindow() const { return m_handle != kNoWindow; }
    MessageLoop* Loop() const { return m_loop; }
    // Where other threads post to this window.
    MessageTarget Target() const;

    // Registers the window with `loop` and gives it a handle.
    bool Attach(MessageLoop& loop);
    // Sends WM_DESTROY, then gives up the handle.
    void DestroyWindow();
    // The loop is going away: forget it without further messages.
    void Detach();

    virtual intptr_t WindowProc(Message& message) = 0;

  private:
    MessageLoop* m_loop = nullptr;
    WindowHandle m_handle = kNoWindow;
};
