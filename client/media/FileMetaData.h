// The metadata record of one audio file: where it lies, its size and time,
// the region that holds the audio data and that region's content digest, the
// tag texts, the cover-art hash, length and bit rate, the fingerprint and the
// ids the server gives the song. A row of FileMetadata_v9 holds one, guarded
// by CalcCrc; MusicFile owns one while somebody needs it, and the HTTP and
// transfer code build one for a file they send.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TagLib::ID3v2 {
class Tag;
}
namespace TagLib::MP4 {
class Tag;
}

// Encoding types, told by the file name's extension.
enum EncodingType : uint32_t {
    ENC_OTHER = 0,
    MP3 = 1,
    AAC = 2,
};

class FileMetaData {
  public:
    // trackNum when the tag names none.
    static constexpr uint16_t kNoTrack = 0xFFFF;
    // Tag texts (title, artist, album) keep at most this many bytes.
    static constexpr size_t kMaxTagTextBytes = 128;
    // The content digest samples this many bytes at the start of every step.
    static constexpr uint64_t kHashChunkBytes = 4096;
    static constexpr uint64_t kHashStepBytes = 0x20000;
    // Cover pictures outside these sizes (bytes, inclusive) are skipped.
    static constexpr size_t kMinArtBytes = 200;
    static constexpr size_t kMaxArtBytes = 0x200000;
    // The largest file read: every position stays a signed 32-bit offset, so
    // files of 2 GiB or more are refused.
    static constexpr uint64_t kMaxFileBytes = 0x7FFFFFFF;

    FileMetaData();
    FileMetaData(const std::wstring& dirName, const std::wstring& fileName);

    // Each stores its name; once both are set, utf8Path is their join.
    // SetFileName also sets encType from the extension.
    void SetDirName(const std::wstring& dirName);
    void SetFileName(const std::wstring& fileName);
    // Splits a full path at its last separator into directory and name.
    void SetPath(const std::wstring& fullPath);
    // Directory and name joined; empty while either is unset, and then no
    // caller opens it.
    std::wstring GetFullPath() const;

    uint32_t GetEncType() const { return encType; }
    std::string GetDigest() const { return digest; }
    std::string GetPrint() const { return print; }
    std::string GetAuxText() const { return auxText; }
    // The cover-art size in bytes (0 without art).
    uint32_t GetAuxValue() const { return artSize; }
    uint64_t GetArtHash() const { return artHash; }
    void SetArtHash(uint64_t hash) { artHash = hash; }
    uint64_t GetDataLen() const { return m_dataLen; }
    void SetDataLen(uint64_t length) { m_dataLen = length; }
    uint64_t GetDataOffset() const { return m_dataOffset; }
    uint64_t GetId3v2Len() const { return m_id3v2Len; }
    // The fingerprint's seconds once a print is stored, else the play length.
    uint32_t GetPrintSecs() const { return print.empty() ? lengthSecs : printSecs; }

    // Size, time, data region, tags, length, bit rate and digest; everything
    // but the fingerprint. False, with a log line, when the file cannot be
    // used.
    [[nodiscard]] bool ReadQuickInfo();
    // What ReadQuickInfo reads of an MP3 file's audio region (size, time, tag
    // lengths, data offset and length), after the same checks and with the
    // same failures but a read error in the digest's samples, without the tag
    // texts, the cover art and the digest: the song server's way to the audio
    // start of every file it sends.
    [[nodiscard]] bool ReadAudioRegion();
    // The same of the file open as `fd`, one the caller has checked: it is
    // read, never the path again, which only names it in logs and gives its
    // type. `fd` is left open.
    [[nodiscard]] bool ReadQuickInfo(int fd);
    [[nodiscard]] bool ReadAudioRegion(int fd);
    // ReadQuickInfo, then the fingerprint when asked for: in this process, or
    // through the fingerprint child.
    [[nodiscard]] bool ComputeMetadataAndPrint(bool wantPrint, bool inProcess);

    // The CRC-32 that guards the record's database row.
    uint32_t CalcCrc() const;
    // MD5 (lower-case hex) of the ID3v1 and ID3v2 texts; kept with downloads.
    std::string GetTagDigest() const;
    // Sets artSize and artHash from the chosen picture (none: both 0).
    void SetCoverArt(const unsigned char* bytes, size_t count);
    // The cover picture's bytes and MIME type, read from the file now. An
    // MP3 record relies on the tag length of an earlier ReadQuickInfo.
    [[nodiscard]] bool GetCoverArt(std::vector<unsigned char>& bytes, std::string& mimeType) const;
    // The same read from the file open as `fd`.
    [[nodiscard]] bool GetCoverArt(int fd, std::vector<unsigned char>& bytes, std::string& mimeType) const;

    // The content digest of a file's audio region.
    [[nodiscard]] static bool HashAudioData(int fd, uint64_t dataOffset, uint64_t dataLen,
                                            std::string& digest);

    // ---- the record; FileMetadata_v9 column names where a column holds it ----
    uint64_t artHash = 0;
    uint32_t artSize = 0;
    uint32_t encType = ENC_OTHER;
    std::wstring pDirName;  // empty while unset
    std::wstring pFileName; // empty while unset
    // Extra tag entries: "label: value", separated by one blank.
    std::string auxText;
    uint32_t size = 0;
    uint16_t bitRate = 0; // kbit/s
    uint32_t lastModDate = 0;
    uint8_t hasId3v1 = 0;
    std::string id3v1Title;
    std::string id3v1Artist;
    std::string id3v1Album;
    // An ID3v2 tag (MP3) or an MPEG-4 tag (AAC) was read.
    uint8_t hasTag = 0;
    std::string tagTitle;
    std::string tagArtist;
    std::string tagAlbum;
    std::string tagAlbumArtist;
    uint16_t trackNum = kNoTrack;
    uint32_t lengthSecs = 0;
    uint32_t songID = 0;
    uint64_t printID = 0;
    uint32_t albumID = 0;
    // 32 lower-case hex digits; empty until computed.
    std::string digest;
    uint32_t timeProcessed = 0;
    uint8_t confidence = 0;
    // ID3v2 tag length with its header; 0 without one.
    uint64_t m_id3v2Len = 0;
    // 128 when the file ends in an ID3v1 tag.
    uint64_t m_id3v1Len = 0;
    // Start and length of the audio data; m_dataOffset >= m_id3v2Len.
    uint64_t m_dataOffset = 0;
    uint64_t m_dataLen = 0;
    std::string utf8Path;
    std::string print;
    uint32_t printSecs = 0;
    uint32_t artistID = 0;
    uint32_t albumArtistID = 0;
    std::string song;
    std::string artist;
    std::string albumArtist;
    std::string album;
    uint32_t csid = 0;
    uint32_t caid = 0;
    uint32_t calid = 0;
    uint16_t ctn = 0;

  private:
    // utf8Path from the two names once both are set.
    void UpdateUtf8Path();
    // Empties what a format analysis fills from tags, before it runs.
    void ClearTags();
    // ReadQuickInfo, or with `whole` false ReadAudioRegion; of `fd`, or of
    // the path opened here when it is -1.
    [[nodiscard]] bool Read(bool whole, int fd);
    // Format analysis, called by Read with the open file, which every reader
    // reads; an MP3 file's tag texts and cover art only when `whole`.
    [[nodiscard]] bool AnalyzeMp3(int fd, const std::wstring& path, bool whole);
    [[nodiscard]] bool ReadMp3Tags(int fd, const std::wstring& path, bool whole);
    void WalkId3v2Frames(const TagLib::ID3v2::Tag& tag);
    [[nodiscard]] bool AnalyzeMp4(int fd, const std::wstring& path);
    [[nodiscard]] bool ReadMp4Tags(int fd, const std::wstring& path);
    void WalkMp4Items(const TagLib::MP4::Tag& tag);
    // Appends "label: value" to auxText, one blank between entries.
    void AppendAux(const std::string& label, const std::string& value);
};
