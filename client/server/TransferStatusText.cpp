#include "client/server/TransferStatusText.h"

#include "client/stream/FileTransfer.h"

namespace {

const char* const kTexts[] = {
    "success",    "bad file",    "timeout",        "got transfer info", "connect failed",
    "read error", "file exists", "port in use",    "aborted",           "killed by UI",
    "ebadf",      "digest miss", "read md failed", "open failed",       "hash diff",
};

} // namespace

const char* TransferStatusText(int code) {
    if (code >= 0 && code < static_cast<int>(sizeof kTexts / sizeof kTexts[0]))
        return kTexts[code];
    if (code == TS_MOVE_FAILED)
        return "move failed";
    if (code == TS_UITS_FAILED)
        return "uits failed";
    return "unknown";
}
