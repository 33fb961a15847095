#include "include/log/Logger.h"

#include "include/fs/FileCmds.h"
#include "include/text/FixedText.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/thread/ThreadId.h"
#include "platform/time/Clock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>

Logger* g_logger = new (std::nothrow) Logger();

namespace {

// The program's logger is never destroyed: what still waits for its file is
// written out when the process exits.
void FlushProgramLoggerAtExit() {
    if (g_logger)
        g_logger->Flush();
}
[[maybe_unused]] const int g_flushAtExitRegistered = std::atexit(FlushProgramLoggerAtExit);

constexpr uint32_t kCrashLockTimeoutMs = 2000;
constexpr size_t kFlushPieceBytes = 4096;

const char* FileNameOf(const char* srcFile) {
    const char* name = srcFile ? srcFile : "";
    for (const char* p = name; *p; ++p) {
        if (*p == '/' || *p == '\\')
            name = p + 1;
    }
    return name;
}

} // namespace

const char* Logger::LevelName(int level) noexcept {
    switch (level) {
    case LOG_CRIT:
        return "CRIT";
    case LOG_ERR:
        return "ERR";
    case LOG_INFO:
        return "INFO";
    case LOG_VERB:
        return "VERB";
    default:
        return "UNK";
    }
}

Logger::~Logger() {
    CloseLogFile();
    std::free(m_currentBuf);
    std::free(m_olderBuf);
}

void Logger::Init(bool logToFile, int bufSize, const std::wstring& path, uint32_t maxFileSize) {
    m_mutex.Lock();
    m_logToFile = logToFile;
    std::free(m_currentBuf);
    std::free(m_olderBuf);
    m_bufSize = bufSize > 0 ? bufSize / 2 : 0;
    m_currentBuf =
        m_bufSize > 0 ? static_cast<char*>(std::calloc(1, static_cast<size_t>(m_bufSize))) : nullptr;
    m_olderBuf = m_bufSize > 0 ? static_cast<char*>(std::calloc(1, static_cast<size_t>(m_bufSize))) : nullptr;
    if (!m_currentBuf || !m_olderBuf) {
        std::free(m_currentBuf);
        std::free(m_olderBuf);
        m_currentBuf = m_olderBuf = nullptr;
        m_bufSize = 0;
    }
    m_currentFill = m_olderFill = 0;
    m_nextRollover = platform::NextLocalMidnight(platform::WallSeconds());
    m_maxFileSize = maxFileSize;

    size_t chars = path.size() < static_cast<size_t>(kMaxPathChars) ? path.size() : kMaxPathChars;
    wmemcpy(m_path, path.data(), chars);
    m_path[chars] = L'\0';
    size_t bytes = WideToUtf8Into(m_path, chars, m_pathUtf8, sizeof m_pathUtf8 - 1);
    m_pathUtf8[bytes] = '\0';

    CloseLogFile();
    DeleteLogFileUnlocked();
    if (m_logToFile)
        OpenLogFile();
    m_mutex.Unlock();
}

void Logger::Log(int level, const char* srcFile, int line, const char* format, ...) noexcept {
    char text[kMaxLineBytes];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0)
        text[0] = '\0';
    LogWrite(level, srcFile, line, text);
}

void Logger::LogW(int level, const char* srcFile, int line, const wchar_t* format, ...) noexcept {
    wchar_t wide[kMaxLineBytes];
    wide[0] = L'\0';
    va_list args;
    va_start(args, format);
    // On overflow glibc returns -1 but leaves the cut, terminated text.
    std::vswprintf(wide, kMaxLineBytes, format, args);
    va_end(args);
    wide[kMaxLineBytes - 1] = L'\0';

    char text[kMaxLineBytes];
    size_t length = wcsnlen(wide, kMaxLineBytes);
    size_t bytes = WideToUtf8Into(wide, length, text, sizeof text - 1);
    text[bytes] = '\0';
    LogWrite(level, srcFile, line, text);
}

bool Logger::Acquire() noexcept {
    if (m_timedLocking.load(std::memory_order_relaxed))
        return m_mutex.TryLockFor(kCrashLockTimeoutMs);
    m_mutex.Lock();
    return true;
}

void Logger::LogWrite(int level, const char* srcFile, int line, const char* text) noexcept {
    platform::Clock& clock = platform::GetClock();
    const int64_t wallMillis = clock.WallMillis();
    const int64_t now = wallMillis / 1000;
    const platform::TimeOfDay tod = platform::UtcTimeOfDayFromMillis(wallMillis);

    // "hh:mm:ss.mmm ttttt file:line (LEVEL): text\n", cut to fit the buffer.
    char buffer[kMaxLineBytes];
    FixedText out(buffer, sizeof buffer - 1);
    out.AppendDecimal(tod.hours, 2).AppendChar(':').AppendDecimal(tod.minutes, 2).AppendChar(':');
    out.AppendDecimal(tod.seconds, 2).AppendChar('.').AppendDecimal(tod.millis, 3).AppendChar(' ');
    out.AppendDecimal(platform::CurrentThreadId(), 5).AppendChar(' ');
    out.Append(FileNameOf(srcFile)).AppendChar(':').AppendDecimal(line);
    out.Append(" (").Append(LevelName(level)).Append("): ").Append(text);
    size_t length = out.Length();
    buffer[length++] = '\n';
    buffer[length] = '\0';

    if (!Acquire())
        return;
    AppendToMemory(buffer, static_cast<int>(length));
    if (m_file.IsValid() && !m_timedLocking.load(std::memory_order_relaxed))
        RollOverIfDue(now);
    if (m_file.IsValid()) {
        AppendToFile(buffer, length);
        if (level < LOG_INFO)
            WriteFileBuffer();
    }
    m_mutex.Unlock();
}

void Logger::AppendToMemory(const char* line, int length) noexcept {
    if (m_bufSize == 0)
        return;
    // A line longer than a buffer is stored cut rather than lost.
    if (length >= m_bufSize)
        length = m_bufSize - 1;
    if (m_currentFill + length > m_bufSize) {
        char* older = m_olderBuf;
        m_olderBuf = m_currentBuf;
        m_olderFill = m_currentFill;
        m_currentBuf = older;
        m_currentFill = 0;
    }
    std::memcpy(m_currentBuf + m_currentFill, line, static_cast<size_t>(length));
    m_currentFill += length;
}

void Logger::AppendToFile(const char* line, size_t length) noexcept {
    if (m_fileWaiting + length > kFileBufferBytes)
        WriteFileBuffer();
    std::memcpy(m_fileBuffer + m_fileWaiting, line, length);
    m_fileWaiting += length;
    m_fileLength += length;
}

void Logger::WriteFileBuffer() noexcept {
    // Text that cannot be written is dropped rather than kept growing.
    if (m_file.IsValid() && m_fileWaiting > 0)
        (void)platform::WriteAll(m_file.Get(), m_fileBuffer, m_fileWaiting);
    m_fileWaiting = 0;
}

void Logger::RollOverIfDue(int64_t now) noexcept {
    bool pastMidnight = now > m_nextRollover;
    bool tooLarge = m_fileLength > m_maxFileSize;
    if (!pastMidnight && !tooLarge)
        return;
    // The old file is deleted, so what still waits for it goes too.
    m_fileWaiting = 0;
    CloseLogFile();
    DeleteLogFileUnlocked();
    m_nextRollover = platform::NextLocalMidnight(now);
    OpenLogFile();
}

void Logger::OpenLogFile() noexcept {
    DeleteOldLog();
    if (m_pathUtf8[0] == '\0')
        return;
    int fd = openFileWrite(m_path, 0);
    if (fd < 0)
        return;
    m_file.Reset(fd);
    m_fileWaiting = 0;
    m_fileLength = 0;
}

void Logger::CloseLogFile() noexcept {
    WriteFileBuffer();
    m_file.Reset();
}

void Logger::DeleteLogFileUnlocked() noexcept {
    if (m_pathUtf8[0] != '\0')
        unlink(m_pathUtf8);
}

void Logger::DeleteOldLog() noexcept {
    if (!Acquire())
        return;
    if (!m_file.IsValid())
        DeleteLogFileUnlocked();
    m_mutex.Unlock();
}

void Logger::FlushToFile() noexcept {
    if (!Acquire())
        return;
    // Written with plain system calls: this runs on the crash path.
    if (m_file.IsValid()) {
        WriteFileBuffer();
    } else if (m_pathUtf8[0] != '\0') {
        DeleteLogFileUnlocked();
        int fd = platform::OpenCloexec(m_pathUtf8, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            const char* parts[] = {m_olderBuf, m_currentBuf};
            const int fills[] = {m_olderFill, m_currentFill};
            for (int i = 0; i < 2; ++i) {
                for (int done = 0; parts[i] && done < fills[i];) {
                    size_t piece = static_cast<size_t>(fills[i] - done);
                    if (piece > kFlushPieceBytes)
                        piece = kFlushPieceBytes;
                    if (!platform::WriteAll(fd, parts[i] + done, piece))
                        break;
                    done += static_cast<int>(piece);
                }
            }
            close(fd);
        }
    }
    m_mutex.Unlock();
}

void Logger::Flush() noexcept {
    if (!Acquire())
        return;
    WriteFileBuffer();
    m_mutex.Unlock();
}

std::wstring Logger::GetLogPath() {
    m_mutex.Lock();
    std::wstring path(m_path);
    m_mutex.Unlock();
    return path;
}

std::string Logger::GetMemoryText() {
    m_mutex.Lock();
    std::string text;
    if (m_olderBuf)
        text.append(m_olderBuf, static_cast<size_t>(m_olderFill));
    if (m_currentBuf)
        text.append(m_currentBuf, static_cast<size_t>(m_currentFill));
    m_mutex.Unlock();
    return text;
}
