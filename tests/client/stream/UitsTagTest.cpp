// The buyer's tag: one PRIV frame of its owner, written into the existing
// ID3v2 tag without touching the audio.
#include "client/stream/UitsTag.h"

#include "client/media/FileMetaData.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/Mp3Fixture.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::string Digest(const std::string& path) {
    FileMetaData md;
    md.SetPath(Utf8ToWide(path));
    return md.ReadQuickInfo() ? md.GetDigest() : "unreadable";
}

} // namespace

TEST(UitsTagTest, TheOwnersFrameIsReplacedAndTheAudioStaysTheSame) {
    CapturedLog log;
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    Mp3Tags tags;
    tags.v2 = true;
    tags.title = "Title";
    tags.frames = {{"PRIV", "UITS", "", 0}, {"PRIV", "www.other.example", "", 0}};
    ASSERT_TRUE(WriteMp3(path, "", 60, tags));
    const std::string digest = Digest(path);

    ASSERT_TRUE(EmbedUitsTag(Utf8ToWide(path), L"UITS", L"<first/>", true));
    ASSERT_TRUE(EmbedUitsTag(Utf8ToWide(path), L"UITS", L"<uits>caf\u00e9 \u20ac</uits>", true));
    using Frames = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Frames{{"www.other.example", "data"}, {"UITS", "<uits>caf\xe9 ?</uits>"}}), PrivFrames(path));
    EXPECT_EQ(digest, Digest(path));
    // Saved in the version it had.
    EXPECT_EQ('\x04', ReadFileText(path)[3]);

    const std::string bare = dir.File("bare.mp3");
    ASSERT_TRUE(WriteMp3(bare, "", 60));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(bare), L"UITS", L"<uits/>", true));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(path), L"", L"<uits/>", true));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(path), L"UITS", L"", true));
}
