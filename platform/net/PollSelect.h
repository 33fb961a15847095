// select() for the program's socket sets, built on poll(), so descriptor
// numbers have no upper limit.
#pragma once

#include "platform/net/SocketSet.h"

#include <sys/time.h>

namespace platform {

// Waits until a member of `readSet` is readable, of `writeSet` writable or of
// `exceptSet` exceptional, or until `timeout` passes (null: no limit). Any set
// may be null. On return each set holds only its ready members, and the result
// is their total count (0 on time-out); on failure -1 with errno, and every set
// is left empty so that nothing is taken as ready. A member that is not an
// open descriptor fails the call with EBADF, as select() does.
//
// A member of `exceptSet` is exceptional when urgent data waits or when its
// socket has failed, which is how a failed non-blocking connect shows: Linux
// reports it readable and writable with SO_ERROR set, so such a socket is
// reported in the exception set only, never as readable or writable.
int PollSelect(SocketSet* readSet, SocketSet* writeSet, SocketSet* exceptSet,
               const timeval* timeout) noexcept;

} // namespace platform
