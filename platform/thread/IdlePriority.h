// Lowers the calling thread to the idle scheduling class, so it runs only
// when nothing else wants the processor, and its disk reads wait for
// everyone else's. Children it starts inherit both.
#pragma once

namespace platform {

// SCHED_IDLE, or nice 19 where that is refused, plus the idle I/O class.
// 0, or the errno value of the scheduling change that failed.
int LowerThreadToIdle() noexcept;

} // namespace platform
