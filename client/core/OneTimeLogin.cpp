#include "client/core/OneTimeLogin.h"

#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/system/ExePath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr size_t kMaxLineChars = 8096;
constexpr wchar_t kTrimChars[] = L" \t\r\n";

// The file's first bytes: enough for two lines of the longest kind.
bool ReadHead(const std::wstring& path, std::string& text) {
    int fd = platform::OpenCloexec(WideToUtf8(path), O_RDONLY);
    if (fd < 0)
        return false;
    text.resize(2 * kMaxLineChars + 2);
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = read(fd, &text[got], text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(got);
    return true;
}

// The next line (at most kMaxLineChars bytes) from `pos`; `ended` tells
// whether a line end followed it.
std::string NextLine(const std::string& text, size_t& pos, bool& ended) {
    size_t end = text.find('\n', pos);
    ended = end != std::string::npos;
    std::string line = text.substr(pos, ended ? end - pos : std::string::npos);
    pos = ended ? end + 1 : text.size();
    if (line.size() > kMaxLineChars)
        line.resize(kMaxLineChars);
    return line;
}

} // namespace

std::wstring GetOneTimeFilePath() {
    std::wstring exe = Utf8ToWide(platform::ExecutablePath());
    std::wstring dir, name;
    if (!SplitPath(exe, dir, name))
        return std::wstring();
    return PathJoin(dir, kOneTimeFileName);
}

bool ReadOneTimeFile(const std::wstring& path, std::wstring& user, std::wstring& secret) {
    std::string text;
    if (path.empty() || !ReadHead(path, text))
        return false;
    size_t pos = 0;
    bool firstEnded = false, secondEnded = false;
    std::wstring first = Utf8ToWide(NextLine(text, pos, firstEnded));
    std::wstring second = Utf8ToWide(NextLine(text, pos, secondEnded));
    TrimString(first, kTrimChars);
    TrimString(second, kTrimChars);
    if (!firstEnded || first.empty() || second.empty()) {
        MVLOG(LOG_INFO, "Ignoring the one-time login file %ls: it needs a user name and a secret line",
              path.c_str());
        return false;
    }
    user = first;
    secret = second;
    return true;
}
