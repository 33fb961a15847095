// What one change in a watched folder asks of the core. The monitor reads
// inotify events; each is mapped here, apart from the work on the watches
// themselves.
#pragma once

#include <cstdint>
#include <string>

// No request for the core.
constexpr int kNoScanRequest = -1;

struct FolderEventRequest {
    // A ScanFileRequestType, or kNoScanRequest.
    int type = kNoScanRequest;
    // A media player's library file, or a file being written beside its
    // name (FileOps), changed: logged and dropped.
    bool ignored = false;
};

// The event (inotify mask; `name` within the watched folder):
// - created: a folder asks for a full scan, a music file or playlist for a
//   scan of that file, anything else for nothing;
// - deleted or moved (either side): a full scan, unless the name is a media
//   player's library file or a file being written beside its name (dropped),
//   or a playlist is moved onto its name (a scan of that file);
// - written: a music file only delays pending work (FILE_MODIFIED); a music
//   file or playlist is scanned once it is closed after writing (a file
//   whose size and time did not change is then left as it is);
// - the kernel's queue overflowed: a full scan (of every share).
FolderEventRequest MapFolderEvent(uint32_t mask, const std::wstring& name);

// The files a media player keeps for its own library, which change all the
// time; a music file is never one of them.
bool IsITunesLibraryFile(const std::wstring& name);

// The name of the event for the log: "ADDED", "REMOVED", "MODIFIED",
// "RENAMED_FROM", "RENAMED_TO", else "OTHER".
const char* FolderEventName(uint32_t mask);
