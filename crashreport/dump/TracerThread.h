// Runs ptrace work on a thread of its own. A task that is seized but never
// reaches its stop (it sits in a wait no interrupt breaks) cannot be let go
// with PTRACE_DETACH; the kernel lets it go when its tracer thread ends, so
// the work's thread ends before the caller goes on.
#pragma once

#include <functional>

// Runs `work` on a new thread, waits until it has ended and returns its
// result; false when no thread could be started.
[[nodiscard]] bool RunAsTracer(const std::function<bool()>& work);
