#include "client/library/FolderEvents.h"

#include "client/library/ScanFileRequest.h"
#include "include/fs/FileTypes.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"

#include <sys/inotify.h>

namespace {

constexpr const wchar_t* kITunesLibraryNames[] = {
    L"temp file.tmp",
    L"it.tmp",
    L"itunes library.itl",
    L"temp.tmp",
    L"itunes library extras",
    L"itunes library genius",
    L"itunes music library.xml",
    L"itunes temp",
};

constexpr uint32_t kGone = IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

} // namespace

FolderEventRequest MapFolderEvent(uint32_t mask, const std::wstring& name) {
    FolderEventRequest request;
    if (mask & IN_Q_OVERFLOW) {
        request.type = FULL_SCAN;
    } else if (mask & IN_CREATE) {
        if (mask & IN_ISDIR)
            request.type = FULL_SCAN;
        else if (isMusicFile(name) || IsPlaylistFile(name))
            request.type = SINGLE_FILE;
    } else if (mask & kGone) {
        if (IsITunesLibraryFile(name) || platform::IsHiddenSiblingName(WideToUtf8(name)))
            request.ignored = true;
        else if ((mask & IN_MOVED_TO) && !(mask & IN_ISDIR) && IsPlaylistFile(name))
            // A playlist is saved whole beside its name and renamed onto it.
            request.type = SINGLE_FILE;
        else
            request.type = FULL_SCAN;
    } else if ((mask & IN_MODIFY) && !(mask & IN_ISDIR)) {
        if (isMusicFile(name))
            request.type = FILE_MODIFIED;
    } else if ((mask & IN_CLOSE_WRITE) && (isMusicFile(name) || IsPlaylistFile(name))) {
        request.type = SINGLE_FILE;
    }
    return request;
}

bool IsITunesLibraryFile(const std::wstring& name) {
    if (isMusicFile(name))
        return false;
    std::wstring lower = name;
    ToLowerW(lower);
    for (const wchar_t* ignored : kITunesLibraryNames) {
        if (lower.find(ignored) != std::wstring::npos)
            return true;
    }
    return false;
}

const char* FolderEventName(uint32_t mask) {
    if (mask & IN_CREATE)
        return "ADDED";
    if (mask & IN_DELETE)
        return "REMOVED";
    if (mask & (IN_MODIFY | IN_CLOSE_WRITE))
        return "MODIFIED";
    if (mask & IN_MOVED_FROM)
        return "RENAMED_FROM";
    if (mask & IN_MOVED_TO)
        return "RENAMED_TO";
    return "OTHER";
}
