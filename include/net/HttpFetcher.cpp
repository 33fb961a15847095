#include "include/net/HttpFetcher.h"

#include "include/config/ServiceSettings.h"
#include "include/digest/Md5.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kUserAgent[] = "MV Downloader (Windows)";
constexpr char kTempSuffix[] = ".part-XXXXXX";
// A download that brings nothing for this long fails.
constexpr long kReceiveTimeoutSecs = 600;

// A download's file beside its target, removed unless it was moved there.
class TempDownload {
  public:
    explicit TempDownload(const std::string& target) : m_path(target + kTempSuffix) {
        m_fd.Reset(mkostemp(m_path.data(), O_CLOEXEC));
        if (!m_fd.IsValid())
            m_path.clear();
    }
    ~TempDownload() {
        m_fd.Reset();
        if (!m_path.empty())
            unlink(m_path.c_str());
    }
    TempDownload(const TempDownload&) = delete;
    TempDownload& operator=(const TempDownload&) = delete;

    bool IsOpen() const { return m_fd.IsValid(); }
    int Fd() const { return m_fd.Get(); }
    const std::string& Path() const { return m_path; }
    // Syncs and closes the file; false (errno set) when either fails.
    bool Finish() {
        bool synced = fsync(m_fd.Get()) == 0;
        return close(m_fd.Release()) == 0 && synced;
    }
    // Replaces `target` with the download; false (errno set) on failure.
    bool MoveTo(const std::string& target) {
        if (std::rename(m_path.c_str(), target.c_str()) != 0)
            return false;
        m_path.clear();
        return true;
    }

  private:
    std::string m_path;
    platform::UniqueFd m_fd;
};

bool HasDigest(const std::wstring& path, const std::wstring& md5Hex) {
    std::wstring hex;
    return Md5HexOfFile(path, hex) && EqualsNoCase(hex, md5Hex);
}

bool Finish(FetchResult& result, FetchResult value) {
    result = value;
    return value == FETCH_OK || value == FETCH_ALREADY_CURRENT;
}

} // namespace

std::string EncodeRemoteName(const std::wstring& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : WideToUtf8(name)) {
        if (c <= 0x20 || c >= 0x7F) {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        } else {
            encoded += static_cast<char>(c);
        }
    }
    return encoded;
}

HttpFetcher::HttpFetcher(const std::wstring& localDir, const std::wstring& baseUrl)
    : m_localDir(localDir), m_baseUrl(WideToUtf8(baseUrl)), m_caFile(GetServiceSettings().caFile) {
    if (!m_curl.IsValid())
        MVLOG(LOG_ERR, "Could not open hnet, err %i", static_cast<int>(CURLE_FAILED_INIT));
}

bool HttpFetcher::FetchFile(const std::wstring& remoteName, const std::wstring& localName,
                            const std::wstring& md5Hex, FetchResult& result) {
    std::wstring relative;
    if (!NetworkNameToPath(localName, relative))
        return Finish(result, FETCH_OPEN_FAILED);
    const std::wstring localPath = PathJoin(m_localDir, relative);
    if (HasDigest(localPath, md5Hex))
        return Finish(result, FETCH_ALREADY_CURRENT);
    if (!createDirs(localPath))
        return Finish(result, FETCH_MKDIR_FAILED);
    if (!m_curl.IsValid())
        return Finish(result, FETCH_NO_SESSION);
    const std::string target = WideToUtf8(localPath);
    TempDownload download(target);
    if (!download.IsOpen()) {
        MVLOG(LOG_ERR, "Could not create a file beside %s: %i", target.c_str(), errno);
        return Finish(result, FETCH_OPEN_FAILED);
    }

    platform::CurlRequest request;
    request.url = m_baseUrl + EncodeRemoteName(remoteName);
    request.userAgent = kUserAgent;
    request.caFile = m_caFile;
    // A large file takes as long as it keeps coming; only a stalled one fails.
    request.totalTimeoutSecs = 0;
    request.idleTimeoutSecs = kReceiveTimeoutSecs;
    bool opened = false;
    request.onResponse = [&opened](long status) {
        opened = true;
        // The response's status stands in for the handle of the opened URL.
        MVLOG(LOG_VERB, "Returned from open, h: %x", static_cast<unsigned>(status));
        MVLOG(LOG_VERB, "About to start reading file");
    };
    MVLOG(LOG_VERB, "About to open URL: %s", request.url.c_str());
    long long received = 0;
    bool writeFailed = false;
    platform::CurlResult fetched = m_curl.Perform(request, [&](const char* data, size_t size) {
        received += static_cast<long long>(size);
        writeFailed = !platform::WriteAll(download.Fd(), data, size);
        return !writeFailed;
    });
    if (!opened) {
        MVLOG(LOG_ERR, "InternetOpenUrl failed, err %i", static_cast<int>(fetched.code));
        MVLOG(LOG_ERR, "%s: %s", request.url.c_str(), fetched.errorText.c_str());
        return Finish(result, FETCH_URL_FAILED);
    }
    if (!fetched.Ok())
        MVLOG(LOG_ERR, "Download of %s broke off: %s", request.url.c_str(), fetched.errorText.c_str());
    MVLOG(LOG_VERB, "Finished download, read %lli bytes", received);
    if (writeFailed || !download.Finish()) {
        MVLOG(LOG_ERR, "Could not write %s: %i", download.Path().c_str(), errno);
        return Finish(result, FETCH_OPEN_FAILED);
    }
    if (!HasDigest(Utf8ToWide(download.Path()), md5Hex))
        return Finish(result, FETCH_DIGEST_MISMATCH);
    if (!download.MoveTo(target)) {
        MVLOG(LOG_ERR, "Could not replace %s: %i", target.c_str(), errno);
        return Finish(result, FETCH_OPEN_FAILED);
    }
    return Finish(result, FETCH_OK);
}
