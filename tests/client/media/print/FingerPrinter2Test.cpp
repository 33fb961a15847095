// Prints of files made at run time, computed in this process.
#include "client/media/PrintSource.h"

#include "client/media/print/PrintKeys.h"
#include "include/text/Utf8.h"
#include "tests/client/media/print/PrintFixtures.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/TuneFixture.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(FingerPrinter2Test, GeneratedFilesGiveFullPrintsThatRepeat) {
    testsupport::TempDir dir;
    const struct {
        const char* name;
        TuneSpec spec;
        uint32_t secs;
    } cases[] = {
        {"tune.mp3", {testsupport::TUNE_MP3, 30.0, 0.0, 44100, 2}, 30},
        {"tune.m4a", {testsupport::TUNE_M4A, 30.0, 0.0, 44100, 2}, 30},
        // Too short for a print's length: what there is repeats.
        {"short.mp3", {testsupport::TUNE_MP3, 5.0, 0.0, 44100, 2}, 5},
        // The silence at the start does not count.
        {"late.mp3", {testsupport::TUNE_MP3, 50.0, 2.0, 22050, 1}, 48},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testsupport::WriteTuneFile(dir.File(c.name), c.spec));
        const Printed first = PrintOf(dir.File(c.name));
        ASSERT_TRUE(first.made);
        EXPECT_EQ(kNumKeys, testsupport::StepsOfPrint(first.print));
        EXPECT_EQ(c.secs, first.secs);
        const Printed second = PrintOf(dir.File(c.name));
        EXPECT_EQ(first.print, second.print);
    }
}

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
