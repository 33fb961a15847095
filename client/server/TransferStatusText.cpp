#include "client/server/TransferStatusText.h"

namespace {

const char* const kTexts[] = {
    "success",    "bad file",    "timeout",        "got transfer info", "connect failed",
    "read error", "file exists", "port in use",    "aborted",           "killed by UI",
    "ebadf",      "digest miss", "read md failed", "open failed",       "hash diff",
};

constexpr int kMoveFailed = 16;
constexpr int kTagFailed = 17;

} // namespace

const char* TransferStatusText(int code) {
    if (code >= 0 && code < static_cast<int>(sizeof kTexts / sizeof kTexts[0]))
        return kTexts[code];
    if (code == kMoveFailed)
        return "move failed";
    if (code == kTagFailed)
        return "tag failed";
    return "unknown";
}
