#include "crashreport/ReportPayload.h"

#include "crashreport/CrashBody.h"
#include "crashreport/GzipFile.h"
#include "crashreport/ReadBlocks.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kLogGzName[] = "log.gz";
constexpr size_t kReadBlockBytes = 1 << 16;

// The bytes of `path` from `fromEnd` before its end (all when negative or
// larger than the file). False when it cannot be opened or read.
bool ReadTail(const std::string& path, int64_t fromEnd, std::string& bytes) {
    platform::UniqueFd fd(platform::OpenCloexec(path, O_RDONLY));
    struct stat info {};
    if (!fd.IsValid() || fstat(fd.Get(), &info) != 0)
        return false;
    const int64_t size = info.st_size;
    const int64_t start = fromEnd < 0 || fromEnd > size ? 0 : size - fromEnd;
    if (lseek(fd.Get(), static_cast<off_t>(start), SEEK_SET) < 0)
        return false;
    bytes.clear();
    return ReadBlocks(fd.Get(), kReadBlockBytes, [&bytes](const char* data, size_t size) {
        bytes.append(data, size);
        return true;
    });
}

} // namespace

std::string FilePartContent(const std::string& path) {
    std::string bytes;
    if (path.empty() || !ReadTail(path, -1, bytes))
        return kNoFileText;
    return bytes;
}

std::string LogPartContent(const ReportFolder& folder, const std::string& logPath, int64_t rawByteLimit) {
    std::string bytes;
    if (folder.IsReady()) {
        const std::string gzPath = folder.PathOf(kLogGzName);
        if (GzipFile(logPath, gzPath) && ReadTail(gzPath, -1, bytes))
            return bytes;
    }
    return ReadTail(logPath, rawByteLimit, bytes) ? bytes : kNoFileText;
}
