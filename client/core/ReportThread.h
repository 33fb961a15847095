// Sends a report from a short thread of its own, so the caller does not wait
// for the uploader.
#pragma once

#include "include/crash/CrashReport.h"

#include <cstdint>
#include <string>

void SendReportInBackground(const std::wstring& text, ReportKind kind);
// Waits up to `timeoutMs` for the report threads still running; true when
// none is left. For an orderly end of whoever started them.
bool WaitForBackgroundReports(uint32_t timeoutMs);
