// The bytes of the report's two file parts, read once before the first try so
// that every try carries the same payload whatever happens to the files.
#pragma once

#include "crashreport/ReportFolder.h"

#include <cstdint>
#include <string>

// The whole file at `path`, or kNoFileText when there is none or it cannot
// be read.
std::string FilePartContent(const std::string& path);

// The log gzipped in `folder`; when that fails, the last `rawByteLimit` bytes
// of the log itself (all of it when the limit is negative or larger).
std::string LogPartContent(const ReportFolder& folder, const std::string& logPath, int64_t rawByteLimit);
