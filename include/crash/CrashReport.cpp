#include "include/crash/CrashReport.h"

#include "include/crash/Assert.h"
#include "include/crash/CrashRecord.h"
#include "include/log/Logger.h"
#include "include/process/RunProcess.h"
#include "include/text/FixedText.h"
#include "include/text/Utf8.h"
#include "platform/process/ReadyPipe.h"
#include "platform/process/Spawn.h"
#include "platform/system/CrashSignals.h"
#include "platform/system/Debugger.h"
#include "platform/system/ExePath.h"
#include "platform/thread/ThreadId.h"
#include "platform/time/Clock.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr size_t kPathBytes = 4096;
constexpr size_t kIdBytes = 1024;
constexpr size_t kSummaryBytes = 2048;
constexpr size_t kNumberBytes = 24;
constexpr size_t kCrashSummaryChars = 127;
constexpr uint32_t kReportLockWaitMs = 30000;
// Uploaders that may still be sending (each retries for minutes while its
// endpoint cannot be reached) before a further informational report is left
// out: reports a peer or the server can cause must not pile up processes.
constexpr int kMaxUploadsAtWork = 4;
// Ends a crash report that hangs (say, a crash inside the allocator that
// left a lock held): the helper wait plus the lock waits, with room to spare.
constexpr unsigned kCrashBackstopSeconds = 60;

// Everything a report needs, prepared ahead so that the crash path only
// fills fixed buffers.
struct PreparedReport {
    char helperPath[kPathBytes];
    char programPath[kPathBytes];
    char reportId[kIdBytes];
    char summary[kSummaryBytes];
    char processId[kNumberBytes];
    char threadId[kNumberBytes];
    char recordAddress[kNumberBytes];
    char commandLine[Logger::kMaxLineBytes];
    char logText[Logger::kMaxLineBytes];
    bool programIsHelper;
    // The uploader says through it when it has its copies of the log and
    // the dump; the report waits no longer than that.
    platform::ReadyPipe* ready;
    platform::SpawnContext* spawn;
};

PreparedReport g_report;
CrashRecord g_crashRecord;
std::once_flag g_prepareOnce;
std::atomic<bool> g_prepared{false};
std::atomic<bool> g_reportsEnabled{true};
std::atomic<bool> g_failureInProgress{false};
// Uploaders that outlived their wait and have not been reaped yet.
std::atomic<int> g_uploadsAtWork{0};
// Thread id of the thread writing a report, 0 when none: reports run one at
// a time, so one report's log deletion never removes another's log.
std::atomic<int> g_reportOwner{0};

void CopyInto(char* target, size_t capacity, const std::string& text) {
    FixedText(target, capacity).Append(text.c_str());
}

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

void Prepare() {
    std::call_once(g_prepareOnce, [] {
        std::string program = platform::ExecutablePath();
        CopyInto(g_report.programPath, kPathBytes, program);
        if (g_report.helperPath[0] == '\0') {
            std::string folder = program.substr(0, program.rfind('/') + 1);
            CopyInto(g_report.helperPath, kPathBytes, folder + kHelperProgramName);
        }
        // The uploader never starts another uploader.
        g_report.programIsHelper = std::strcmp(BaseName(g_report.programPath), kHelperProgramName) == 0;
        if (g_report.reportId[0] == '\0')
            CopyInto(g_report.reportId, kIdBytes, "(unknown)");
        g_report.ready = new platform::ReadyPipe();
        g_report.spawn = new platform::SpawnContext(-1, -1, g_report.ready->SpawnFd());
        g_prepared.store(true);
    });
}

bool AcquireReportLock() {
    const int self = platform::CurrentThreadId();
    if (g_reportOwner.load() == self)
        return false; // a failure inside this thread's own report
    for (uint32_t waited = 0; waited <= kReportLockWaitMs; waited += 10) {
        int expected = 0;
        if (g_reportOwner.compare_exchange_strong(expected, self))
            return true;
        platform::SleepMs(10);
    }
    return false;
}

void ReleaseReportLock() {
    g_reportOwner.store(0);
}

void LogPrepared(int level, const char* text) {
    if (g_logger)
        g_logger->LogWrite(level, __FILE__, __LINE__, text);
}

// Runs the uploader for the summary in g_report.summary. The caller holds the
// report lock. Allocates nothing when `inSignalHandler`.
void RunPreparedReport(uintptr_t record, ReportKind kind, bool inSignalHandler) {
    if (!g_logger || g_report.programIsHelper)
        return;
    const bool passProcess = kind == REPORT_FAILURE || kind == REPORT_UPGRADE;
    FixedText(g_report.processId, kNumberBytes).AppendDecimal(passProcess ? platform::CurrentProcessId() : 0);
    FixedText(g_report.threadId, kNumberBytes).AppendDecimal(platform::CurrentThreadId());
    FixedText(g_report.recordAddress, kNumberBytes).AppendUnsigned(record);
    char rawLogBytes[kNumberBytes];
    FixedText(rawLogBytes, kNumberBytes).AppendDecimal(kHelperRawLogBytes);
    const char* logPath = g_logger->GetLogPathUtf8();

    char* const argv[] = {g_report.helperPath,  g_report.processId,
                          g_report.threadId,    g_report.recordAddress,
                          g_report.programPath, const_cast<char*>(logPath),
                          rawLogBytes,          g_report.reportId,
                          g_report.summary,     nullptr};

    // The uploader's command line as it has always been logged; the report id
    // and summary are not escaped.
    FixedText line(g_report.commandLine, sizeof g_report.commandLine);
    line.AppendChar('"').Append(g_report.helperPath).Append("\" ").Append(g_report.processId).Append("  ");
    line.Append(g_report.threadId).Append("  ").Append(g_report.recordAddress).Append("  \"");
    line.Append(g_report.programPath).Append("\" \"").Append(logPath).Append("\" ").Append(rawLogBytes);
    line.Append(" \"").Append(g_report.reportId).Append("\" \"").Append(g_report.summary).AppendChar('"');
    // Logged with a newline of its own; the "ran" line quotes it without one.
    FixedText logged(g_report.logText, sizeof g_report.logText);
    logged.Append(line.c_str()).AppendChar('\n');
    LogPrepared(LOG_ERR, logged.c_str());

    g_logger->FlushToFile();

    const uint64_t started = platform::SystemMonotonicMs();
    int spawnError = 0;
    (void)g_report.ready->Open();
    pid_t child = g_report.spawn->Spawn(g_report.helperPath, argv, &spawnError);
    g_report.ready->CloseWriteEnd();
    bool launchFailed = child < 0;
    bool exited = false;
    int exitCode = 0;
    if (!launchFailed) {
        // Lets the uploader read this process, which it dumps.
        if (passProcess)
            prctl(PR_SET_PTRACER, static_cast<unsigned long>(child), 0, 0, 0);
        // The uploader goes on sending by itself once it has its copies; a
        // failure's process stays until it has dumped it.
        exited = g_report.ready->WaitForChild(child, kHelperWaitSeconds * 1000, &exitCode) ==
                 platform::WAIT_EXITED;
        if (!exited) {
            exitCode = 0;
            if (!inSignalHandler) {
                g_uploadsAtWork.fetch_add(1);
                platform::ReapInBackground(child, [] { g_uploadsAtWork.fetch_sub(1); });
            }
        }
    }
    const uint64_t spent = platform::SystemMonotonicMs() - started;

    FixedText ran(g_report.logText, sizeof g_report.logText);
    FormatRanLine(ran, g_report.commandLine, !launchFailed, spawnError, launchFailed, exited,
                  static_cast<uint32_t>(exitCode));
    LogPrepared(LOG_INFO, ran.c_str());

    g_logger->DeleteOldLog();

    FixedText spentLine(g_report.logText, sizeof g_report.logText);
    spentLine.Append("Spent ").AppendUnsigned(spent).Append(" ms sending report to cloud, launchFailed: ");
    spentLine.AppendDecimal(launchFailed ? 1 : 0).Append(", exited: ").AppendDecimal(exited ? 1 : 0);
    spentLine.Append(", exitCode: ").AppendDecimal(exitCode).AppendChar('\n');
    LogPrepared(LOG_INFO, spentLine.c_str());
}

void CrashFilter(int signo, siginfo_t* info, void* context) {
    alarm(kCrashBackstopSeconds);
    if (g_failureInProgress.exchange(true)) {
        platform::DieBySignal(signo);
        return;
    }
    void* address = info ? info->si_addr : nullptr;
    if (g_logger) {
        g_logger->UseTimedLocking();
        char text[256];
        FixedText line(text, sizeof text);
        line.Append("Handling exception at addr ").AppendPointer(address).Append(" with code ");
        line.AppendHex(static_cast<unsigned>(signo)).AppendChar('\n');
        LogPrepared(LOG_CRIT, line.c_str());
    }
    if (info)
        std::memcpy(&g_crashRecord.info, info, sizeof g_crashRecord.info);
    if (context)
        std::memcpy(&g_crashRecord.context, context, sizeof g_crashRecord.context);

    if (g_reportsEnabled.load() && g_prepared.load() && AcquireReportLock()) {
        FixedText summary(g_report.summary, kCrashSummaryChars + 1);
        summary.Append("Crash: ")
            .AppendHex(static_cast<unsigned>(signo))
            .Append(" at ")
            .AppendPointer(address);
        RunPreparedReport(reinterpret_cast<uintptr_t>(&g_crashRecord), REPORT_FAILURE, true);
        ReleaseReportLock();
    }
    platform::DieBySignal(signo);
}

std::wstring LineText(int line) {
    return std::to_wstring(static_cast<unsigned>(line));
}

} // namespace

void InstallCrashHandlers() {
    Prepare();
    platform::InstallCrashSignalHandler(CrashFilter);
}

void EnableCrashReports(bool enable) {
    g_reportsEnabled.store(enable);
}

void SetReportId(const std::wstring& id) {
    Prepare();
    if (!AcquireReportLock())
        return;
    CopyInto(g_report.reportId, kIdBytes, WideToUtf8(id));
    ReleaseReportLock();
}

void SetHelperPath(const std::wstring& path) {
    Prepare();
    if (!AcquireReportLock())
        return;
    CopyInto(g_report.helperPath, kPathBytes, WideToUtf8(path));
    ReleaseReportLock();
}

void WriteCrashReport(const std::wstring& summary, uintptr_t exceptionRecord, ReportKind kind) {
    if (!g_reportsEnabled.load() || !g_logger)
        return;
    if (kind == REPORT_INFO && g_uploadsAtWork.load() >= kMaxUploadsAtWork) {
        MVLOG(LOG_ERR, "Not sending report '%ls': %i earlier reports are still being sent", summary.c_str(),
              g_uploadsAtWork.load());
        return;
    }
    Prepare();
    if (!AcquireReportLock())
        return;
    CopyInto(g_report.summary, kSummaryBytes, WideToUtf8(summary));
    RunPreparedReport(exceptionRecord, kind, false);
    ReleaseReportLock();
}

void SendReport(const std::wstring& text, ReportKind kind) {
    WriteCrashReport(L"Report: " + text, 0, kind);
}

bool AssertFailed(const wchar_t* expression, const char* srcFile, int line) {
    if (g_failureInProgress.exchange(true))
        return true;
    MVLOG(LOG_CRIT, "Assertion: %ls at %s:%i", expression, srcFile, line);
    std::wstring file = Utf8ToWide(BaseName(srcFile));
    WriteCrashReport(L"Assert: " + std::wstring(expression) + L" at " + file + L":" + LineText(line), 0,
                     REPORT_FAILURE);
    if (platform::IsDebuggerAttached())
        raise(SIGTRAP);
    if (g_logger)
        g_logger->Flush();
    _exit(1);
}
