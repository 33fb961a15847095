#include "include/fs/PathUtil.h"

#include "include/log/Logger.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/XdgDirs.h"

#include <unistd.h>

#include <cerrno>
#include <cwchar>

namespace {

constexpr wchar_t kAppFolderName[] = L"Melvane";
constexpr wchar_t kTempFolderName[] = L"tmp";
constexpr wchar_t kLogFileName[] = L"log";
constexpr int kPrivateDirMode = 0700;

// Creates a private folder (and its parents) when missing; false on failure.
bool EnsurePrivateDir(const std::wstring& dir) {
    if (platform::MakeDirectories(WideToUtf8(dir), kPrivateDirMode) != 0) {
        MVLOG(LOG_ERR, "Error creating %ls: %i", dir.c_str(), errno);
        return false;
    }
    return true;
}

} // namespace

std::wstring PathJoin(const std::wstring& dir, const std::wstring& name) {
    std::wstring result = dir;
    if (result.empty() || result.back() != L'/')
        result += L'/';
    if (!name.empty() && name[0] == L'/')
        result.append(name, 1, std::wstring::npos);
    else
        result += name;
    return result;
}

bool IsFolderOrInside(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0)
        return false;
    return path.size() == folder.size() || folder.back() == L'/' || path[folder.size()] == L'/';
}

bool FindFolderHolding(const std::vector<std::wstring>& folders, const std::wstring& path,
                       std::wstring& rest) {
    const std::wstring* best = nullptr;
    for (const std::wstring& folder : folders) {
        if (IsFolderOrInside(folder, path) && (!best || folder.size() > best->size()))
            best = &folder;
    }
    if (!best)
        return false;
    rest = path.substr(best->size());
    if (!rest.empty() && rest[0] == L'/')
        rest.erase(0, 1);
    return true;
}

bool SplitPath(const std::wstring& path, std::wstring& dir, std::wstring& name) {
    size_t pos = path.rfind(L'/');
    if (pos == std::wstring::npos || pos == 0)
        return false;
    dir = path.substr(0, pos);
    name = path.substr(pos + 1);
    return true;
}

bool SplitUrlPath(const std::wstring& url, std::wstring& head, std::wstring& tail) {
    size_t pos = url.rfind(L'/');
    if (pos == std::wstring::npos)
        return false;
    head = url.substr(0, pos);
    tail = url.substr(pos + 1);
    return true;
}

int PathCompare(const std::wstring& a, const std::wstring& b) {
    int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool IsRelativePath(const std::wstring& path) {
    return path.empty() || path[0] != L'/';
}

bool IsSafeFileName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (wchar_t c : name) {
        if (c == L'/' || c == L'\\' || IsControlChar(c))
            return false;
    }
    return true;
}

bool ValidateRelativePath(const std::wstring& path) {
    if (path.empty() || path[0] == L'/')
        return false;
    size_t start = 0;
    while (true) {
        size_t end = path.find(L'/', start);
        if (!IsSafeFileName(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)))
            return false;
        if (end == std::wstring::npos)
            return true;
        start = end + 1;
    }
}

bool NetworkNameToPath(const std::wstring& name, std::wstring& path) {
    std::wstring converted = name;
    ReplaceAll(converted, L"\\", L"/");
    if (!ValidateRelativePath(converted)) {
        MVLOG(LOG_ERR, "Refusing the relative path %ls", name.c_str());
        return false;
    }
    path = std::move(converted);
    return true;
}

std::wstring GetTempFilePath(const std::wstring& name) {
    if (!IsSafeFileName(name)) {
        MVLOG(LOG_ERR, "Refusing temporary file name %ls", name.c_str());
        return std::wstring();
    }
    std::wstring folder = GetTempFolderPath();
    return folder.empty() ? std::wstring() : PathJoin(folder, name);
}

std::wstring GetTempFolderPath() {
    std::string cache = platform::CacheHomeDir();
    if (cache.empty())
        return std::wstring();
    std::wstring folder = PathJoin(PathJoin(Utf8ToWide(cache), kAppFolderName), kTempFolderName);
    return EnsurePrivateDir(folder) ? folder : std::wstring();
}

bool RemoveFile(const std::wstring& path) {
    return unlink(WideToUtf8(path).c_str()) == 0;
}

std::wstring GetSpecialFolderPath(int csidl) {
    std::string path;
    if (!platform::SpecialFolderDir(csidl, &path)) {
        MVLOG(LOG_ERR, "SHGetSpecialFolderLocation failed, err %i", csidl);
        return std::wstring();
    }
    if (path.empty())
        MVLOG(LOG_ERR, "SHGetPathFromIDList failed, err %i, pidl %p", ENOENT, static_cast<void*>(nullptr));
    return Utf8ToWide(path);
}

std::wstring GetAppDataDir() {
    std::wstring appData = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA);
    if (appData.empty()) {
        MVLOG(LOG_ERR, "No per-user data folder: HOME is not set");
        return std::wstring();
    }
    std::wstring dir = PathJoin(appData, kAppFolderName);
    if (!EnsurePrivateDir(dir))
        return std::wstring();
    return dir;
}

std::wstring GetLogFilePath(const std::wstring& dir) {
    return PathJoin(dir, kLogFileName);
}

std::wstring GetAppDataLogPath() {
    return GetLogFilePath(GetAppDataDir());
}
