// The shared file of an M3U playlist, and a playlist the server asked to save
// as an M3U file in the playlists folder. Reading M3U files back and resolving
// entries against known files arrive with the playlist support; what is here
// is its place among the shared files, its new-file record, and the save and
// delete that the server's messages need.
#pragma once

#include "client/library/SharedFile.h"

#include <cstdint>
#include <string>
#include <vector>

class Buf;
class FileScanner;

class Playlist : public SharedFile {
  public:
    // A playlist from the server, saved under its title.
    Playlist() = default;
    // A playlist file found by a scan; its title starts as its file name.
    Playlist(const PathKey& key, uint32_t size, uint32_t lastModDate, uint32_t cfID);

    uint32_t GetKind() const override { return SF_PLAYLIST; }
    bool HasGoodTags() const override { return true; }
    // Reading M3U files is not built yet: false, logged.
    [[nodiscard]] bool Load(const std::wstring& dirName, const std::wstring& fileName) override;
    bool StoredInDB() const override { return true; }
    // Kind, cfID, file name, flag, time and the entries.
    [[nodiscard]] bool PutMetadata(Buf& out) override;
    // A playlist has no file-details record.
    [[nodiscard]] bool PutNewFile(FileScanner&, Buf&) override { return false; }

    // Longest title kept from a message, in bytes.
    static constexpr int kMaxTitleBytes = 256;

    struct Entry {
        std::wstring path;
        uint32_t songId = 0;
        uint32_t cfID = 0;
        uint32_t seconds = 0;
        std::wstring title;
        bool exists = false;
    };

    // The playlist part of a save message: title, song ids and cfIDs. False
    // when the body is short or its counts exceed what it holds (nothing is
    // kept then).
    [[nodiscard]] bool ReadFromMessage(Buf& in);
    // Fills entry paths from the known files; none are known in this build.
    void ResolveEntries(FileScanner& scanner);
    // Saves as <title>.m3u in `directory` (or <title>-<n>.m3u when the name is
    // taken and overwrite is off).
    [[nodiscard]] bool SaveInDirectory(const std::wstring& directory, bool overwrite);
    [[nodiscard]] bool SavePlaylist();
    // Removes `name` from `directory`; true when it was removed.
    static bool DeletePlaylistFile(const std::wstring& directory, const std::wstring& name);
    // The file name (without ".m3u") a title is saved under: characters that
    // cannot be in a file name become '_'. False when the title cannot name
    // a file at all (empty, ".", "..").
    [[nodiscard]] static bool FileBaseForTitle(const std::wstring& title, std::wstring& base);

    const std::wstring& GetPath() const { return m_path; }
    std::wstring GetTitle() const { return m_title; }
    void SetTitle(const std::wstring& title) { m_title = title; }
    const std::vector<Entry>& GetEntries() const { return m_entries; }
    std::vector<std::wstring> GetEntryPaths() const;

  private:
    std::wstring m_path;
    std::wstring m_title;
    std::vector<Entry> m_entries;
    // Sent in the new-file record; set for every playlist found by a scan.
    bool m_flag = false;
};
