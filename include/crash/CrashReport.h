// One path for failed assertions, crashes and free-text reports: the memory
// log is written to the log file and the crash-report uploader is started
// with the report's details, and waited for until it says it has its copies
// of the log and the dump (or ends), at most 20 seconds.
#pragma once

#include <cstdint>
#include <string>

enum ReportKind {
    REPORT_FAILURE = 1, // this process's id is passed: the uploader dumps it
    REPORT_INFO = 2,    // text and log only
    REPORT_UPGRADE = 4, // as a failure
};

// The uploader's program name, looked for beside this executable.
constexpr char kHelperProgramName[] = "Melvane-Helper";
// Log bytes the uploader sends raw when it cannot compress the log.
constexpr int kHelperRawLogBytes = 32768;
constexpr uint32_t kHelperWaitSeconds = 20;

// Installs the fatal-signal handler and prepares everything the crash path
// needs, so that it allocates nothing. Called once from each program's main.
void InstallCrashHandlers();

void SendReport(const std::wstring& text, ReportKind kind);
// exceptionRecord: address of this process's record of the crash, or 0.
void WriteCrashReport(const std::wstring& summary, uintptr_t exceptionRecord, ReportKind kind);

void EnableCrashReports(bool enable);
void SetReportId(const std::wstring& id);
// Replaces the uploader's path (tests use a fake uploader).
void SetHelperPath(const std::wstring& path);
