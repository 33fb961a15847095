// The shared file of one M3U playlist: read from the playlists folder by a
// scan, or sent whole by the server and written there as a new file. Each
// entry ties a track path to the server's song id and to the local cfID of
// its file; either side may be missing.
//
// The M3U dialect read and written: "#EXTM3U"; "#MVNAME:" and the title;
// per entry "#MVINF:" and the song id, "#EXTINF:" seconds "," title, then
// the track's path when it is known. Lines end in CR LF.
#pragma once

#include "client/library/SharedFile.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class Buf;
class FileScanner;

// One track of a playlist.
class PlaylistEntry {
  public:
    PlaylistEntry(const std::wstring& path, uint32_t songId, uint32_t cfID, int32_t seconds, bool exists,
                  const std::wstring& title);

    // The track's full path; empty while unresolved.
    const std::wstring& GetPath() const { return m_path; }
    void SetPath(const std::wstring& path) { m_path = path; }
    // The server's song id; 0 when none.
    uint32_t GetSongId() const { return m_songId; }
    void SetSongId(uint32_t songId) { m_songId = songId; }
    // The local id of the track's file; 0 when none.
    uint32_t GetCfId() const { return m_cfID; }
    void SetCfId(uint32_t cfID) { m_cfID = cfID; }
    // The file existed when the entry was added, or was filled from a known
    // file.
    bool GetExists() const { return m_exists; }
    void SetExists(bool exists) { m_exists = exists; }
    int32_t GetSeconds() const { return m_seconds; }
    void SetSeconds(int32_t seconds) { m_seconds = seconds; }
    const std::wstring& GetTitle() const { return m_title; }
    void SetTitle(const std::wstring& title) { m_title = title; }

  private:
    std::wstring m_path;
    uint32_t m_songId;
    uint32_t m_cfID;
    bool m_exists;
    int32_t m_seconds;
    std::wstring m_title;
};

class Playlist : public SharedFile {
  public:
    // Entries read from one file, at most.
    static constexpr size_t kMaxEntries = 100;
    // Longer lines are skipped whole, in bytes without the line end.
    static constexpr size_t kMaxLineBytes = 1024;
    // Longest title kept from a server message, in bytes.
    static constexpr int kMaxTitleBytes = 256;
    // Longest file name (without "-<n>.m3u") a title is saved under, in bytes.
    static constexpr size_t kMaxFileBaseBytes = 200;
    // Longest entry title sent in the new-file record, in bytes: 100 entries
    // with titles this long always fit the record's message.
    static constexpr size_t kMaxRecordTitleBytes = 100;
    // The title of a file without a "#MVNAME:" line.
    static constexpr wchar_t kUnknownTitle[] = L"Unknown Playlist";
    static constexpr wchar_t kExtension[] = L".m3u";

    // A playlist from the server, saved under its title.
    Playlist() = default;
    // A playlist file found by a scan; its title starts as its file name.
    Playlist(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID);

    uint32_t GetKind() const override { return SF_PLAYLIST; }
    bool HasGoodTags() const override { return true; }
    // Reads the M3U file (LoadPlaylist).
    [[nodiscard]] bool Load(const std::wstring& dirName, const std::wstring& fileName) override;
    bool StoredInDB() const override { return true; }
    // Kind, cfID, file name, flag, time and the entries. False (the buffer's
    // flag set) when the record does not fit.
    [[nodiscard]] bool PutMetadata(Buf& out) override;
    // A playlist has no file-details record.
    [[nodiscard]] bool PutNewFile(FileScanner&, Buf&) override { return false; }

    // ---- M3U files ----
    // Reads PathJoin(dirName, fileName): its size and time, title and
    // entries. False (logged) when it cannot be read or is not an M3U file.
    [[nodiscard]] bool LoadPlaylist(const std::wstring& dirName, const std::wstring& fileName);
    // Parses M3U text as if it were the file at `path` (relative track paths
    // are taken from its folder); what LoadPlaylist does after opening the
    // file, and what a fuzzer feeds.
    [[nodiscard]] bool LoadFromStream(const std::wstring& path, std::istream& in);
    // Writes the playlist to GetPath() whole or not at all (a failed write
    // leaves the file as it was): never through a symbolic link, never onto
    // anything but a regular file.
    [[nodiscard]] bool SavePlaylist();
    // The M3U text SavePlaylist writes.
    std::string M3uText() const;
    // Saves as <name>.m3u in `directory`, <name> the title made a safe file
    // name; without overwrite, as <name>-<n>.m3u for the first n from 2 whose
    // file does not exist (never replacing a file that appears meanwhile).
    [[nodiscard]] bool SaveInDirectory(const std::wstring& directory, bool overwrite);
    // Removes PathJoin(directory, name); true when it was removed. `name`
    // must be a single safe file name (FileBaseForTitle + kExtension).
    static bool DeletePlaylistFile(const std::wstring& directory, const std::wstring& name);
    // The file name (without ".m3u") a title is saved and deleted under:
    // '/', '\\', NUL and control characters become '_', and it is cut to
    // kMaxFileBaseBytes. False when the title cannot name a file ("", ".",
    // "..").
    [[nodiscard]] static bool FileBaseForTitle(const std::wstring& title, std::wstring& base);
    // A playlist is shared only from inside the playlists folder: `directory`
    // is that folder or below it (at a '/' boundary).
    static bool IsInPlaylistsFolder(const std::wstring& directory, const std::wstring& playlistsFolder);

    // ---- the playlist of MSG_SAVE_PLAYLIST ----
    // Title, song ids and cfIDs (protocol 33 and later). False (the buffer's
    // flag set, nothing kept) when the body is short or its counts exceed
    // what it holds.
    [[nodiscard]] bool ReadFromMessage(Buf& in);
    // Title and song ids (before protocol 33).
    [[nodiscard]] bool ReadFromOldMessage(Buf& in);

    // ---- entries ----
    // A relative path is taken from the playlist file's folder.
    void AddEntry(const std::wstring& path, uint32_t songId, uint32_t cfID, int32_t seconds,
                  const std::wstring& title);
    const std::vector<PlaylistEntry>& GetEntries() const { return m_entries; }
    // The non-empty entry paths, in order.
    std::vector<std::wstring> GetEntryPaths() const;
    // Fills path, seconds and title of each entry with a song id from the
    // known files (by cfID when it has one, else by song id).
    void ResolveEntries(FileScanner& scanner);
    // A file with `songId` became known: the entries waiting for it take its
    // path, title and seconds, and the file is rewritten when it is one this
    // program can rewrite whole. Returns the number of entries changed.
    int FillEntriesForSong(uint32_t songId, const std::wstring& path, const std::wstring& title,
                           int32_t seconds);
    // Entries whose path is a known file take that file's song id and cfID
    // where the song id differs. Returns the number of entries changed.
    int MatchEntriesToFiles(FileScanner& scanner);
    // Tells the scanner of each song id this playlist still waits for.
    void RegisterWaitingEntries(FileScanner& scanner);
    // Withdraws from the scanner's waiting lists (the playlist is going).
    void UnregisterEntries(FileScanner& scanner);

    const std::wstring& GetPath() const { return m_path; }
    std::wstring GetTitle() const { return m_title; }
    void SetTitle(const std::wstring& title) { m_title = title; }
    // A rewrite keeps everything the file holds: it carries "#MVNAME:", and
    // every line of it was read (none past the entry limit, none too long)
    // and would be written back as it was read (its name and paths UTF-8,
    // no line grown past the limit, no byte-order mark), or this program
    // wrote it.
    bool CanRewrite() const { return m_canRewrite; }

  private:
    enum SaveResult {
        SR_SAVED,
        SR_NAME_TAKEN, // a new file was asked for and something has the name
        SR_FAILED,
    };
    // Writes m_path: as a new file only, or also over the regular file of
    // that name.
    SaveResult Save(bool newFileOnly);
    // Title and entries from M3U text; m_path names the file.
    [[nodiscard]] bool ReadM3u(std::istream& in);
    // Every line M3uText writes fits the reader's limit, so a rewrite reads
    // back whole.
    bool RewriteFitsReader() const;

    std::vector<PlaylistEntry> m_entries;
    std::wstring m_path;
    std::wstring m_title;
    // Sent in the new-file record; set for every playlist found by a scan.
    bool m_flag = false;
    bool m_canRewrite = false;
};
