// The modes a user's ordinary new files and folders get: 0666 and 0777 less
// the process's umask, for files made private first and shared later.
#pragma once

namespace platform {

// The umask is read from /proc/self/status, never set and put back, which
// would race with the files other threads create. When it cannot be read,
// 077 is assumed: nothing becomes more open than the user allows.
int UserFileMode() noexcept;
int UserFolderMode() noexcept;

} // namespace platform
