// A scanner over a real music folder in a fresh directory. Its metadata
// reader reads no audio: it takes size and time from stat, gives every file
// a title and artist unless its name holds "poor", fails for names holding
// "unreadable", and records its calls.
#pragma once

#include "client/library/MusicFile.h"
#include "client/library/Playlist.h"
#include "tests/client/library/LibraryDb.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class ScanHarness {
  public:
    ScanHarness() {
        std::filesystem::create_directories(music);
        Share();
        MusicFile::SetMetadataReader([this](FileMetaData& md) { return Read(md); });
    }
    ~ScanHarness() { MusicFile::SetMetadataReader({}); }
    ScanHarness(const ScanHarness&) = delete;
    ScanHarness& operator=(const ScanHarness&) = delete;

    // A file below the music folder with `bytes` bytes (the size tells one
    // version from the next).
    void Write(const std::string& relative, size_t bytes = 10) {
        const std::filesystem::path path = music + "/" + relative;
        std::filesystem::create_directories(path.parent_path());
        WriteFileText(path.string(), std::string(bytes, 'x'));
    }
    void Remove(const std::string& relative) { std::filesystem::remove_all(music + "/" + relative); }
    std::wstring Path(const std::string& relative) const { return Utf8ToWide(music + "/" + relative); }
    uint32_t CfId(const std::string& relative) { return Scanner().GetCfIdForPath(Path(relative)); }

    // A whole scan (and the scan it may start), every change taken and each
    // new file acknowledged.
    std::vector<SyncDelta> Scan() {
        Scanner().initScan(false);
        return FinishScans(Scanner());
    }
    // A new scanner on the same database, as after a restart.
    void Restart() {
        db.StartScanner();
        Share();
    }

    FileScanner& Scanner() { return *db.scanner; }
    int64_t Rows() { return db.Value("select count(*) from FileMetadata_v9"); }

    LibraryDb db;
    const std::string music = db.dir.File("music");
    int reads = 0;
    // The files read, in order, below the music folder.
    std::vector<std::string> readPaths;

  private:
    void Share() {
        db.host.shares = {Utf8ToWide(music)};
        db.scanner->SetCurShares(db.host.shares);
    }

    bool Read(FileMetaData& md) {
        ++reads;
        readPaths.push_back(md.utf8Path.substr(music.size() + 1));
        const std::string name = WideToUtf8(md.pFileName);
        struct stat st {};
        if (name.find("unreadable") != std::string::npos || stat(md.utf8Path.c_str(), &st) != 0)
            return false;
        md.size = static_cast<uint32_t>(st.st_size);
        md.lastModDate = static_cast<uint32_t>(st.st_mtime);
        md.digest = "digest of " + name;
        md.lengthSecs = 100;
        if (name.find("poor") == std::string::npos) {
            md.tagTitle = "Title";
            md.tagArtist = "Artist";
        }
        return true;
    }
};

} // namespace testsupport
