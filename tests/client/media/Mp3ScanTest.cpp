#include "client/media/Mp3Scan.h"

#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/media/Mp3Fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

using testsupport::TempDir;

platform::UniqueFd FileWith(const TempDir& dir, const std::string& bytes) {
    testsupport::WriteFileText(dir.File("f"), bytes);
    return platform::UniqueFd(platform::OpenCloexec(dir.File("f"), O_RDONLY));
}

} // namespace

TEST(Mp3ScanTest, Id3v2HeadReadsSyncsafeSizes) {
    struct Case {
        std::string head;
        uint64_t length;
        bool badByteLine;
    };
    const Case cases[] = {
        {std::string("ID3\x04\x00\x00\x00\x00\x02\x01", 10), 267, false},
        {std::string("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10), 0x0FFFFFFFull + 10, false},
        {std::string("ID3\x04\x00\x00\x00\x00\x80\x01", 10), 0, true},
        {std::string("ID3\x04\x00\x00\x80\x00\x00\x00", 10), 0, true},
        {std::string("ID2\x04\x00\x00\x00\x00\x02\x01", 10), 0, false},
        {std::string("ID3\x04\x00\x00\x00\x00\x02", 9), 0, false}, // short file
    };
    for (const Case& c : cases) {
        TempDir dir;
        platform::UniqueFd fd = FileWith(dir, c.head);
        testsupport::CapturedLog log;
        EXPECT_EQ(c.length, readID3v2Head(fd.Get())) << testing::PrintToString(c.head);
        EXPECT_EQ(c.badByteLine, log.Contains("(VERB): readID3v2Head: Aborted id3v2 read: Bad byte in size"));
    }
}

TEST(Mp3ScanTest, Id3v1IsTheLast128BytesBeginningWithTag) {
    const std::string tag = "TAG" + std::string(125, 'x');
    struct Case {
        std::string bytes;
        uint64_t length;
    };
    const Case cases[] = {
        {std::string(1000, 'a') + tag, 128}, {tag, 128}, {tag + "a", 0}, {tag.substr(0, 127), 0},
        {std::string(1000, 'a'), 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        platform::UniqueFd fd = FileWith(dir, c.bytes);
        EXPECT_EQ(c.length, ReadId3v1Len(fd.Get())) << c.bytes.size();
    }
}

TEST(Mp3ScanTest, FrameSyncFindsTheFirstHeaderWithinTheWindow) {
    // Positions are relative to the scan's start; unless a case says how
    // long the file is, it holds enough bytes after the header for every
    // block to be read in full.
    const std::string header("\xFF\xFB\x90\xC0", 4);
    // Each fails exactly one test of the header.
    const std::string nearMisses = std::string("\xFE\xFB\x90", 3) + std::string("\xFF\x7B\x90", 3) +
                                   std::string("\xFF\xEB\x90", 3) + std::string("\xFF\xF9\x90", 3) +
                                   std::string("\xFF\xFB\xF0", 3);
    const uint64_t lastTested = 776 + 31 * 900 - 1;
    struct Case {
        uint64_t start;
        std::string before; // bytes from the start to the header
        std::string header;
        bool found;
        size_t fileBytes = 0; // from the start; 0: the full padding
    };
    const Case cases[] = {
        {0, "", header, true},
        {0, nearMisses, header, true},
        {100, std::string(500, '\0'), header, true},
        // In the 124 bytes a block carries over to the next: wholly, and
        // with its last byte in the next block.
        {0, std::string(3 * 900 + 800, '\0'), header, true},
        {0, std::string(3 * 900 + 898, '\0'), header, true},
        {0, std::string(lastTested, '\0'), header, true},
        {0, std::string(lastTested + 1, '\0'), header, false},
        {0, std::string(900, '\0'), std::string("\xFF\xE3\x00", 3), true}, // free format, MPEG 2.5
        {0, nearMisses, "", false},
        {0, "", header, false, 300}, // only a short block to read
    };
    for (const Case& c : cases) {
        TempDir dir;
        std::string bytes = std::string(c.start, 'j') + c.before + c.header + std::string(32 * 900, '\0');
        if (c.fileBytes)
            bytes.resize(c.start + c.fileBytes);
        platform::UniqueFd fd = FileWith(dir, bytes);
        uint64_t offset = 12345;
        EXPECT_EQ(c.found, FindFrameSync(fd.Get(), c.start, offset)) << c.before.size();
        EXPECT_EQ(c.found ? c.start + c.before.size() : 12345, offset) << c.before.size();
    }
}
