#pragma once

namespace platform {

// True when a tracer (a debugger) is attached to this process.
bool IsDebuggerAttached() noexcept;

} // namespace platform
