// The buyer's tag: one PRIV frame of its owner, written into the existing
// ID3v2 tag without touching the audio.
#include "client/stream/UitsTag.h"

#include "client/media/FileMetaData.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/Mp3Fixture.h"

#include <gtest/gtest.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <privateframe.h>

using namespace testsupport;

namespace {

// Owner and data of every PRIV frame of the file.
std::vector<std::pair<std::string, std::string>> PrivFrames(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    std::vector<std::pair<std::string, std::string>> frames;
    for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag(true)->frameList("PRIV")) {
        auto* priv = dynamic_cast<TagLib::ID3v2::PrivateFrame*>(frame);
        const TagLib::ByteVector data = priv->data();
        frames.emplace_back(priv->owner().to8Bit(false), std::string(data.data(), data.size()));
    }
    return frames;
}

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
    TagLib::MPEG::File saved(path.c_str(), false);
    EXPECT_EQ(4u, saved.ID3v2Tag()->header()->majorVersion());

    const std::string bare = dir.File("bare.mp3");
    ASSERT_TRUE(WriteMp3(bare, "", 60));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(bare), L"UITS", L"<uits/>", true));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(path), L"", L"<uits/>", true));
    EXPECT_FALSE(EmbedUitsTag(Utf8ToWide(path), L"UITS", L"", true));
}
