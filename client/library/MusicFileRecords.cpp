// The two records a music file sends the server: the new-file record
// (MSG_NEW_FILE) and the file-details record (MSG_FILE_DETAILS).
#include "client/library/FileScanner.h"
#include "client/library/MusicFile.h"
#include "client/server/WirePath.h"
#include "include/crash/Assert.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

bool MusicFile::PutMetadata(Buf& out) {
    MV_ASSERT(HasMetadata());
    const FileMetaData& md = *m_pMetadata;
    bool ok = out.WriteByte(static_cast<uint8_t>(GetKind()));
    ok &= out.WriteUInt32(m_cfID);
    ok &= out.WriteString(md.digest);
    ok &= out.WriteUInt32(m_songId);
    ok &= out.WriteUInt64(md.printID);
    ok &= out.WriteUInt32(md.timeProcessed);
    ok &= out.WriteByte(md.confidence);
    ok &= out.WriteBool(m_newFile);
    ok &= out.WriteUInt64(md.m_dataLen);
    ok &= out.WriteUInt16(md.bitRate);
    ok &= out.WriteUInt16(static_cast<uint16_t>(md.GetPrintSecs()));
    ok &= out.WriteUInt32(md.lastModDate);
    ok &= out.WriteUInt32(md.albumID);
    ok &= out.WriteUInt64(md.artHash);
    ok &= out.WriteUInt16(md.trackNum);
    ok &= out.WriteByte(static_cast<uint8_t>(md.GetEncType()));
    ok &= out.WriteUInt32(md.artistID);
    ok &= out.WriteUInt32(md.albumArtistID);
    ok &= out.WriteString(md.song);
    ok &= out.WriteString(md.artist);
    ok &= out.WriteString(md.albumArtist);
    ok &= out.WriteString(md.album);
    ok &= out.WriteUInt32(md.csid);
    ok &= out.WriteUInt32(md.caid);
    ok &= out.WriteUInt32(md.calid);
    ok &= out.WriteUInt16(md.ctn);
    return ok;
}

bool MusicFile::PutNewFile(FileScanner& scanner, Buf& out) {
    MV_ASSERT(HasMetadata() && m_mdRefCount > 0);
    const FileMetaData& md = *m_pMetadata;
    if (md.pFileName.empty() || md.pDirName.empty()) {
        MVLOG(LOG_ERR, "The record of cfID %u names no file", m_cfID);
        return false;
    }
    MVLOG(LOG_INFO, "putting new file %ls into the out buffer", md.pFileName.c_str());
    uint16_t contentMask = kContentAlwaysSet;
    if (md.hasId3v1)
        contentMask |= HAS_ID3;
    if (md.hasTag)
        contentMask |= HAS_ID3v2;
    std::wstring below;
    if (!scanner.FindShareForPath(md.pDirName, below)) {
        MVLOG(LOG_ERR, "No shared folder holds %ls", md.pDirName.c_str());
        below.clear();
    }

    bool ok = out.WriteByte(static_cast<uint8_t>(GetKind()));
    ok &= out.WriteUInt16(contentMask);
    ok &= out.WriteUInt32(m_cfID);
    ok &= out.WriteWString(md.pFileName);
    ok &= out.WriteWString(LocalDirToWire(below));
    ok &= out.WriteUInt64(md.size);
    ok &= out.WriteUInt64(md.m_dataLen);
    ok &= out.WriteUInt16(md.bitRate);
    ok &= out.WriteUInt32(md.GetPrintSecs());
    ok &= out.WriteUInt32(md.lastModDate);
    ok &= out.WriteString(md.digest);
    ok &= out.WriteString(CutUtf8(md.auxText, kMaxAuxTextBytes));
    if (contentMask & HAS_ID3) {
        ok &= out.WriteString(md.id3v1Title);
        ok &= out.WriteString(md.id3v1Artist);
        ok &= out.WriteString(md.id3v1Album);
    }
    if (contentMask & HAS_ID3v2) {
        ok &= out.WriteString(md.tagTitle);
        ok &= out.WriteString(md.tagArtist);
        ok &= out.WriteString(md.tagAlbum);
        ok &= out.WriteUInt16(md.trackNum);
        ok &= out.WriteString(md.tagAlbumArtist);
        ok &= out.WriteUInt32(md.GetAuxValue());
        ok &= out.WriteUInt64(md.artHash);
    }
    ok &= out.WriteString(md.print);
    ok &= out.WriteBool(scanner.IsDownloaded(md));
    return ok;
}
