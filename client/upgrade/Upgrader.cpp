#include "client/upgrade/Upgrader.h"

#include "client/upgrade/UpgradeRequest.h"
#include "include/config/ServiceSettings.h"
#include "include/crash/Assert.h"
#include "include/crash/CrashReport.h"
#include "include/digest/Md5.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/net/HttpFetcher.h"
#include "include/process/RunProcess.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/UniqueFd.h"
#include "platform/system/ExePath.h"

namespace {

constexpr wchar_t kUpgraderFolderName[] = L"upgrader";
constexpr int kUpgraderMode = 0700;
// A manifest lists a program's files; anything near this size is not one.
constexpr long kMaxManifestBytes = 16L << 20;

bool ReadManifestBytes(const std::wstring& path, std::string& bytes) {
    platform::UniqueFd fd(openFileRead(path, 0));
    if (!fd.IsValid())
        return false;
    bytes.resize(kMaxManifestBytes + 1);
    long n = ReadFully(fd.Get(), bytes.data(), kMaxManifestBytes + 1);
    if (n < 0 || n > kMaxManifestBytes)
        return false;
    bytes.resize(static_cast<size_t>(n));
    return true;
}

// Where the order's files are fetched from and put.
struct UpgradePlaces {
    std::wstring programPath;
    std::wstring programDir;
    std::wstring baseUrl;
    std::wstring upgraderDir;
    // URL paths relative to the base, and the file names they end in.
    std::wstring upgraderRemote;
    std::wstring upgraderName;
    std::wstring manifestRemote;
    std::wstring manifestName;
};

std::wstring RelativeToBase(const std::wstring& urlPath) {
    size_t start = urlPath.find_first_not_of(L'/');
    return start == std::wstring::npos ? std::wstring() : urlPath.substr(start);
}

std::wstring FileNameOfUrl(const std::wstring& urlPath) {
    std::wstring head, tail;
    return SplitUrlPath(urlPath, head, tail) ? tail : urlPath;
}

bool FindPlaces(const UpgradeRequest& request, UpgradePlaces& places) {
    places.programPath =
        request.programPath.empty() ? Utf8ToWide(platform::ExecutablePath()) : request.programPath;
    std::wstring programName;
    if (!SplitPath(places.programPath, places.programDir, programName)) {
        MVLOG(LOG_ERR, "No program folder in %ls", places.programPath.c_str());
        return false;
    }
    places.baseUrl = Utf8ToWide(GetServiceSettings().webBaseUrl) + L"/";
    places.upgraderRemote = RelativeToBase(request.upgraderPath);
    places.upgraderName = FileNameOfUrl(request.upgraderPath);
    places.manifestRemote = RelativeToBase(request.manifestPath);
    places.manifestName = FileNameOfUrl(request.manifestPath);
    return true;
}

bool Cancelled(const UpgradeRequest& request) {
    return request.cancelled;
}

// One attempt; true once the upgrader has been started successfully.
bool RunAttempt(UpgradeRequest& request, const UpgradePlaces& places) {
    const std::wstring downloadDir = GetTempFilePath(request.manifestMd5);
    if (downloadDir.empty() || (!isDirectory(downloadDir) && !createDir(downloadDir))) {
        MVLOG(LOG_ERR, "Could not make the download folder %ls",
              downloadDir.empty() ? request.manifestMd5.c_str() : downloadDir.c_str());
        return false;
    }
    const std::wstring appData = GetAppDataDir();
    if (appData.empty()) {
        MVLOG(LOG_ERR, "No data folder to hold the upgrader's folder %ls", kUpgraderFolderName);
        return false;
    }
    const std::wstring upgraderDir = PathJoin(appData, kUpgraderFolderName);

    HttpFetcher fetcher(upgraderDir, places.baseUrl);
    FetchResult result = FETCH_OK;
    if (!fetcher.FetchFile(places.upgraderRemote, places.upgraderName, request.upgraderMd5, result)) {
        MVLOG(LOG_ERR, "Could not fetch upgrader, result: %i", static_cast<int>(result));
        return false;
    }
    if (Cancelled(request))
        return false;
    fetcher.SetLocalDir(downloadDir);
    if (!fetcher.FetchFile(places.manifestRemote, places.manifestName, request.manifestMd5, result)) {
        MVLOG(LOG_ERR, "Could not fetch manifest, result: %i", static_cast<int>(result));
        return false;
    }
    NoteUpgradeProgress(request);
    const std::wstring upgraderPath = PathJoin(upgraderDir, places.upgraderName);
    const std::wstring manifestPath = PathJoin(downloadDir, places.manifestName);
    std::vector<UpgradeFileEntry> files;
    if (!BuildLocalChangeList(places.programDir, manifestPath, files)) {
        MVLOG(LOG_ERR, "BuildLocalChangeList failed");
        return false;
    }
    if (!DownloadChangedFiles(fetcher, files, request)) {
        MVLOG(LOG_ERR, "DownloadChangedFiles failed");
        return false;
    }
    if (Cancelled(request) || !setFileMode(upgraderPath, kUpgraderMode))
        return false;
    if (!LaunchUpgrader(upgraderPath, manifestPath, places.programPath)) {
        MVLOG(LOG_ERR, "LaunchUpgrader failed");
        return false;
    }
    return true;
}

} // namespace

void DoUpgrade(UpgradeRequest& request) {
    MVLOG(LOG_INFO, "In DoUpgrade()");
    UpgradePlaces places;
    const bool placesFound = FindPlaces(request, places);
    for (int attempt = 0; placesFound && attempt < kUpgradeAttempts; ++attempt) {
        if (attempt > 0 && !PauseUnlessCancelled(request, request.retryPauseMs))
            return;
        if (Cancelled(request))
            return;
        if (RunAttempt(request, places)) {
            // The upgrader installs and ends this process; a second install
            // or a failure report would only get in its way. An order that
            // timed out while the upgrader ran stays a failure.
            (void)FinishUpgrade(request, true);
            return;
        }
    }
    if (FinishUpgrade(request, false))
        SendReport(L"Upgrade Failed", REPORT_UPGRADE);
}

bool BuildLocalChangeList(const std::wstring& programDir, const std::wstring& manifestPath,
                          std::vector<UpgradeFileEntry>& files) {
    MV_ASSERT(files.size() == 0);
    std::string bytes;
    if (!ReadManifestBytes(manifestPath, bytes)) {
        MVLOG(LOG_ERR, "Could not read the manifest %ls", manifestPath.c_str());
        return false;
    }
    std::vector<UpgradeFileEntry> entries;
    std::string error;
    if (!ParseManifest(bytes, entries, error)) {
        MVLOG(LOG_ERR, "Refusing the manifest %ls: %s", manifestPath.c_str(), error.c_str());
        return false;
    }
    for (UpgradeFileEntry& entry : entries) {
        std::wstring relative;
        if (!IsMd5Hex(entry.md5) || !NetworkNameToPath(entry.localPath, relative)) {
            MVLOG(LOG_ERR, "Refusing the manifest entry %ls for %ls", entry.md5.c_str(),
                  entry.localPath.c_str());
            return false;
        }
        const std::wstring localPath = PathJoin(programDir, relative);
        if (!fileExists(localPath)) {
            MVLOG(LOG_INFO, "fetching %ls because it didn't exist", localPath.c_str());
            files.push_back(std::move(entry));
            continue;
        }
        std::wstring hex;
        if (!Md5HexOfFile(localPath, hex)) {
            MVLOG(LOG_ERR, "Could not hash %ls", localPath.c_str());
            return false;
        }
        if (!EqualsNoCase(hex, entry.md5)) {
            MVLOG(LOG_INFO, "Need to update %ls", localPath.c_str());
            files.push_back(std::move(entry));
        } else {
            MVLOG(LOG_INFO, "Don't need to update %ls", localPath.c_str());
        }
    }
    return true;
}

bool DownloadChangedFiles(HttpFetcher& fetcher, const std::vector<UpgradeFileEntry>& files,
                          UpgradeRequest& request) {
    for (const UpgradeFileEntry& entry : files) {
        if (Cancelled(request))
            return false;
        FetchResult result = FETCH_OK;
        if (!fetcher.FetchFile(entry.remoteName, entry.localPath, entry.md5, result)) {
            MVLOG(LOG_ERR, "Failed downloading %ls, result %i", entry.remoteName.c_str(),
                  static_cast<int>(result));
            return false;
        }
        NoteUpgradeProgress(request);
    }
    return true;
}

bool LaunchUpgrader(const std::wstring& upgraderPath, const std::wstring& manifestPath,
                    const std::wstring& programPath) {
    MV_ASSERT(upgraderPath.length() > 0);
    MV_ASSERT(manifestPath.length() > 0);
    bool launchFailed = false;
    bool exited = false;
    uint32_t exitCode = 0;
    RunProcess({upgraderPath, manifestPath, upgraderPath, programPath}, kUpgraderWaitSecs, launchFailed,
               exited, exitCode);
    if (launchFailed || (exited && exitCode != 0)) {
        MVLOG(LOG_ERR, "Failing upgrade");
        return false;
    }
    return true;
}
