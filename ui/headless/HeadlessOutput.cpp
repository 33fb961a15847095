#include "ui/headless/HeadlessOutput.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <cstdio>

namespace {

// The log is set up once it has been given its file path.
bool LogIsSetUp() {
    return g_logger && !g_logger->GetLogPath().empty();
}

} // namespace

void WriteHeadlessLine(const std::wstring& text) {
    const std::string line = WideToUtf8(text);
    MVLOG(LOG_INFO, "%s", line.c_str());
    if (!LogIsSetUp())
        std::fprintf(stderr, "Melvane: %s\n", line.c_str());
}
