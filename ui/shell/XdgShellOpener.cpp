#include "ui/shell/XdgShellOpener.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/process/FindProgram.h"
#include "platform/process/Spawn.h"

#include <cstring>

namespace {

bool SpawnDetached(const std::vector<std::string>& argv) {
    int error = 0;
    pid_t child = argv[0].empty() ? -1 : platform::SpawnProcess(argv, &error);
    if (child < 0) {
        MVLOG(LOG_ERR, "Could not start %s, error %i (%s)", argv[0].empty() ? "(not found)" : argv[0].c_str(),
              error, std::strerror(error));
        return false;
    }
    platform::ReapInBackground(child);
    return true;
}

} // namespace

bool XdgShellOpener::Open(const std::wstring& target) {
    if (target.empty())
        return false;
    return SpawnDetached({platform::FindProgramInPath("xdg-open"), WideToUtf8(target)});
}

bool XdgShellOpener::Run(const std::wstring& program) {
    if (program.empty())
        return false;
    return SpawnDetached({WideToUtf8(program)});
}
