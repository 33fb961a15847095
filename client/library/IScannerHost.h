// What the scanner asks of the program around it (the core). A scanner built
// without a host never stops early, treats every scan as a full one, accepts
// playlists anywhere, asks for no play-count report and finds shares among
// its own folders.
#pragma once

#include <string>

class IScannerHost {
  public:
    virtual ~IScannerHost() = default;

    // The program is ending: long work stops early.
    virtual bool IsStopping() const = 0;
    // Full scans finished on this installation, and counting one more.
    virtual int GetFileScanCount() = 0;
    virtual void CountFileScan() = 0;
    // The folder that playlists are kept in; false when there is none.
    virtual bool GetPlaylistDir(std::wstring& path) = 0;
    // A scan has finished: a good moment for the play-count report.
    virtual void RequestPlaycountReport() = 0;
    // The shared folder that holds `directory`, and the path below it.
    virtual bool FindShareForPath(const std::wstring& directory, std::wstring& rest) = 0;
};
