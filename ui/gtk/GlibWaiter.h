// The UI kernel's descriptors (its queue's event descriptor and the watched
// ones) as a source of GLib's main context: while the kernel waits, GTK's
// own events are dispatched, and a posted message or a readable descriptor
// ends the wait.
#pragma once

#include "ui/kernel/InputWaiter.h"

class GlibWaiter final : public InputWaiter {
  public:
    int Wait(pollfd* fds, size_t count, int timeoutMs) override;
};
