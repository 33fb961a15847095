#include "include/process/ShellOpen.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/process/FindProgram.h"
#include "platform/process/Spawn.h"

#include <cerrno>
#include <cstring>

bool StartDetached(const std::vector<std::string>& argv, int* error) {
    int failure = ENOENT;
    const pid_t child = argv.empty() || argv[0].empty() ? -1 : platform::SpawnProcess(argv, &failure);
    if (child < 0) {
        MVLOG(LOG_ERR, "Could not start %s, error %i (%s)",
              argv.empty() || argv[0].empty() ? "(not found)" : argv[0].c_str(), failure,
              std::strerror(failure));
        if (error)
            *error = failure;
        return false;
    }
    platform::ReapInBackground(child);
    if (error)
        *error = 0;
    return true;
}

bool ShellOpen(const std::wstring& target, int* error) {
    if (target.empty()) {
        if (error)
            *error = ENOENT;
        return false;
    }
    return StartDetached({platform::FindProgramInPath("xdg-open"), WideToUtf8(target)}, error);
}
