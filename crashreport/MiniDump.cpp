#include "crashreport/MiniDump.h"

#include "crashreport/dump/CoreDump.h"

#include <unistd.h>

namespace {

constexpr char kDumpFileName[] = "dump.gz";

} // namespace

std::string WriteMiniDump(const ReportFolder& folder, pid_t pid, pid_t tid, uint64_t recordAddress) {
    if (pid == 0 || !folder.IsReady())
        return std::string();
    const std::string path = folder.PathOf(kDumpFileName);
    platform::UniqueFd fd(CreateExclusiveFile(path));
    if (!fd.IsValid())
        return std::string();
    platform::GzipWriter out(std::move(fd));
    CoreDumpRequest request;
    request.pid = pid;
    request.crashedThread = tid;
    request.recordAddress = recordAddress;
    const bool written = WriteCoreDump(request, out);
    if (out.Finish() && written)
        return path;
    unlink(path.c_str());
    return std::string();
}
