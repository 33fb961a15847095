#include "foldertree/shell/ShellLauncher.h"

#include "platform/process/FindProgram.h"
#include "platform/process/Spawn.h"

#include <cerrno>

namespace pgv {
namespace {

LaunchFunction g_launch = nullptr;

int Launch(const std::vector<std::string>& argv) {
    if (g_launch)
        return g_launch(argv);
    std::string program = platform::FindProgramInPath(argv[0]);
    if (program.empty())
        return ENOENT;
    std::vector<std::string> args = argv;
    args[0] = program;
    int error = 0;
    pid_t child = platform::SpawnProcess(args, &error);
    if (child < 0)
        return error ? error : EIO;
    platform::ReapInBackground(child);
    return 0;
}

} // namespace

int OpenWithDesktop(const std::string& target) {
    if (target.empty())
        return EINVAL;
    // A target that starts with '-' must not read as an option.
    std::string argument = target[0] == '-' ? "./" + target : target;
    return Launch({"xdg-open", argument});
}

void SetLaunchOverride(LaunchFunction launch) {
    g_launch = launch;
}

} // namespace pgv
