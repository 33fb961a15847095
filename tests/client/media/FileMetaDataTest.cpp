#include "client/media/FileMetaData.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/Mp3Fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

namespace {

using testsupport::TempDir;

std::string CountingBytes(size_t count) {
    std::string bytes(count, '\0');
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

FileMetaData FullRecord() {
    FileMetaData md(L"/m/\u00e9", L"a.mp3");
    md.size = 1000;
    md.m_dataLen = 900;
    md.lastModDate = 1234567890;
    md.digest = "d41d8cd98f00b204e9800998ecf8427e";
    md.songID = 5;
    md.lengthSecs = 200;
    md.bitRate = 128;
    md.printID = 0x8000000000000001ull;
    md.albumID = 7;
    md.timeProcessed = 9;
    md.confidence = 3;
    md.trackNum = 65535;
    md.artHash = 42;
    md.artistID = 11;
    md.albumArtistID = 12;
    md.song = "S";
    md.artist = "Ar";
    md.albumArtist = "AA";
    md.album = "Al";
    md.csid = 1;
    md.caid = 2;
    md.calid = 3;
    md.ctn = 4;
    return md;
}

} // namespace

TEST(FileMetaDataTest, HashAudioDataSamplesEveryStepAndTheLength) {
    TempDir dir;
    testsupport::WriteFileText(dir.File("data"), CountingBytes(300000));
    platform::UniqueFd fd(platform::OpenCloexec(dir.File("data"), O_RDONLY));
    ASSERT_TRUE(fd.IsValid());
    struct Case {
        uint64_t offset;
        uint64_t length;
        const char* digest; // "" for a failed hash
    };
    const Case cases[] = {
        {0, 300000, "e726574f922293e53d9e91248030d989"}, {1000, 266000, "14c52c9988c3c9b1d0ed8b4bae2873e2"},
        {0, 4000, "89aa71bc3eca0796d559f7894fb07db8"},   {297000, 5000, ""}, // the chunk runs past the end
        {0xFFFFFFFFFFFFFFF0ull, 0x100ull, ""},                               // a region that wraps
    };
    for (const Case& c : cases) {
        std::string digest = "stale";
        EXPECT_EQ(c.digest[0] != '\0', FileMetaData::HashAudioData(fd.Get(), c.offset, c.length, digest))
            << c.offset << "+" << c.length;
        EXPECT_EQ(c.digest, digest) << c.offset << "+" << c.length;
    }
}

TEST(FileMetaDataTest, TagDigestKnownAnswers) {
    FileMetaData md;
    EXPECT_EQ("7d5592a4ef156479fefabef7ca199723", md.GetTagDigest());
    md.hasId3v1 = 1;
    md.id3v1Title = "T";
    md.id3v1Artist = "A";
    md.id3v1Album = "Al";
    md.hasTag = 1;
    md.tagTitle = "T2";
    md.tagArtist = "A2";
    md.tagAlbum = "Al2";
    md.trackNum = 7;
    EXPECT_EQ("9d1e8925950889d65123a7122f0074e7", md.GetTagDigest());
}

TEST(FileMetaDataTest, CrcCoversEveryStoredFieldInOrder) {
    EXPECT_EQ(0x91DDCFDAu, FullRecord().CalcCrc());

    const std::function<void(FileMetaData&)> changes[] = {
        [](FileMetaData& m) { m.SetFileName(L"b.mp3"); },
        [](FileMetaData& m) { m.SetDirName(L"/m/x"); },
        [](FileMetaData& m) { m.size ^= 0x80000000u; },
        [](FileMetaData& m) { m.m_dataLen ^= 1ull << 40; },
        [](FileMetaData& m) { m.lastModDate++; },
        [](FileMetaData& m) { m.digest[31] = 'f'; },
        [](FileMetaData& m) { m.songID++; },
        [](FileMetaData& m) { m.lengthSecs++; },
        [](FileMetaData& m) { m.bitRate++; },
        [](FileMetaData& m) { m.printID ^= 1ull << 62; },
        [](FileMetaData& m) { m.albumID++; },
        [](FileMetaData& m) { m.timeProcessed++; },
        [](FileMetaData& m) { m.confidence++; },
        [](FileMetaData& m) { m.trackNum = 1; },
        [](FileMetaData& m) { m.artHash ^= 1ull << 63; },
        [](FileMetaData& m) { m.artistID++; },
        [](FileMetaData& m) { m.albumArtistID++; },
        [](FileMetaData& m) { m.song += "x"; },
        [](FileMetaData& m) { m.artist += "x"; },
        [](FileMetaData& m) { m.albumArtist += "x"; },
        [](FileMetaData& m) { m.album += "x"; },
        [](FileMetaData& m) { m.csid++; },
        [](FileMetaData& m) { m.caid++; },
        [](FileMetaData& m) { m.calid++; },
        [](FileMetaData& m) { m.ctn++; },
    };
    const uint32_t base = FullRecord().CalcCrc();
    int index = 0;
    for (const auto& change : changes) {
        FileMetaData md = FullRecord();
        change(md);
        EXPECT_NE(base, md.CalcCrc()) << "change " << index;
        ++index;
    }

    // Texts the table does not store must not disturb the check of a loaded row.
    FileMetaData md = FullRecord();
    md.tagTitle = "x";
    md.auxText = "x";
    md.print = "x";
    md.artSize = 5;
    EXPECT_EQ(base, md.CalcCrc());
}

TEST(FileMetaDataTest, NamesSetTypeAndPath) {
    struct Case {
        const wchar_t* path;
        uint32_t encType;
        const wchar_t* dir;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"/music/Song.MP3", MP3, L"/music", L"Song.MP3"},
        {L"/music/x/a.m4a", AAC, L"/music/x", L"a.m4a"},
        {L"/a.mp3.txt", ENC_OTHER, L"/", L"a.mp3.txt"},
        {L"/music/mp3", ENC_OTHER, L"/music", L"mp3"},
    };
    for (const Case& c : cases) {
        FileMetaData md;
        md.SetPath(c.path);
        EXPECT_EQ(c.encType, md.GetEncType()) << c.path;
        EXPECT_EQ(c.dir, md.pDirName);
        EXPECT_EQ(c.name, md.pFileName);
        EXPECT_EQ(std::wstring(c.path), md.GetFullPath());
    }
    FileMetaData joined(L"/music/", L"\u00e9.mp3");
    EXPECT_EQ("/music/\xc3\xa9.mp3", joined.utf8Path);
    EXPECT_EQ(FileMetaData::kNoTrack, joined.trackNum);
    FileMetaData unset(L"", L"a.mp3");
    EXPECT_EQ(L"", unset.GetFullPath());
}

TEST(FileMetaDataTest, NothingAtOrPast2GiBIsRead) {
    // Sparse: the file takes no space, and every byte of it reads as 0.
    TempDir dir;
    platform::UniqueFd fd(platform::OpenCloexec(dir.File("big.mp3"), O_RDWR | O_CREAT, 0600));
    ASSERT_EQ(0, ftruncate(fd.Get(), 0x80000000ll + 4096));
    testsupport::CapturedLog log;
    FileMetaData big(dir.WPath(), L"big.mp3");
    EXPECT_FALSE(big.ReadQuickInfo());
    EXPECT_TRUE(log.Contains("(ERR): File of 2147487744 bytes is 2 GiB or more, not read: ")) << log.Text();
    EXPECT_EQ(0u, big.size);

    struct Case {
        uint64_t offset;
        uint64_t length;
        const char* digest; // "" for a refused region
    };
    const Case cases[] = {
        {0x7FFFFFFEull, 1, "e4390eb627e0ef7a50aa60230c7c1f12"}, // the last byte below 2 GiB
        {0x7FFFFFFFull, 1, ""},
        {0x80000000ull, 4096, ""},
    };
    for (const Case& c : cases) {
        std::string digest;
        EXPECT_EQ(c.digest[0] != '\0', FileMetaData::HashAudioData(fd.Get(), c.offset, c.length, digest))
            << c.offset;
        EXPECT_EQ(c.digest, digest) << c.offset;
    }
}

TEST(FileMetaDataTest, ANameIsReadWhenItsUtf8NamesTheFile) {
    TempDir dir;
    const std::string fffd = "\xEF\xBF\xBD";
    for (const std::string& name : {"real" + fffd + ".mp3", "surrogate" + fffd + ".mp3"})
        ASSERT_TRUE(testsupport::WriteMp3(dir.File(name), "", 100));
    testsupport::WriteFileText(dir.File("bad\xFF.mp3"), testsupport::Mp3Frames(100));
    struct Case {
        std::wstring name;
        const char* line; // "" when the file is read
    };
    const Case cases[] = {
        // U+FFFD is a character like any other.
        {L"real\uFFFD.mp3", ""},
        // A lone surrogate would be written as U+FFFD: another file.
        {L"surrogate" + std::wstring(1, static_cast<wchar_t>(0xD800)) + L".mp3",
         "(ERR): Name has no UTF-8 form, not read: "},
        // How a name that is not UTF-8 on disk reaches the record.
        {L"bad\uFFFD.mp3", "(ERR): Could not stat "},
    };
    for (const Case& c : cases) {
        testsupport::CapturedLog log;
        FileMetaData md(dir.WPath(), c.name);
        EXPECT_EQ(*c.line == '\0', md.ReadQuickInfo()) << c.line;
        EXPECT_TRUE(log.Contains(*c.line ? c.line : "(ERR)") == (*c.line != '\0')) << log.Text();
    }
}

// A file handed over open, as the song server hands over the one it checked,
// is read for its region, its digest and its picture, never what its name
// holds by now.
TEST(FileMetaDataTest, AnOpenFileIsReadWhateverItsNameHoldsByNow) {
    TempDir dir;
    const size_t pictureBytes = 300;
    testsupport::Mp3Tags mp3Tags;
    testsupport::M4aTags m4aTags;
    mp3Tags.v2 = true;
    mp3Tags.frames.push_back({"APIC", "image/png", "", pictureBytes});
    m4aTags.covers.push_back({13, pictureBytes}); // a JPEG picture
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("a.mp3"), "", 100, mp3Tags));
    ASSERT_TRUE(testsupport::WriteM4a(dir.File("a.m4a"), {1, false, testsupport::M4aCodec::AAC, &m4aTags}));
    for (const std::string name : {"a.mp3", "a.m4a"}) {
        SCOPED_TRACE(name);
        const std::wstring wideName(name.begin(), name.end());
        FileMetaData byName(dir.WPath(), wideName);
        ASSERT_TRUE(byName.ReadQuickInfo());
        const platform::UniqueFd file(platform::OpenRegularFileRead(dir.File(name), nullptr));
        testsupport::ReplaceFileText(dir.File(name), "not a song");
        FileMetaData region(dir.WPath(), wideName);
        ASSERT_TRUE(region.ReadAudioRegion(file.Get()));
        EXPECT_EQ(byName.m_dataOffset, region.m_dataOffset);
        FileMetaData whole(dir.WPath(), wideName);
        ASSERT_TRUE(whole.ReadQuickInfo(file.Get()));
        EXPECT_EQ(byName.digest, whole.digest);
        EXPECT_EQ(byName.artHash, whole.artHash);
        std::vector<unsigned char> picture;
        std::string mimeType;
        ASSERT_TRUE(whole.GetCoverArt(file.Get(), picture, mimeType));
        EXPECT_EQ(testsupport::FixturePicture(pictureBytes), std::string(picture.begin(), picture.end()));
    }
}
