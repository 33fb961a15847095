// The process-wide logger. Every line goes to a pair of in-memory buffers that
// swap when one fills (the tail that crash reports carry) and, when logging to
// a file, also to a file that starts afresh each local day or past a size.
// The file is written with write(2) from a buffer of the logger's own, never
// through stdio, so that the crash path can flush it.
#pragma once

#include "platform/fs/UniqueFd.h"
#include "platform/thread/RecursiveMutex.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

enum LogLevel {
    LOG_CRIT = 0,
    LOG_ERR = 1,
    LOG_INFO = 2,
    LOG_VERB = 3,
};

class Logger {
  public:
    static constexpr int kMaxLineBytes = 8192;
    static constexpr int kMaxPathChars = 259;

    Logger() = default;
    // The program's logger is never destroyed; other loggers (tests) release
    // their buffers and file here.
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // bufSize is the size of both memory buffers together.
    void Init(bool logToFile, int bufSize, const std::wstring& path, uint32_t maxFileSize);

    void Log(int level, const char* srcFile, int line, const char* format, ...) noexcept
        __attribute__((format(printf, 5, 6)));
    void LogW(int level, const char* srcFile, int line, const wchar_t* format, ...) noexcept;
    void LogWrite(int level, const char* srcFile, int line, const char* text) noexcept;

    // In memory-only mode, writes the memory text out to the log file; with a
    // file open, writes out what still waits for it.
    void FlushToFile() noexcept;
    // Deletes the log file when no file is open.
    void DeleteOldLog() noexcept;
    std::wstring GetLogPath();
    // The same path in UTF-8, in storage that lives as long as the logger.
    const char* GetLogPathUtf8() const noexcept { return m_pathUtf8; }
    // Writes out the file text that still waits (before the process ends).
    void Flush() noexcept;
    static const char* LevelName(int level) noexcept;

    // The text held in memory: the older buffer, then the current one.
    std::string GetMemoryText();

    // Once a crash is being reported: from now on the logger waits a bounded
    // time for its lock and drops a line rather than wait longer (the crashed
    // thread may hold the lock), and the file no longer starts afresh (that
    // needs the local time, which a signal handler cannot have, and would
    // delete the lines before the crash).
    void UseTimedLocking() noexcept { m_timedLocking.store(true); }

  private:
    // Room for two of the longest lines.
    static constexpr size_t kFileBufferBytes = 2 * kMaxLineBytes;

    bool Acquire() noexcept;
    void AppendToMemory(const char* line, int length) noexcept;
    void AppendToFile(const char* line, size_t length) noexcept;
    void WriteFileBuffer() noexcept;
    void OpenLogFile() noexcept;
    void CloseLogFile() noexcept;
    void RollOverIfDue(int64_t now) noexcept;
    void DeleteLogFileUnlocked() noexcept;

    platform::RecursiveMutex m_mutex;
    // The open log file, written only with write(2).
    platform::UniqueFd m_file;
    // Text waiting for the file, and the file's length including it.
    char m_fileBuffer[kFileBufferBytes];
    size_t m_fileWaiting = 0;
    uint64_t m_fileLength = 0;
    wchar_t m_path[kMaxPathChars + 1] = {};
    char m_pathUtf8[kMaxPathChars * 4 + 1] = {};
    bool m_logToFile = false;
    int m_bufSize = 0;
    char* m_currentBuf = nullptr;
    char* m_olderBuf = nullptr;
    int m_currentFill = 0;
    int m_olderFill = 0;
    int64_t m_nextRollover = 0;
    uint32_t m_maxFileSize = 0;
    std::atomic<bool> m_timedLocking{false};
};

// The program's logger; null means logging is off.
extern Logger* g_logger;

// Every call site logs through these: they test g_logger first.
#define MVLOG(level, ...)                                                                                    \
    do {                                                                                                     \
        if (g_logger)                                                                                        \
            g_logger->Log((level), __FILE__, __LINE__, __VA_ARGS__);                                         \
    } while (0)

#define MVLOGW(level, ...)                                                                                   \
    do {                                                                                                     \
        if (g_logger)                                                                                        \
            g_logger->LogW((level), __FILE__, __LINE__, __VA_ARGS__);                                        \
    } while (0)
