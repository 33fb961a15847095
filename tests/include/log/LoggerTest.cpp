#include "include/log/Logger.h"

#include "include/fs/FileCmds.h"
#include "include/text/Utf8.h"
#include "include/thread/Threads.h"
#include "platform/time/Clock.h"
#include "tests/support/DeathTestDir.h"
#include "tests/support/ManualClock.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using testsupport::ManualClock;
using testsupport::ReadFileText;
using testsupport::TempDir;
using testsupport::WriteFileText;

namespace {

// 2023-11-14 22:13:20.123 UTC
constexpr int64_t kStartMillis = 1700000000123LL;
constexpr int kSmallBuffers = 1024; // two buffers of 512 bytes
constexpr int kHalf = kSmallBuffers / 2;
constexpr const char* kFile = "src/log/Thing.cpp";

// The line the logger should produce, built independently of its code.
std::string ExpectedLine(int64_t wallMillis, const char* level, const char* file, int line,
                         const std::string& text, int threadId = GetCurrentThreadIdValue()) {
    platform::TimeOfDay t = platform::UtcTimeOfDayFromMillis(wallMillis);
    char prefix[256];
    std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d.%03d %05d %s:%d (%s): ", t.hours, t.minutes,
                  t.seconds, t.millis, threadId, file, line, level);
    return prefix + text + "\n";
}

// Text that makes a line of exactly `length` bytes from `file`:1 at INFO.
std::string TextForLineLength(size_t length, char fill = 'x') {
    size_t overhead = ExpectedLine(kStartMillis, "INFO", "Thing.cpp", 1, "").size();
    return std::string(length - overhead, fill);
}

std::string LogLineOfLength(Logger& logger, size_t length, char fill) {
    std::string text = TextForLineLength(length, fill);
    logger.LogWrite(LOG_INFO, kFile, 1, text.c_str());
    return ExpectedLine(kStartMillis, "INFO", "Thing.cpp", 1, text);
}

class LoggerTest : public ::testing::Test {
  protected:
    ManualClock m_clock{kStartMillis};
    TempDir m_dir;
    std::wstring m_logPath = m_dir.WFile("log");
    std::string m_logPathUtf8 = m_dir.File("log");
};

} // namespace

TEST_F(LoggerTest, LineShowsUtcTimeThreadFileLineLevelAndText) {
    Logger logger;
    logger.Init(false, 65536, L"", 0);
    logger.Log(LOG_ERR, "./src/log/Thing.cpp", 42, "value %d of %s", 7, "eight");
    char threadId[16];
    std::snprintf(threadId, sizeof threadId, "%05d", GetCurrentThreadIdValue());
    EXPECT_EQ(std::string("22:13:20.123 ") + threadId + " Thing.cpp:42 (ERR): value 7 of eight\n",
              logger.GetMemoryText());
}

TEST_F(LoggerTest, EveryLevelIsKeptAndUnknownLevelsShowUnk) {
    struct Case {
        int level;
        const char* name;
    };
    const Case cases[] = {{LOG_CRIT, "CRIT"}, {LOG_ERR, "ERR"}, {LOG_INFO, "INFO"},
                          {LOG_VERB, "VERB"}, {4, "UNK"},       {-1, "UNK"}};
    Logger logger;
    logger.Init(false, 65536, L"", 0);
    std::string expected;
    for (const Case& c : cases) {
        logger.Log(c.level, kFile, 3, "x");
        expected += ExpectedLine(kStartMillis, c.name, "Thing.cpp", 3, "x");
    }
    EXPECT_EQ(expected, logger.GetMemoryText());
}

TEST_F(LoggerTest, FileNameIsTheLastElementOfEitherSeparatorOrTheWholeArgument) {
    Logger logger;
    logger.Init(false, 65536, L"", 0);
    logger.LogWrite(LOG_INFO, "plain.cpp", 1, "a");
    logger.LogWrite(LOG_INFO, ".\\win\\dir\\Old.cpp", 2, "b");
    logger.LogWrite(LOG_INFO, "/abs/path/New.cpp", 3, "c");
    EXPECT_EQ(ExpectedLine(kStartMillis, "INFO", "plain.cpp", 1, "a") +
                  ExpectedLine(kStartMillis, "INFO", "Old.cpp", 2, "b") +
                  ExpectedLine(kStartMillis, "INFO", "New.cpp", 3, "c"),
              logger.GetMemoryText());
}

TEST_F(LoggerTest, LineCarriesTheCallingThreadsId) {
    Logger logger;
    logger.Init(false, 65536, L"", 0);
    int otherId = 0;
    std::thread other([&] {
        otherId = GetCurrentThreadIdValue();
        logger.LogWrite(LOG_INFO, kFile, 9, "from other");
    });
    other.join();
    ASSERT_NE(GetCurrentThreadIdValue(), otherId);
    EXPECT_EQ(ExpectedLine(kStartMillis, "INFO", "Thing.cpp", 9, "from other", otherId),
              logger.GetMemoryText());
}

TEST_F(LoggerTest, LinesBeforeInitAreDropped) {
    Logger logger;
    logger.Log(LOG_CRIT, kFile, 1, "lost");
    logger.FlushToFile();
    EXPECT_EQ("", logger.GetMemoryText());
    logger.Init(false, kSmallBuffers, L"", 0);
    logger.Log(LOG_CRIT, kFile, 1, "kept");
    EXPECT_EQ(ExpectedLine(kStartMillis, "CRIT", "Thing.cpp", 1, "kept"), logger.GetMemoryText());
}

TEST_F(LoggerTest, WideTextIsStoredAsUtf8) {
    Logger logger;
    logger.Init(false, 65536, L"", 0);
    logger.LogW(LOG_INFO, kFile, 5, L"caf\u00e9 %ls %d", L"\u266b\U0001F3B5", 12);
    EXPECT_EQ(
        ExpectedLine(kStartMillis, "INFO", "Thing.cpp", 5, "caf\xC3\xA9 \xE2\x99\xAB\xF0\x9F\x8E\xB5 12"),
        logger.GetMemoryText());
}

TEST_F(LoggerTest, OverlongTextIsCutToTheLineLimitAndStillEndsTheLine) {
    Logger logger;
    logger.Init(false, 4 * Logger::kMaxLineBytes, L"", 0);
    std::string huge(3 * Logger::kMaxLineBytes, 'h');
    logger.Log(LOG_INFO, kFile, 1, "%s", huge.c_str());
    logger.LogW(LOG_INFO, kFile, 1, L"%ls", std::wstring(3 * Logger::kMaxLineBytes, L'w').c_str());
    std::string text = logger.GetMemoryText();
    ASSERT_EQ(2u * (Logger::kMaxLineBytes - 1), text.size());
    EXPECT_EQ('\n', text[Logger::kMaxLineBytes - 2]);
    EXPECT_EQ('\n', text.back());
    EXPECT_EQ('w', text[text.size() - 2]);
}

TEST_F(LoggerTest, MemoryHoldsTheLastLinesOlderBufferFirst) {
    Logger logger;
    logger.Init(false, kSmallBuffers, L"", 0);
    std::string all;
    for (int i = 0; all.size() < 2000; ++i) {
        std::string text = "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 23), '.');
        logger.LogWrite(LOG_INFO, kFile, i, text.c_str());
        all += ExpectedLine(kStartMillis, "INFO", "Thing.cpp", i, text);
    }
    std::string memory = logger.GetMemoryText();
    EXPECT_GE(memory.size(), static_cast<size_t>(kHalf));
    EXPECT_LE(memory.size(), static_cast<size_t>(kSmallBuffers));
    // The memory is exactly the tail of what was logged, from a line start.
    ASSERT_LE(memory.size(), all.size());
    EXPECT_EQ(all.substr(all.size() - memory.size()), memory);
    EXPECT_EQ('\n', all[all.size() - memory.size() - 1]);
}

TEST_F(LoggerTest, LineOfOneLessThanABufferIsStoredWhole) {
    Logger logger;
    logger.Init(false, kSmallBuffers, L"", 0);
    std::string line = LogLineOfLength(logger, kHalf - 1, 'a');
    EXPECT_EQ(line, logger.GetMemoryText());
}

TEST_F(LoggerTest, BuffersSwapOnlyWhenTheLineWouldOverfillTheCurrentOne) {
    {
        // 100 + 412 fills the buffer exactly: no swap, so the third line
        // swaps and all three stay.
        Logger logger;
        logger.Init(false, kSmallBuffers, L"", 0);
        std::string first = LogLineOfLength(logger, 100, 'a');
        std::string second = LogLineOfLength(logger, kHalf - 100, 'b');
        std::string third = LogLineOfLength(logger, 100, 'c');
        EXPECT_EQ(first + second + third, logger.GetMemoryText());
    }
    {
        // One byte more swaps at the second line, so the third line's swap
        // drops the first.
        Logger logger;
        logger.Init(false, kSmallBuffers, L"", 0);
        LogLineOfLength(logger, 100, 'a');
        std::string second = LogLineOfLength(logger, kHalf - 99, 'b');
        std::string third = LogLineOfLength(logger, 100, 'c');
        EXPECT_EQ(second + third, logger.GetMemoryText());
    }
}

TEST_F(LoggerTest, LineLongerThanABufferIsStoredCutAndLoggingGoesOn) {
    Logger logger;
    logger.Init(false, kSmallBuffers, L"", 0);
    std::string line = LogLineOfLength(logger, 700, 'l');
    EXPECT_EQ(line.substr(0, kHalf - 1), logger.GetMemoryText());
    std::string next = LogLineOfLength(logger, 50, 'n');
    EXPECT_EQ(line.substr(0, kHalf - 1) + next, logger.GetMemoryText());
}

TEST_F(LoggerTest, ConcurrentLinesStayWhole) {
    Logger logger;
    logger.Init(false, 1 << 22, L"", 0);
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&logger, t] {
            for (int i = 0; i < kLines; ++i)
                logger.Log(LOG_INFO, kFile, t, "thread %d line %d %s", t, i, "payload-payload-payload");
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::string text = logger.GetMemoryText();
    int lines = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        ASSERT_NE(std::string::npos, end);
        std::string line = text.substr(start, end - start);
        EXPECT_NE(std::string::npos, line.find(" (INFO): thread ")) << line;
        EXPECT_EQ(0u, line.rfind("22:13:20.123 ", 0)) << line;
        EXPECT_NE(std::string::npos, line.find(" payload-payload-payload")) << line;
        ++lines;
        start = end + 1;
    }
    EXPECT_EQ(kThreads * kLines, lines);
}

TEST_F(LoggerTest, FlushToFileWritesOlderThenCurrentBufferReplacingAnyOldFile) {
    WriteFileText(m_logPathUtf8, "stale text that must go");
    Logger logger;
    logger.Init(false, kSmallBuffers, m_logPath, 0);
    EXPECT_FALSE(fileExists(m_logPath)) << "Init deletes an old log";
    std::string all;
    for (int i = 0; i < 30; ++i) {
        std::string text = "entry " + std::to_string(i);
        logger.LogWrite(LOG_INFO, kFile, i, text.c_str());
        all += ExpectedLine(kStartMillis, "INFO", "Thing.cpp", i, text);
    }
    WriteFileText(m_logPathUtf8, "stale text that must go");
    logger.FlushToFile();
    std::string written = ReadFileText(m_logPathUtf8);
    EXPECT_EQ(logger.GetMemoryText(), written);
    EXPECT_EQ(all.substr(all.size() - written.size()), written);
    struct stat st {};
    ASSERT_EQ(0, stat(m_logPathUtf8.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST_F(LoggerTest, FlushToFileWritesBuffersLargerThanOnePiece) {
    Logger logger;
    logger.Init(false, 40000, m_logPath, 0);
    for (int i = 0; i < 600; ++i)
        logger.Log(LOG_VERB, kFile, i, "a somewhat longer line of text, number %d", i);
    logger.FlushToFile();
    std::string written = ReadFileText(m_logPathUtf8);
    EXPECT_GT(written.size(), 20000u);
    EXPECT_EQ(logger.GetMemoryText(), written);
}

TEST_F(LoggerTest, FileModeWritesEachLineOnceAndKeepsTheFile) {
    Logger logger;
    logger.Init(true, kSmallBuffers, m_logPath, 1 << 20);
    logger.Log(LOG_ERR, kFile, 1, "once");
    logger.FlushToFile();
    logger.DeleteOldLog();
    EXPECT_EQ(ExpectedLine(kStartMillis, "ERR", "Thing.cpp", 1, "once"), ReadFileText(m_logPathUtf8));
}

TEST_F(LoggerTest, DeleteOldLogRemovesTheFileOnlyInMemoryMode) {
    Logger logger;
    logger.Init(false, kSmallBuffers, m_logPath, 0);
    logger.Log(LOG_INFO, kFile, 1, "x");
    logger.FlushToFile();
    ASSERT_TRUE(fileExists(m_logPath));
    logger.DeleteOldLog();
    EXPECT_FALSE(fileExists(m_logPath));
    EXPECT_EQ(m_logPath, logger.GetLogPath());
}

TEST_F(LoggerTest, FileModeStartsWithAnEmptyFile) {
    WriteFileText(m_logPathUtf8, "yesterday's log\n");
    Logger logger;
    logger.Init(true, kSmallBuffers, m_logPath, 1 << 20);
    ASSERT_TRUE(fileExists(m_logPath));
    EXPECT_EQ("", ReadFileText(m_logPathUtf8));
}

TEST_F(LoggerTest, CriticalAndErrorLinesAreOnDiskWhenLogWriteReturns) {
    Logger logger;
    logger.Init(true, kSmallBuffers, m_logPath, 1 << 20);
    logger.LogWrite(LOG_ERR, kFile, 1, "error line");
    std::string expected = ExpectedLine(kStartMillis, "ERR", "Thing.cpp", 1, "error line");
    EXPECT_EQ(expected, ReadFileText(m_logPathUtf8));
    logger.LogWrite(LOG_CRIT, kFile, 2, "critical line");
    expected += ExpectedLine(kStartMillis, "CRIT", "Thing.cpp", 2, "critical line");
    EXPECT_EQ(expected, ReadFileText(m_logPathUtf8));
    // Lower levels may wait until a flush.
    logger.LogWrite(LOG_INFO, kFile, 3, "info line");
    logger.Flush();
    expected += ExpectedLine(kStartMillis, "INFO", "Thing.cpp", 3, "info line");
    EXPECT_EQ(expected, ReadFileText(m_logPathUtf8));
}

TEST_F(LoggerTest, FirstLineAfterLocalMidnightStartsAFreshFile) {
    Logger logger;
    logger.Init(true, kSmallBuffers, m_logPath, 1 << 20);
    const int64_t midnight = platform::NextLocalMidnight(kStartMillis / 1000);

    logger.LogWrite(LOG_ERR, kFile, 1, "before");
    m_clock.SetWallMillis(midnight * 1000 + 999); // still the midnight second
    logger.LogWrite(LOG_ERR, kFile, 2, "at midnight");
    EXPECT_EQ(ExpectedLine(kStartMillis, "ERR", "Thing.cpp", 1, "before") +
                  ExpectedLine(midnight * 1000 + 999, "ERR", "Thing.cpp", 2, "at midnight"),
              ReadFileText(m_logPathUtf8));

    m_clock.SetWallMillis(midnight * 1000 + 1000);
    logger.LogWrite(LOG_ERR, kFile, 3, "next day");
    std::string nextDay = ExpectedLine(midnight * 1000 + 1000, "ERR", "Thing.cpp", 3, "next day");
    EXPECT_EQ(nextDay, ReadFileText(m_logPathUtf8));

    // The next rollover is the following midnight, not the same one again.
    m_clock.SetWallMillis(midnight * 1000 + 3600 * 1000);
    logger.LogWrite(LOG_ERR, kFile, 4, "an hour later");
    EXPECT_EQ(nextDay + ExpectedLine(midnight * 1000 + 3600 * 1000, "ERR", "Thing.cpp", 4, "an hour later"),
              ReadFileText(m_logPathUtf8));
}

TEST_F(LoggerTest, FirstLineOnceTheFileIsPastItsLimitStartsAFreshFile) {
    Logger logger;
    logger.Init(true, 65536, m_logPath, 200);
    std::string first = LogLineOfLength(logger, 100, 'a');
    std::string second = LogLineOfLength(logger, 100, 'b');
    std::string third = LogLineOfLength(logger, 100, 'c'); // the file is at 200: not past
    logger.Flush();
    EXPECT_EQ(first + second + third, ReadFileText(m_logPathUtf8));
    std::string fourth = LogLineOfLength(logger, 100, 'd');
    logger.Flush();
    EXPECT_EQ(fourth, ReadFileText(m_logPathUtf8));
    // Memory is not affected by the file starting afresh.
    EXPECT_EQ(first + second + third + fourth, logger.GetMemoryText());
}

TEST_F(LoggerTest, UnopenableFileLeavesMemoryLoggingAndNestedLinesWork) {
    Logger logger;
    Logger* saved = g_logger;
    // The failed open logs through g_logger while the logger holds its lock.
    g_logger = &logger;
    logger.Init(true, 65536, m_dir.WFile("missing-folder/log"), 1 << 20);
    logger.LogWrite(LOG_ERR, kFile, 1, "still logging");
    g_logger = saved;
    std::string text = logger.GetMemoryText();
    EXPECT_NE(std::string::npos, text.find("(ERR): <IOCMDS> ENOENT !!!!!!!!!!!\n")) << text;
    EXPECT_NE(std::string::npos, text.find("(ERR): still logging\n")) << text;
    EXPECT_FALSE(fileExists(m_dir.WFile("missing-folder/log")));
}

TEST(LoggerDeathTest, LinesStillWaitingReachTheFileWhenTheProgramExits) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::DeathTestDir dir;
    const std::string path = dir.File("log");
    EXPECT_EXIT(
        {
            g_logger->Init(true, kSmallBuffers, Utf8ToWide(path), 1 << 20);
            g_logger->LogWrite(LOG_INFO, kFile, 1, "last words");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_NE(std::string::npos, ReadFileText(path).find("(INFO): last words\n"));
}
