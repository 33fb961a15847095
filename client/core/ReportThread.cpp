#include "client/core/ReportThread.h"

#include "include/log/Logger.h"
#include "platform/thread/Thread.h"

void SendReportInBackground(const std::wstring& text, ReportKind kind) {
    // The handle is let go at once: the thread ends by itself.
    if (!platform::Thread::Start([text, kind] { SendReport(text, kind); }))
        MVLOG(LOG_ERR, "Could not start a thread for the report '%ls'", text.c_str());
}
