#include "client/media/print/FingerprintChild.h"

#include "client/media/FFmpegInit.h"
#include "client/media/FileMetaData.h"
#include "client/media/print/PrintRunner.h"
#include "include/crash/CrashReport.h"
#include "include/fs/PathUtil.h"
#include "include/io/Buf.h"
#include "include/io/BufStrings.h"
#include "include/log/Logger.h"
#include "include/thread/Threads.h"
#include "platform/process/ChildPipe.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// The child's log, set up only when the watchdog fires.
constexpr int kChildLogBufferBytes = 1024;
constexpr uint32_t kChildLogFileLimit = 5242880;

void PrintTimeoutWatchdog(void*) {
    SleepSecs(kPrintTimeoutSecs);
    if (g_logger)
        g_logger->Init(true, kChildLogBufferBytes, GetAppDataLogPath(), kChildLogFileLimit);
    EnableCrashReports(true);
    SendReport(L"Print Timeout", REPORT_FAILURE);
    _exit(1);
}

void ReadRequest(Buf& request) {
    while (request.HasSpace()) {
        if (request.ReadFromFile(STDIN_FILENO, request.GetNumFreeBytes(), nullptr) <= 0)
            return;
    }
}

void WriteReply(Buf& reply) {
    while (reply.HasData()) {
        const int written = reply.WriteToFile(STDOUT_FILENO, reply.GetNumUsedBytes(), nullptr);
        std::fflush(nullptr);
        if (written <= 0)
            return;
    }
}

// The parent's process id as the runner passed it, 0 when unknown.
pid_t ParentFromEnvironment() {
    const char* text = std::getenv(kPrintParentEnv);
    return text ? static_cast<pid_t>(std::strtol(text, nullptr, 10)) : 0;
}

} // namespace

void FingerprintChildMain() {
    // The child ends with the thread that asked for it, so a parent that dies
    // leaves no decoder running; one that died before the request was made
    // sends no signal, so the child goes at once.
    if (platform::KillWhenParentDies(ParentFromEnvironment()) != 0 && errno == ESRCH)
        _exit(1);
    if (kPrintChildLimitsAddressSpace && platform::LimitAddressSpace(kPrintChildAddressSpaceBytes) != 0)
        MVLOG(LOG_ERR, "Could not limit the print's memory, errno %i", errno);
    ThreadHandle watchdog;
    if (!StartThread(PrintTimeoutWatchdog, nullptr, &watchdog))
        MVLOG(LOG_ERR, "Could not start the print watchdog");
    EnableCrashReports(false);
    InitFFmpeg();

    Buf request(kPrintChildRequestBytes);
    ReadRequest(request);
    Buf reply(kPrintChildReplyBytes);
    if (!HandleFingerprintRequest(request, reply))
        _exit(1);
    WriteReply(reply);
}

bool HandleFingerprintRequest(Buf& request, Buf& reply) {
    const std::wstring path = TryReadWString(request);
    if (path.empty())
        return false;
    FileMetaData record;
    record.SetPath(path);
    try {
        (void)record.ComputeMetadataAndPrint(true, true);
    } catch (const std::bad_alloc&) {
        // Past the child's memory bound: no print, as when the decode fails.
        MVLOG(LOG_ERR, "DecodeFile failed");
    }
    reply.WriteUInt32(record.GetPrintSecs());
    reply.WriteString(record.GetPrint());
    return true;
}
