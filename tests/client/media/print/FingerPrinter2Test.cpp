// Prints of files made at run time, computed in this process.
#include "client/media/PrintSource.h"

#include "client/media/print/PrintKeys.h"
#include "include/text/Utf8.h"
#include "tests/client/media/print/PrintFixtures.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ProcessReads.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/media/TuneFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace {

using testsupport::TuneSpec;

struct Printed {
    bool made = false;
    std::string print;
    uint32_t secs = 0;
};

Printed PrintOf(const std::string& path) {
    Printed printed;
    printed.made = CalcPrintInProcess(Utf8ToWide(path), printed.print, printed.secs);
    return printed;
}

// How many time steps of two prints have the same key.
size_t SameKeys(const std::string& a, const std::string& b) {
    const std::vector<uint32_t> first = testsupport::KeysOfPrint(a), second = testsupport::KeysOfPrint(b);
    size_t same = 0;
    for (size_t i = 0; i < first.size() && i < second.size(); ++i)
        same += first[i] == second[i] ? 1 : 0;
    return same;
}

} // namespace

TEST(FingerPrinter2Test, FilesThatCannotBeDecodedGiveNoPrint) {
    testsupport::TempDir dir;
    testsupport::CapturedLog log;
    testsupport::WriteFileText(dir.File("noise.mp3"), std::string(100000, '\x55'));
    testsupport::WriteFileText(dir.File("noise.m4a"), std::string(100000, '\x55'));
    for (const char* name : {"noise.mp3", "noise.m4a", "missing.mp3"}) {
        SCOPED_TRACE(name);
        const Printed printed = PrintOf(dir.File(name));
        EXPECT_FALSE(printed.made);
        EXPECT_TRUE(printed.print.empty());
        EXPECT_EQ(0u, printed.secs);
    }
    EXPECT_TRUE(log.Contains("can't print"));
}

TEST(FingerPrinter2Test, GeneratedFilesGiveFullPrintsThatRepeatAndFollowTheAudio) {
    testsupport::TempDir dir;
    TuneSpec otherTune{testsupport::TUNE_MP3, 30.0, 0.0, 44100, 2};
    otherTune.noteStep = 5;
    const struct {
        const char* name;
        TuneSpec spec;
        uint32_t secs;
    } files[] = {
        {"tune.mp3", {testsupport::TUNE_MP3, 30.0, 0.0, 44100, 2}, 30},
        {"tune.m4a", {testsupport::TUNE_M4A, 30.0, 0.0, 44100, 2}, 30},
        {"other.mp3", otherTune, 30},
        // Too short for a print's length: what there is repeats.
        {"short.mp3", {testsupport::TUNE_MP3, 5.0, 0.0, 44100, 2}, 5},
        // The same tune after 2 s of silence, and without them: the silence
        // does not count, and the print starts where the sound does.
        {"late.mp3", {testsupport::TUNE_MP3, 50.0, 2.0, 22050, 1}, 48},
        {"trimmed.mp3", {testsupport::TUNE_MP3, 48.0, 0.0, 22050, 1}, 48},
    };
    std::map<std::string, std::string> prints;
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(testsupport::WriteTuneFile(dir.File(f.name), f.spec));
        const Printed first = PrintOf(dir.File(f.name));
        ASSERT_TRUE(first.made);
        EXPECT_EQ(kNumKeys, testsupport::StepsOfPrint(first.print));
        EXPECT_EQ(f.secs, first.secs);
        EXPECT_EQ(first.print, PrintOf(dir.File(f.name)).print);
        prints[f.name] = first.print;
    }
    const struct {
        const char* a;
        const char* b;
        size_t minSame, maxSame;
    } pairs[] = {
        // Two codecs of one tune agree on most steps; two tunes on almost none.
        {"tune.mp3", "tune.m4a", kNumKeys / 2, kNumKeys},
        {"tune.mp3", "other.mp3", 0, kNumKeys / 20},
        {"late.mp3", "trimmed.mp3", kNumKeys * 9 / 10, kNumKeys},
    };
    for (const auto& p : pairs) {
        const size_t same = SameKeys(prints[p.a], prints[p.b]);
        EXPECT_GE(same, p.minSame) << p.a << " / " << p.b;
        EXPECT_LE(same, p.maxSame) << p.a << " / " << p.b;
    }
}

// Tags that declare a picture of 200 MB, a hole in the file, are left unread
// by the print: an MP3's ID3v2 tag at its start, behind junk or behind a
// small tag, and an MPEG-4 cover item. The silent MP3s decode (and are too
// short to print); the tone prints.
TEST(FingerPrinter2Test, AHugePictureIsLeftUnread) {
    testsupport::TempDir dir;
    const uint32_t pictureBytes = 200000000;
    const std::vector<testsupport::Id3Frame> title = {{"TIT2", "Song", ""}};
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(dir.File("start.mp3"), title, pictureBytes, {}, 100));
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(dir.File("junk.mp3"), title, pictureBytes, {}, 100,
                                                       testsupport::FalseFrameJunk()));
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(dir.File("second.mp3"), {}, pictureBytes, {}, 100,
                                                       testsupport::Id3v2TagOf(title)));
    testsupport::M4aTags tags;
    tags.title = "Song";
    ASSERT_TRUE(testsupport::WriteM4aWithHollowCover(
        dir.File("cover.m4a"), {2, true, testsupport::M4aCodec::AAC, &tags}, pictureBytes));
    for (const char* name : {"start.mp3", "junk.mp3", "second.mp3", "cover.m4a"}) {
        SCOPED_TRACE(name);
        testsupport::CapturedLog log;
        const int64_t readBefore = testsupport::ProcessReadBytes();
        const Printed printed = PrintOf(dir.File(name));
        EXPECT_LT(testsupport::ProcessReadBytes() - readBefore, 4 << 20);
        const bool tone = std::string(name) == "cover.m4a";
        EXPECT_EQ(tone, printed.made);
        EXPECT_EQ(!tone, log.Contains("is too short to fingerprint")) << log.Text();
    }
}
