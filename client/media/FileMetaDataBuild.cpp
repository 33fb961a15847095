// Building a record from its file: status, format analysis, digest, and the
// fingerprint when asked for.
#include "client/media/FileMetaData.h"
#include "client/media/PrintSource.h"

#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>

namespace {

// An AAC file of more than this many audio bytes without a print is
// reported, at most kMaxFpErrReports - 1 times per process.
constexpr uint64_t kFpErrMinDataLen = 0x200000;
constexpr int kMaxFpErrReports = 20;
std::atomic<int> g_fpErrCount{0};

} // namespace

bool FileMetaData::ReadQuickInfo() {
    return Read(true, -1);
}

bool FileMetaData::ReadAudioRegion() {
    return Read(false, -1);
}

bool FileMetaData::ReadQuickInfo(int fd) {
    return fd >= 0 && Read(true, fd);
}

bool FileMetaData::ReadAudioRegion(int fd) {
    return fd >= 0 && Read(false, fd);
}

bool FileMetaData::Read(bool whole, int givenFd) {
    const std::wstring path = GetFullPath();
    if (path.empty()) {
        MVLOG(LOG_ERR, "Metadata record has no directory or file name; nothing to read");
        return false;
    }
    // A character without a UTF-8 form (a lone surrogate, a value past
    // U+10FFFF) would be encoded as U+FFFD and so name another file. A name
    // that was not UTF-8 on disk arrives with U+FFFD in place of its bad
    // bytes; encoded, it names only a file that really has U+FFFD in its
    // name, or none, and stat fails.
    const std::string utf8 = WideToUtf8(path);
    if (Utf8ToWide(utf8) != path) {
        // Shown as encoded: the logger cannot print the wide form.
        MVLOG(LOG_ERR, "Name has no UTF-8 form, not read: %s", utf8.c_str());
        return false;
    }
    struct stat st {};
    if ((givenFd >= 0 ? fstat(givenFd, &st) : stat(utf8.c_str(), &st)) != 0) {
        MVLOG(LOG_ERR, "Could not stat %ls when building metadata obj", path.c_str());
        return false;
    }
    if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
        MVLOG(LOG_ERR, "File of %lli bytes is 2 GiB or more, not read: %ls",
              static_cast<long long>(st.st_size), path.c_str());
        return false;
    }
    size = static_cast<uint32_t>(st.st_size);
    lastModDate = static_cast<uint32_t>(st.st_mtime);
    if (size == 0)
        return false;

    platform::UniqueFd opened;
    if (givenFd < 0) {
        opened.Reset(platform::OpenCloexec(utf8, O_RDONLY));
        if (!opened.IsValid()) {
            MVLOG(LOG_ERR, "could not open file, err %i, %ls", errno, path.c_str());
            return false;
        }
    }
    const int fd = givenFd >= 0 ? givenFd : opened.Get();
    ClearTags();
    if (encType == MP3) {
        if (!AnalyzeMp3(fd, path, whole))
            return false;
    } else if (encType == AAC) {
        if (!AnalyzeMp4(fd, path))
            return false;
    } else {
        MVLOG(LOG_ERR, "Not an audio file type, not read: %ls", path.c_str());
        return false;
    }
    if (lengthSecs == 0 || bitRate == 0) {
        MVLOG(LOG_ERR, "invalid audio properties for %ls", path.c_str());
        return false;
    }
    if (m_dataLen == 0 || m_dataOffset < m_id3v2Len || m_dataOffset + m_dataLen > size) {
        MVLOG(LOG_ERR, "Bad audio region %llu+%llu (tag %llu, size %u) in %ls",
              static_cast<unsigned long long>(m_dataOffset), static_cast<unsigned long long>(m_dataLen),
              static_cast<unsigned long long>(m_id3v2Len), size, path.c_str());
        return false;
    }
    if (whole && !HashAudioData(fd, m_dataOffset, m_dataLen, digest)) {
        MVLOG(LOG_ERR, "Could not get hash for %ls", path.c_str());
        return false;
    }
    return true;
}

bool FileMetaData::ComputeMetadataAndPrint(bool wantPrint, bool inProcess) {
    const std::wstring path = GetFullPath();
    if (!ReadQuickInfo()) {
        MVLOG(LOG_ERR, "ReadQuickInfo failed for %ls", path.c_str());
        return false;
    }
    if (!wantPrint)
        return true;
    std::string text;
    uint32_t secs = 0;
    const bool made = inProcess ? CalcPrintInProcess(path, text, secs) : GetPrintOutOfProc(path, text, secs);
    if (made) {
        print = text;
        printSecs = secs;
    }
    if (!inProcess) {
        if (!made)
            MVLOG(LOG_ERR, "Failed GetPrintOutOfProc");
        return true;
    }
    if (encType == AAC && print.empty()) {
        MVLOG(LOG_ERR, "AAC FP length was 0 for %ls", pFileName.c_str());
        if (m_dataLen > kFpErrMinDataLen && ++g_fpErrCount < kMaxFpErrReports)
            SendReport(L"FP err", REPORT_INFO);
    }
    return true;
}
