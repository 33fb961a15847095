// Points g_logger at a fresh memory-only logger for one scope, so a test can
// read what the code under test logged. The previous logger comes back
// afterwards. Header-only: only programs that link the foundation use it.
#pragma once

#include "include/log/Logger.h"

#include <string>

namespace testsupport {

// How many times `piece` occurs in `text`, overlaps counted.
inline size_t CountOccurrences(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

class CapturedLog {
  public:
    // `logPath` is where FlushToFile writes the memory text ("" for none).
    explicit CapturedLog(const std::wstring& logPath = std::wstring(), int bufSize = 1 << 20) {
        m_logger.Init(false, bufSize, logPath, 0);
        m_saved = g_logger;
        g_logger = &m_logger;
    }
    ~CapturedLog() { g_logger = m_saved; }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::string Text() { return m_logger.GetMemoryText(); }
    bool Contains(const std::string& piece) { return Text().find(piece) != std::string::npos; }
    // How often `piece` was logged.
    int Count(const std::string& piece) { return static_cast<int>(CountOccurrences(Text(), piece)); }
    Logger& GetLogger() { return m_logger; }

  private:
    Logger m_logger;
    Logger* m_saved = nullptr;
};

} // namespace testsupport
