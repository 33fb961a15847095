#include "client/media/FileMetaData.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ProcessReads.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/Mp3Fixture.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

using testsupport::M4aCodec;
using testsupport::M4aCover;
using testsupport::M4aSpec;
using testsupport::M4aTags;
using testsupport::TempDir;

constexpr int kJpeg = 13;
constexpr int kPng = 14;
constexpr int kGif = 12;

FileMetaData Record(const TempDir& dir, const std::string& name) {
    return FileMetaData(dir.WPath(), std::wstring(name.begin(), name.end()));
}

M4aTags Tags(std::vector<std::pair<std::string, std::string>> items, std::vector<M4aCover> covers = {}) {
    M4aTags tags;
    tags.title = "Title";
    tags.artist = "Artist";
    tags.album = "Album";
    tags.track = 4;
    tags.items = std::move(items);
    tags.covers = std::move(covers);
    return tags;
}

// Where the one "mdat" box of the file starts its payload, found without
// walking boxes.
uint64_t MediaDataByScan(const std::string& bytes) {
    const size_t at = bytes.find("mdat");
    EXPECT_NE(std::string::npos, at);
    EXPECT_EQ(std::string::npos, bytes.find("mdat", at + 1));
    return at + 4;
}

} // namespace

// Item keys match whatever their case. The album artist is cut to 128 bytes
// at a character boundary like the other tag texts, so the file-details
// record that carries them all to the server never overflows.
TEST(FileMetaDataMp4Test, DataRegionStartsAtTheMediaDataWhereverTheMovieBoxIs) {
    std::string longText = "x";
    for (int i = 0; i < 100; ++i)
        longText += "\xc3\xa9";
    const struct {
        bool moovFirst;
        M4aTags tags;
        const char* auxText;
        std::string albumArtist;
    } cases[] = {
        {false, Tags({{"aART", "Band"}, {"purd", "2020-01-02"}, {"xid ", "Label:X1"}, {"\251cmt", "no"}}),
         "PURD: 2020-01-02 XID : Label:X1", "Band"},
        {true, Tags({{"AART", longText}, {"PURD", "d"}, {"XID ", "x"}}), "PURD: d XID : x",
         longText.substr(0, 127)},
    };
    uint64_t offsets[2] = {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.moovFirst);
        TempDir dir;
        ASSERT_TRUE(
            testsupport::WriteM4a(dir.File("a.m4a"), M4aSpec{2, c.moovFirst, M4aCodec::AAC, &c.tags}));
        const std::string bytes = testsupport::ReadFileText(dir.File("a.m4a"));
        FileMetaData md = Record(dir, "a.m4a");
        ASSERT_TRUE(md.ReadQuickInfo());
        EXPECT_EQ(MediaDataByScan(bytes), md.m_dataOffset);
        EXPECT_EQ(bytes.size() - md.m_dataOffset, md.m_dataLen);
        EXPECT_EQ(0u, md.m_id3v2Len + md.m_id3v1Len);
        EXPECT_EQ(2u, md.lengthSecs);
        EXPECT_GT(md.bitRate, 0);
        EXPECT_EQ(1, md.hasTag);
        EXPECT_EQ("Title Artist Album 4",
                  md.tagTitle + " " + md.tagArtist + " " + md.tagAlbum + " " + std::to_string(md.trackNum));
        EXPECT_EQ(c.auxText, md.auxText);
        EXPECT_EQ(c.albumArtist, md.tagAlbumArtist);
        platform::UniqueFd fd(platform::OpenCloexec(dir.File("a.m4a"), O_RDONLY));
        std::string digest;
        ASSERT_TRUE(FileMetaData::HashAudioData(fd.Get(), md.m_dataOffset, md.m_dataLen, digest));
        EXPECT_EQ(digest, md.digest);
        offsets[c.moovFirst ? 1 : 0] = md.m_dataOffset;
    }
    // The movie box lies before the media data only when it comes first.
    EXPECT_GT(offsets[1], offsets[0] + 100);
}

TEST(FileMetaDataMp4Test, CoverArtIsTheFirstPictureWhenItIsAcceptable) {
    struct Case {
        std::vector<M4aCover> covers;
        size_t chosenBytes; // 0: none
        uint64_t artHash;   // of the fixture's picture of that size
        const char* mimeType;
    };
    const Case cases[] = {
        // A later picture is never looked at.
        {{{kJpeg, 150}, {kPng, 1024}}, 0, 0, nullptr},
        {{{kJpeg, 200}}, 200, 0x584c1d7223e9c9fc, "image/jpeg"},
        {{{kPng, 0x200000}}, 0x200000, 0x45d53744c714c8ab, "image/png"},
        {{{kJpeg, 0x200001}}, 0, 0, nullptr},
        {{{kGif, 500}}, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.covers.front().bytes);
        TempDir dir;
        const M4aTags tags = Tags({}, c.covers);
        ASSERT_TRUE(testsupport::WriteM4a(dir.File("a.m4a"), M4aSpec{1, true, M4aCodec::AAC, &tags}));
        testsupport::CapturedLog log;
        FileMetaData md = Record(dir, "a.m4a");
        ASSERT_TRUE(md.ReadQuickInfo());
        EXPECT_EQ(c.chosenBytes, md.artSize);
        EXPECT_EQ(c.artHash, md.artHash);
        std::vector<unsigned char> bytes;
        std::string mimeType;
        EXPECT_EQ(c.mimeType != nullptr, md.GetCoverArt(bytes, mimeType));
        if (c.mimeType) {
            EXPECT_EQ(c.mimeType, mimeType);
            const std::string expected = testsupport::FixturePicture(c.chosenBytes);
            EXPECT_EQ(expected, std::string(bytes.begin(), bytes.end()));
        } else {
            const std::string line = "(ERR): Image type " + std::to_string(c.covers.front().format) +
                                     ", and " + std::to_string(c.covers.front().bytes) +
                                     " bytes, no format match";
            EXPECT_TRUE(log.Contains(line)) << log.Text();
        }
    }
}

// A cover far above the size taken, a hole in the file, is skipped unread by
// the analysis (tag library and demuxer) and by the picture's reading alike;
// the items after it, a small cover among them, count as ever.
TEST(FileMetaDataMp4Test, AHugeCoverIsLeftUnreadAndTheItemsAfterItKept) {
    TempDir dir;
    const uint32_t coverBytes = 200000000;
    const M4aTags tags = Tags({{"aART", "Band"}, {"xid ", "Label:X1"}}, {{kPng, 1024}});
    ASSERT_TRUE(testsupport::WriteM4aWithHollowCover(dir.File("a.m4a"),
                                                     M4aSpec{2, true, M4aCodec::AAC, &tags}, coverBytes));
    const int64_t readBefore = testsupport::ProcessReadBytes();
    FileMetaData md = Record(dir, "a.m4a");
    ASSERT_TRUE(md.ReadQuickInfo());
    std::vector<unsigned char> picture;
    std::string mimeType;
    EXPECT_TRUE(md.GetCoverArt(picture, mimeType));
    EXPECT_LT(testsupport::ProcessReadBytes() - readBefore, 1 << 20);
    EXPECT_GT(md.m_dataOffset, coverBytes);
    EXPECT_EQ(md.size - md.m_dataOffset, md.m_dataLen);
    EXPECT_EQ(2u, md.lengthSecs);
    EXPECT_GT(md.bitRate, 0);
    EXPECT_EQ("Title Artist Album 4",
              md.tagTitle + " " + md.tagArtist + " " + md.tagAlbum + " " + std::to_string(md.trackNum));
    EXPECT_EQ("XID : Label:X1", md.auxText);
    EXPECT_EQ("Band", md.tagAlbumArtist);
    EXPECT_EQ(1024u, md.artSize);
    EXPECT_EQ(0x36929fe4c5373577u, md.artHash);
    EXPECT_EQ("image/png", mimeType);
    EXPECT_TRUE(std::string(picture.begin(), picture.end()) == testsupport::FixturePicture(1024));
}

TEST(FileMetaDataMp4Test, GetCoverArtOfAnMp3ReadsTheTagFoundBefore) {
    TempDir dir;
    testsupport::Mp3Tags tags;
    tags.v2 = true;
    tags.frames = {{"APIC", "image/png", "", 300}};
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", 100, tags));
    FileMetaData md = Record(dir, "a.mp3");
    std::vector<unsigned char> bytes;
    std::string mimeType;
    // Without a ReadQuickInfo the record knows of no tag.
    EXPECT_FALSE(md.GetCoverArt(bytes, mimeType));
    ASSERT_TRUE(md.ReadQuickInfo());
    ASSERT_TRUE(md.GetCoverArt(bytes, mimeType));
    EXPECT_EQ("image/png", mimeType);
    EXPECT_EQ(testsupport::FixturePicture(300), std::string(bytes.begin(), bytes.end()));
}

TEST(FileMetaDataMp4Test, StreamsOtherThanAacArePassedOverWithTheirLines) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteM4a(dir.File("alac.m4a"), M4aSpec{1, false, M4aCodec::ALAC, nullptr}));
    ASSERT_TRUE(testsupport::WriteM4a(dir.File("whole.m4a"), M4aSpec{1, false, M4aCodec::AAC, nullptr}));
    // The attached cover picture is stream 0, the audio stream 1.
    const M4aTags covered = Tags({}, {{kJpeg, 300}});
    ASSERT_TRUE(
        testsupport::WriteM4a(dir.File("cover first.m4a"), M4aSpec{1, true, M4aCodec::AAC, &covered, true}));
    const std::string whole = testsupport::ReadFileText(dir.File("whole.m4a"));
    // Cut before the movie box that comes last.
    testsupport::WriteFileText(dir.File("cut.m4a"), whole.substr(0, whole.rfind("moov") - 4));
    testsupport::WriteFileText(dir.File("junk.m4a"), std::string(5000, 'j'));
    testsupport::WriteFileText(dir.File("mp3.m4a"), testsupport::Mp3Frames(100));
    const std::string lookedAt = "(ERR): Looked at ";
    struct Case {
        std::string name;
        bool read;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"alac.m4a",
         false,
         {"(ERR): Stream 0 is not valid: " + std::to_string(AV_CODEC_ID_ALAC) + "/1",
          lookedAt + "1 streams, did not find a valid one"}},
        {"cover first.m4a",
         true,
         {"(ERR): Stream 0 is not valid: " + std::to_string(AV_CODEC_ID_MJPEG) + "/0"}},
        {"cut.m4a", false, {"(ERR): av_open_input_file failed for "}},
        {"junk.m4a", false, {"(ERR): av_open_input_file failed for "}},
        {"mp3.m4a", false, {"(ERR): No media data box in "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::CapturedLog log;
        FileMetaData md = Record(dir, c.name);
        EXPECT_EQ(c.read, md.ReadQuickInfo());
        for (const std::string& line : c.lines)
            EXPECT_TRUE(log.Contains(line)) << log.Text();
        if (c.read) {
            EXPECT_FALSE(log.Contains(lookedAt)) << log.Text();
            EXPECT_EQ(300u, md.artSize);
        }
    }
}
