#include "crashreport/GzipFile.h"

#include "crashreport/ReadBlocks.h"
#include "crashreport/ReportFolder.h"
#include "platform/fs/FileOps.h"
#include "platform/lib/zlib/GzipWriter.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr size_t kGzipBlockBytes = 0x4000;

} // namespace

bool GzipFile(const std::string& source, const std::string& target) {
    platform::UniqueFd in(platform::OpenCloexec(source, O_RDONLY));
    if (!in.IsValid())
        return false;
    platform::UniqueFd fd(CreateExclusiveFile(target));
    if (!fd.IsValid())
        return false;
    platform::GzipWriter out(std::move(fd));
    const bool copied =
        out.Ok() && ReadBlocks(in.Get(), kGzipBlockBytes,
                               [&out](const char* data, size_t size) { return out.Write(data, size); });
    if (out.Finish() && copied)
        return true;
    unlink(target.c_str());
    return false;
}
