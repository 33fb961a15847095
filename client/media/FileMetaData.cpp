#include "client/media/FileMetaData.h"

#include "include/digest/Crc32.h"
#include "include/digest/Md5.h"
#include "include/fs/FileCmds.h"
#include "include/fs/FileTypes.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

namespace {

// Cover pictures above this size are hashed from this offset on.
constexpr size_t kArtWholeHashBytes = 1024;
constexpr size_t kArtHashSkipBytes = 512;

void Md5UpdateLarge(Md5Context* ctx, const unsigned char* bytes, size_t count) {
    while (count > 0) {
        const int piece = count > INT_MAX ? INT_MAX : static_cast<int>(count);
        Md5Update(ctx, bytes, piece);
        bytes += piece;
        count -= static_cast<size_t>(piece);
    }
}

} // namespace

FileMetaData::FileMetaData() : FileMetaData(std::wstring(), std::wstring()) {}

FileMetaData::FileMetaData(const std::wstring& dirName, const std::wstring& fileName) {
    SetDirName(dirName);
    SetFileName(fileName);
}

void FileMetaData::SetDirName(const std::wstring& dirName) {
    pDirName = dirName;
    UpdateUtf8Path();
}

void FileMetaData::SetFileName(const std::wstring& fileName) {
    pFileName = fileName;
    if (IsMp3File(fileName))
        encType = MP3;
    else if (IsM4aFile(fileName))
        encType = AAC;
    else
        encType = ENC_OTHER;
    UpdateUtf8Path();
}

void FileMetaData::UpdateUtf8Path() {
    if (!pDirName.empty() && !pFileName.empty())
        utf8Path = WideToUtf8(PathJoin(pDirName, pFileName));
}

void FileMetaData::SetPath(const std::wstring& fullPath) {
    std::wstring dir;
    std::wstring name;
    if (!SplitPath(fullPath, dir, name)) {
        // No separator, or only the leading one: the root or no folder.
        const size_t cut = fullPath.rfind(L'/');
        dir = cut == std::wstring::npos ? std::wstring() : std::wstring(L"/");
        name = cut == std::wstring::npos ? fullPath : fullPath.substr(cut + 1);
    }
    SetDirName(dir);
    SetFileName(name);
    utf8Path = WideToUtf8(fullPath);
}

std::wstring FileMetaData::GetFullPath() const {
    if (pDirName.empty() || pFileName.empty())
        return std::wstring();
    return PathJoin(pDirName, pFileName);
}

uint32_t FileMetaData::CalcCrc() const {
    Crc32 crc;
    crc.AddWide(pFileName);
    crc.AddWide(pDirName);
    crc.AddU32(size);
    crc.AddU64(m_dataLen);
    crc.AddU32(lastModDate);
    crc.AddText(digest);
    crc.AddU32(songID);
    crc.AddU32(lengthSecs);
    crc.AddU16(bitRate);
    crc.AddU64(printID);
    crc.AddU32(albumID);
    crc.AddU32(timeProcessed);
    crc.AddU8(confidence);
    crc.AddU16(trackNum);
    crc.AddU64(artHash);
    crc.AddU32(artistID);
    crc.AddU32(albumArtistID);
    crc.AddText(song);
    crc.AddText(artist);
    crc.AddText(albumArtist);
    crc.AddText(album);
    crc.AddU32(csid);
    crc.AddU32(caid);
    crc.AddU32(calid);
    crc.AddU16(ctn);
    return crc.Value();
}

std::string FileMetaData::GetTagDigest() const {
    std::string text = "id3v1: ";
    if (hasId3v1)
        text += id3v1Title + "-" + id3v1Artist + "-" + id3v1Album;
    text += "\nid3v2: ";
    if (hasTag)
        text += "-" + tagTitle + "-" + tagArtist + "-" + tagAlbum + "-" + std::to_string(trackNum);
    Md5Context ctx;
    Md5Init(&ctx);
    Md5UpdateLarge(&ctx, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    unsigned char bytes[kMd5DigestBytes];
    Md5Final(&ctx, bytes);
    return GetDigestStrA(bytes, kMd5DigestBytes);
}

void FileMetaData::SetCoverArt(const unsigned char* bytes, size_t count) {
    artSize = static_cast<uint32_t>(count);
    artHash = 0;
    if (count == 0 || bytes == nullptr) {
        artSize = 0;
        return;
    }
    // Large pictures skip their first bytes, which often differ only in
    // the encoder's header.
    const size_t skip = count > kArtWholeHashBytes ? kArtHashSkipBytes : 0;
    Md5Context ctx;
    Md5Init(&ctx);
    Md5UpdateLarge(&ctx, bytes + skip, count - skip);
    unsigned char digestBytes[kMd5DigestBytes];
    Md5Final(&ctx, digestBytes);
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | digestBytes[i];
    // Kept below 2^63 so that it reads the same as a signed database integer.
    artHash = value >> 1;
}

bool FileMetaData::HashAudioData(int fd, uint64_t dataOffset, uint64_t dataLen, std::string& digest) {
    digest.clear();
    if (dataOffset > kMaxFileBytes || dataLen > kMaxFileBytes - dataOffset) {
        MVLOG(LOG_ERR, "Audio region %llu+%llu lies beyond %llu bytes; not hashed",
              static_cast<unsigned long long>(dataOffset), static_cast<unsigned long long>(dataLen),
              static_cast<unsigned long long>(kMaxFileBytes));
        return false;
    }
    MVLOG(LOG_VERB, "Starting samples at %lli, dataLen: %lli", static_cast<long long>(dataOffset),
          static_cast<long long>(dataLen));
    Md5Context ctx;
    Md5Init(&ctx);
    std::vector<unsigned char> chunk(kHashChunkBytes);
    const uint64_t fileEnd = dataOffset + dataLen;
    int chunks = 0;
    for (uint64_t pos = dataOffset; pos < fileEnd; pos += kHashStepBytes) {
        const uint64_t amtToRead = fileEnd - pos < kHashChunkBytes ? fileEnd - pos : kHashChunkBytes;
        if (lseek(fd, static_cast<off_t>(pos), SEEK_SET) != static_cast<off_t>(pos)) {
            MVLOG(LOG_ERR, "Seek to %llu failed while hashing, errno %i",
                  static_cast<unsigned long long>(pos), errno);
            return false;
        }
        const long got = ReadFully(fd, chunk.data(), static_cast<long>(amtToRead));
        if (got != static_cast<long>(amtToRead)) {
            MVLOG(LOG_ERR, "Short read at %llu while hashing: %li of %llu bytes",
                  static_cast<unsigned long long>(pos), got, static_cast<unsigned long long>(amtToRead));
            return false;
        }
        Md5Update(&ctx, chunk.data(), static_cast<int>(amtToRead));
        ++chunks;
    }
    const std::string sizeText = std::to_string(static_cast<long long>(dataLen));
    Md5Update(&ctx, sizeText.data(), static_cast<int>(sizeText.size()));
    MVLOG(LOG_VERB, "Hashed %i chunks, plus size %s", chunks, sizeText.c_str());
    unsigned char bytes[kMd5DigestBytes];
    Md5Final(&ctx, bytes);
    digest = GetDigestStrA(bytes, kMd5DigestBytes);
    return true;
}

void FileMetaData::ClearTags() {
    hasId3v1 = 0;
    id3v1Title.clear();
    id3v1Artist.clear();
    id3v1Album.clear();
    hasTag = 0;
    tagTitle.clear();
    tagArtist.clear();
    tagAlbum.clear();
    tagAlbumArtist.clear();
    trackNum = kNoTrack;
    auxText.clear();
    SetCoverArt(nullptr, 0);
}

void FileMetaData::AppendAux(const std::string& label, const std::string& value) {
    if (!auxText.empty())
        auxText += ' ';
    auxText += label;
    auxText += ": ";
    auxText += value;
}
