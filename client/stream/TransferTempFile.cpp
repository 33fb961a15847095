#include "client/stream/TransferTempFile.h"

#include "client/media/FileMetaData.h"
#include "client/media/Mp3Scan.h"
#include "client/media/Mp4Boxes.h"
#include "include/digest/Md5.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

const wchar_t kTempFileSuffix[] = L".temp";

namespace {

constexpr wchar_t kTempFilePrefix[] = L"mv-";
constexpr int kTempFileMode = 0600;

} // namespace

std::wstring TempNamePrefix(const TransferId& id) {
    return kTempFilePrefix + std::to_wstring(static_cast<int32_t>(id.word0)) + L"-";
}

std::wstring CreateTempName(const TransferId& id, uint64_t fileSetID) {
    return TempNamePrefix(id) + std::to_wstring(fileSetID) + kTempFileSuffix;
}

bool FileSetIdOfDigest(const std::string& digest, uint64_t& fileSetID) {
    uint64_t value = 0;
    if (digest.size() != 2 * kMd5DigestBytes || !DigestStrToUInt64(digest, value))
        return false;
    fileSetID = value >> 1;
    return true;
}

FileMetaData TempFileRecord(const std::wstring& tempPath, const std::wstring& destination) {
    FileMetaData record;
    record.SetPath(destination);
    const uint32_t encType = record.GetEncType();
    record.SetPath(tempPath);
    record.encType = encType;
    return record;
}

namespace {

// Finds where the audio data of a partial file begin, as the sender finds
// them, without the full analysis (a partial file has no length or bit rate):
// MP3 after the ID3v2 tag at the first frame header, MPEG-4 at the payload
// of the first "mdat" box, which runs past the partial file's end.
bool FindPartialDataOffset(const std::wstring& path, uint32_t encType, uint64_t& dataOffset, uint64_t& size) {
    int64_t fileSize = 0;
    platform::UniqueFd fd(platform::OpenRegularFileRead(WideToUtf8(path), &fileSize));
    if (!fd.IsValid())
        return false;
    size = static_cast<uint64_t>(fileSize);
    const bool found = encType == MP3
                           ? FindFrameSync(fd.Get(), readID3v2Head(fd.Get()), dataOffset)
                           : FindTopLevelBoxInFile(fd.Get(), size, "mdat", dataOffset, MP4_BOX_MAY_BE_CUT);
    return found && dataOffset <= size;
}

} // namespace

ResumePoint ProbeTempFile(FileMetaData& md) {
    ResumePoint point;
    const std::wstring tempPath = md.GetFullPath();
    if (!pathExists(tempPath))
        return point;
    uint64_t dataOffset = 0;
    uint64_t size = 0;
    bool usable = false;
    if (md.GetEncType() == MP3 || md.GetEncType() == AAC) {
        usable = FindPartialDataOffset(tempPath, md.GetEncType(), dataOffset, size);
    } else if (md.ReadQuickInfo()) {
        dataOffset = md.GetDataOffset();
        size = md.size;
        usable = true;
    }
    if (!usable) {
        MVLOG(LOG_ERR, "Could not load metadata from temp file %ls, deleting it", tempPath.c_str());
        (void)deleteFile(tempPath, true);
        return point;
    }
    // What is physically there counts, not what an analysis calls audio: a
    // trailing block that looks like a tag must not be asked for twice.
    point.tagDone = true;
    point.resumeOffset = static_cast<int64_t>(size - dataOffset);
    point.startPos = static_cast<int64_t>(size);
    return point;
}

int OpenTempFile(const std::wstring& path, int64_t startPos) {
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | (startPos == 0 ? O_TRUNC : 0);
    platform::UniqueFd fd(platform::OpenCloexec(WideToUtf8(path), flags, kTempFileMode));
    if (!fd.IsValid()) {
        MVLOG(LOG_ERR, "Could not open temp file %ls, errno %i", path.c_str(), errno);
        return -1;
    }
    if (lseek(fd.Get(), static_cast<off_t>(startPos), SEEK_SET) != static_cast<off_t>(startPos)) {
        MVLOG(LOG_ERR, "Could not seek temp file %ls to %lli, errno %i", path.c_str(),
              static_cast<long long>(startPos), errno);
        return -1;
    }
    return fd.Release();
}
