#include "client/media/FileMetaData.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ProcessReads.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/Mp3Fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using testsupport::Id3Frame;
using testsupport::Mp3Tags;
using testsupport::TempDir;

constexpr int kFrames = 100; // about 2.6 s

FileMetaData Record(const TempDir& dir, const std::string& name) {
    return FileMetaData(dir.WPath(), std::wstring(name.begin(), name.end()));
}

Mp3Tags V2Tags(std::vector<Id3Frame> frames) {
    Mp3Tags tags;
    tags.v2 = true;
    tags.title = "Title";
    tags.artist = "Artist";
    tags.album = "Album";
    tags.track = 7;
    tags.frames = std::move(frames);
    return tags;
}

} // namespace

TEST(FileMetaDataMp3Test, UntaggedFileIsAllAudio) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", kFrames));
    FileMetaData md = Record(dir, "a.mp3");
    ASSERT_TRUE(md.ReadQuickInfo());
    EXPECT_EQ(kFrames * testsupport::kMp3FrameBytes, md.size);
    EXPECT_EQ(0u, md.m_id3v2Len);
    EXPECT_EQ(0u, md.m_id3v1Len);
    EXPECT_EQ(0u, md.m_dataOffset);
    EXPECT_EQ(md.size, md.m_dataLen);
    EXPECT_EQ(0, md.hasTag);
    EXPECT_EQ(0, md.hasId3v1);
    EXPECT_EQ(FileMetaData::kNoTrack, md.trackNum);
    EXPECT_EQ(128, md.bitRate);
    EXPECT_EQ(2u, md.lengthSecs);
    EXPECT_EQ(0u, md.artSize);
    EXPECT_EQ("", md.auxText);

    platform::UniqueFd fd(platform::OpenCloexec(dir.File("a.mp3"), O_RDONLY));
    std::string digest;
    ASSERT_TRUE(FileMetaData::HashAudioData(fd.Get(), 0, md.size, digest));
    EXPECT_EQ(digest, md.digest);
}

TEST(FileMetaDataMp3Test, TagsBoundTheAudioRegion) {
    TempDir dir;
    Mp3Tags tags = V2Tags({});
    tags.v1 = true;
    tags.v1Title = "T1";
    tags.v1Artist = "A1";
    tags.v1Album = "Al1";
    tags.v1Comment = "c1";
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), std::string(500, '\0'), kFrames, tags));
    FileMetaData md = Record(dir, "a.mp3");
    ASSERT_TRUE(md.ReadQuickInfo());
    EXPECT_GT(md.m_id3v2Len, 10u);
    EXPECT_EQ(md.m_id3v2Len + 500, md.m_dataOffset);
    EXPECT_EQ(128u, md.m_id3v1Len);
    EXPECT_EQ(kFrames * testsupport::kMp3FrameBytes, md.m_dataLen);
    EXPECT_EQ(md.size, md.m_dataOffset + md.m_dataLen + 128);
    EXPECT_EQ(1, md.hasId3v1);
    EXPECT_EQ("T1", md.id3v1Title);
    EXPECT_EQ("A1", md.id3v1Artist);
    EXPECT_EQ("Al1", md.id3v1Album);
    EXPECT_EQ(1, md.hasTag);
    EXPECT_EQ("Title", md.tagTitle);
    EXPECT_EQ("Artist", md.tagArtist);
    EXPECT_EQ("Album", md.tagAlbum);
    EXPECT_EQ(7, md.trackNum);
    EXPECT_EQ("ID31: c1", md.auxText);
}

TEST(FileMetaDataMp3Test, FrameWalkFillsAuxTextAndAlbumArtist) {
    const std::string longText(200, 'x');
    // 127 bytes, then a 2-byte character that would end past 128.
    const std::string splitText = std::string(127, 'y') + "\xc3\xa9" + "zz";
    TempDir dir;
    Mp3Tags tags = V2Tags({
        {"TXXX", "MyKey", "v1"},
        {"PRIV", "other.example", ""},
        {"TCON", "Rock", ""},
        {"PRIV", "www.example.com", ""},
        {"TPE2", longText, ""},
    });
    tags.title = splitText;
    tags.artist = longText;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", kFrames, tags));
    FileMetaData md = Record(dir, "a.mp3");
    ASSERT_TRUE(md.ReadQuickInfo());
    EXPECT_EQ("TXXX: MyKey v1 TCON: Rock PRIV: www.example.com", md.auxText);
    EXPECT_EQ(longText.substr(0, 128), md.tagAlbumArtist);
    EXPECT_EQ(longText.substr(0, 128), md.tagArtist);
    EXPECT_EQ(std::string(127, 'y'), md.tagTitle);
}

TEST(FileMetaDataMp3Test, CoverArtIsTheFirstAcceptablePicture) {
    struct Case {
        std::vector<Id3Frame> pictures;
        size_t chosenBytes; // 0: none
        uint64_t artHash;   // of the fixture's picture of that size
    };
    const Case cases[] = {
        {{{"APIC", "image/gif", "", 1000}, {"APIC", "image/jpeg", "", 150}, {"APIC", "image/png", "", 1024}},
         1024,
         0x36929fe4c5373577},
        {{{"APIC", "image/jpg", "", 200}}, 200, 0x584c1d7223e9c9fc},
        // Past 1024 bytes the first 512 are left out.
        {{{"APIC", "image/jpeg", "", 1025}}, 1025, 0x79f24eccc2aed250},
        {{{"APIC", "image/jpeg", "", 0x200000}}, 0x200000, 0x45d53744c714c8ab},
        {{{"APIC", "image/jpeg", "", 0x200001}}, 0, 0},
        {{{"APIC", "IMAGE/PNG", "", 500}, {"APIC", "", "", 500}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosenBytes);
        TempDir dir;
        ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", kFrames, V2Tags(c.pictures)));
        FileMetaData md = Record(dir, "a.mp3");
        ASSERT_TRUE(md.ReadQuickInfo());
        EXPECT_EQ(c.chosenBytes, md.artSize);
        EXPECT_EQ(c.artHash, md.artHash);
    }
}

// A picture far above the size taken is skipped unread, by the analysis and
// by the picture's reading alike; the frames around it count as ever. A tag
// behind junk, which the tag library finds but the record does not take
// (its audio region starts at the junk's false frame), is left unread too.
TEST(FileMetaDataMp3Test, AHugePictureIsLeftUnreadAndTheFramesAroundItKept) {
    const struct {
        const char* what;
        std::string junk;
        uint32_t pictureBytes;
    } cases[] = {
        {"at the start", "", 200000000},
        // Smaller: the audio region, whose digest samples it, takes it in.
        {"behind junk", testsupport::FalseFrameJunk(), 20000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(
            dir.File("a.mp3"), {{"TIT2", "Title", ""}, {"TCON", "Rock", ""}}, c.pictureBytes,
            {{"TXXX", "MyKey", "v1"}, {"APIC", "image/png", "", 1024}}, kFrames, c.junk));
        const int64_t readBefore = testsupport::ProcessReadBytes();
        FileMetaData md = Record(dir, "a.mp3");
        ASSERT_TRUE(md.ReadQuickInfo());
        std::vector<unsigned char> picture;
        std::string mimeType;
        EXPECT_EQ(c.junk.empty(), md.GetCoverArt(picture, mimeType));
        EXPECT_LT(testsupport::ProcessReadBytes() - readBefore, 1 << 20);
        EXPECT_EQ(2u, md.lengthSecs);
        EXPECT_EQ(128, md.bitRate);
        if (!c.junk.empty()) {
            EXPECT_EQ(0u, md.m_id3v2Len);
            EXPECT_EQ(0u, md.m_dataOffset);
            EXPECT_EQ(md.size, md.m_dataLen);
            EXPECT_EQ(0, md.hasTag);
            EXPECT_EQ("", md.tagTitle + md.auxText);
            EXPECT_EQ(0u, md.artSize);
            continue;
        }
        EXPECT_GT(md.m_id3v2Len, c.pictureBytes);
        EXPECT_EQ(md.m_id3v2Len, md.m_dataOffset);
        EXPECT_EQ(kFrames * testsupport::kMp3FrameBytes, md.m_dataLen);
        EXPECT_EQ(1, md.hasTag);
        EXPECT_EQ("Title", md.tagTitle);
        EXPECT_EQ("TCON: Rock TXXX: MyKey v1", md.auxText);
        EXPECT_EQ(1024u, md.artSize);
        EXPECT_EQ(0x36929fe4c5373577u, md.artHash);
        EXPECT_EQ("image/png", mimeType);
        EXPECT_TRUE(std::string(picture.begin(), picture.end()) == testsupport::FixturePicture(1024));
    }
}

TEST(FileMetaDataMp3Test, UnusableFilesFailWithTheirLine) {
    TempDir dir;
    const std::string frames = testsupport::Mp3Frames(kFrames);
    struct Case {
        std::string name;
        std::string bytes;
        const char* line; // "" when the failure is silent
    };
    const Case cases[] = {
        {"empty.mp3", "", ""},
        {"short.mp3", std::string(200, '\0'), "(ERR): could not find mp3 start: 0, 0 "},
        {"late.mp3", std::string(776 + 31 * 900, '\0') + frames, "(ERR): could not find mp3 start: 0, 0 "},
        {"alone.mp3", std::string("\xFF\xFB\x90\xC0", 4) + std::string(30000, '\0'),
         "(ERR): invalid audio properties for "},
        // The only header lies inside the ID3v1 tag.
        {"tagonly.mp3", std::string(772, '\0') + "TAG\xFF\xFB\x90" + std::string(122, '\0'),
         "(ERR): problem scanning file: 775, 128, 900 in "},
        {"a.wav", frames, "(ERR): Not an audio file type"},
    };
    for (const Case& c : cases) {
        testsupport::WriteFileText(dir.File(c.name), c.bytes);
        testsupport::CapturedLog log;
        FileMetaData md = Record(dir, c.name);
        EXPECT_FALSE(md.ReadQuickInfo()) << c.name;
        if (*c.line)
            EXPECT_TRUE(log.Contains(c.line)) << c.name << "\n" << log.Text();
        else
            EXPECT_EQ("", log.Text()) << c.name;
    }
}

TEST(FileMetaDataMp3Test, ComputeMetadataAndPrintKeepsTheRecordWithoutAPrint) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", kFrames));
    struct Case {
        std::string name;
        bool wantPrint;
        bool inProcess;
        bool result;
        const char* line; // "" for no error line at all
    };
    const Case cases[] = {
        {"missing.mp3", false, false, false, "(ERR): ReadQuickInfo failed for "},
        {"a.mp3", false, false, true, ""},
        // Silence: too short a song once its silent start is left out. The
        // child's failure is no failure of the parent's.
        {"a.mp3", true, false, true, ""},
        {"a.mp3", true, true, true, "is too short to fingerprint"},
    };
    for (const Case& c : cases) {
        testsupport::CapturedLog log;
        FileMetaData md = Record(dir, c.name);
        EXPECT_EQ(c.result, md.ComputeMetadataAndPrint(c.wantPrint, c.inProcess)) << c.name;
        EXPECT_TRUE(log.Contains(*c.line ? c.line : "(ERR)") == (*c.line != '\0')) << log.Text();
        EXPECT_EQ("", md.GetPrint());
        EXPECT_EQ(md.lengthSecs, md.GetPrintSecs());
    }
}
