#include "client/library/MusicFile.h"

#include "include/io/Buf.h"
#include "tests/client/library/LibraryDb.h"

#include <gtest/gtest.h>

#include <vector>

using testsupport::LibraryDb;

namespace {

// The expected records, written out field by field (big-endian numbers,
// u16-prefixed strings) without the program's Buf.
class Bytes {
  public:
    Bytes& U8(uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v >> 8)).U8(static_cast<uint8_t>(v)); }
    Bytes& U32(uint32_t v) { return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v)); }
    Bytes& U64(uint64_t v) { return U32(static_cast<uint32_t>(v >> 32)).U32(static_cast<uint32_t>(v)); }
    Bytes& Str(const std::string& s) {
        U16(static_cast<uint16_t>(s.size()));
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    const std::vector<uint8_t>& Get() const { return m_bytes; }

  private:
    std::vector<uint8_t> m_bytes;
};

std::vector<uint8_t> Written(Buf& out) {
    return std::vector<uint8_t>(out.GetReadPtr(), out.GetReadPtr() + out.GetNumUsedBytes());
}

const std::string kDigest = "0123456789abcdef0123456789abcdef";

class MusicFileRecordsTest : public ::testing::Test {
  protected:
    MusicFileRecordsTest() {
        const uint32_t dirId = h.scanner->GetOrAddDirectory(L"/music/\u00c4rtist/Album/")->m_id;
        file = std::make_unique<MusicFile>(PathKey(L"a.mp3", dirId), 0, 0, 0, 0x01020304, -1);
        auto md = std::make_unique<FileMetaData>(L"/music/\u00c4rtist/Album/", L"a.mp3");
        md->size = 0xFFFFFFFF;
        md->lastModDate = 0x5F000001;
        md->m_dataLen = 0x100000002ull;
        md->digest = kDigest;
        md->bitRate = 320;
        md->lengthSecs = 215;
        md->printID = 0x0102030405060708ull;
        md->timeProcessed = 0x11223344;
        md->confidence = 7;
        md->albumID = 9;
        md->artHash = 0x7FEEDDCCBBAA9988ull;
        md->trackNum = 3;
        md->artistID = 10;
        md->albumArtistID = 11;
        md->song = "S\xC3\xA5ng";
        md->artist = "A";
        md->albumArtist = "AA";
        md->album = "Al";
        md->csid = 12;
        md->caid = 13;
        md->calid = 14;
        md->ctn = 15;
        file->SetMetadata(std::move(md));
        file->SetSongId(99);
        file->SetNewFile(true);
    }

    FileMetaData& Md() { return *file->GetMetadata(); }
    // Kind, mask and the fields before the tag groups.
    Bytes DetailsHead(uint16_t mask, uint32_t printSecs, const std::string& aux) {
        Bytes b;
        b.U8(1).U16(mask).U32(0x01020304).Str("a.mp3").Str("\xC3\x84rtist\\Album\\");
        b.U64(0xFFFFFFFFull).U64(0x100000002ull).U16(320).U32(printSecs).U32(0x5F000001);
        b.Str(kDigest).Str(aux);
        return b;
    }

    LibraryDb h;
    std::unique_ptr<MusicFile> file;
    Buf out{16384};
};

} // namespace

TEST_F(MusicFileRecordsTest, NewFileRecord) {
    ASSERT_TRUE(file->PutMetadata(out));
    Bytes b;
    b.U8(1).U32(0x01020304).Str(kDigest).U32(99).U64(0x0102030405060708ull).U32(0x11223344).U8(7).U8(1);
    b.U64(0x100000002ull).U16(320).U16(215).U32(0x5F000001).U32(9).U64(0x7FEEDDCCBBAA9988ull).U16(3).U8(1);
    b.U32(10).U32(11).Str("S\xC3\xA5ng").Str("A").Str("AA").Str("Al").U32(12).U32(13).U32(14).U16(15);
    EXPECT_EQ(b.Get(), Written(out));
}

TEST_F(MusicFileRecordsTest, DetailsWithoutTagsCarryMask3AndACutAuxText) {
    Md().auxText = std::string(600, 'x');
    ASSERT_TRUE(file->PutNewFile(*h.scanner, out));
    Bytes b = DetailsHead(3, 215, std::string(512, 'x'));
    b.Str("").U8(0);
    EXPECT_EQ(b.Get(), Written(out));
    EXPECT_TRUE(h.log.Contains("putting new file a.mp3 into the out buffer"));
}

TEST_F(MusicFileRecordsTest, DetailsWithBothTagsCarryMask15AndBothGroups) {
    FileMetaData& md = Md();
    md.auxText = "TXXX: MyKey v1";
    md.hasId3v1 = 1;
    md.id3v1Title = "T";
    md.id3v1Artist = "A";
    md.id3v1Album = "Al";
    md.hasTag = 1;
    md.tagTitle = "T2";
    md.tagArtist = "A2";
    md.tagAlbum = "Al2";
    md.tagAlbumArtist = "Band";
    md.artSize = 2048;
    md.print = "1 2 3";
    md.printSecs = 30;
    ASSERT_TRUE(h.Tables().InsertDownload(md.GetDigest(), md.GetTagDigest()));

    ASSERT_TRUE(file->PutNewFile(*h.scanner, out));
    Bytes b = DetailsHead(15, 30, "TXXX: MyKey v1");
    b.Str("T").Str("A").Str("Al");
    b.Str("T2").Str("A2").Str("Al2").U16(3).Str("Band").U32(2048).U64(0x7FEEDDCCBBAA9988ull);
    b.Str("1 2 3").U8(1);
    EXPECT_EQ(b.Get(), Written(out));
}

TEST_F(MusicFileRecordsTest, ARecordThatDoesNotFitFailsWithoutAssertion) {
    Md().print = std::string(70000, 'p'); // beyond a 16-bit string length
    EXPECT_FALSE(file->PutNewFile(*h.scanner, out));
    EXPECT_TRUE(out.HasFailed());
    Buf small(64);
    EXPECT_FALSE(file->PutMetadata(small));
}
