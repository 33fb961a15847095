// Sends a report from a short thread of its own, so the caller does not wait
// for the uploader.
#pragma once

#include "include/crash/CrashReport.h"

#include <string>

void SendReportInBackground(const std::wstring& text, ReportKind kind);
