// The body of a crash report: multipart/form-data, built byte for byte.
#pragma once

#include "include/digest/Md5.h"

#include <string>

struct CrashReportFields {
    std::string summary; // UTF-8
    std::string version;
    std::string id; // UTF-8
    std::string hash;
    std::string osVersion;
    std::string log;  // the log part's bytes: gzip, or the log's raw tail
    std::string dump; // the dump part's bytes: gzip, or kNoFileText
};

// What a part carries in place of a file that could not be had.
constexpr char kNoFileText[] = "Could not open file";

// Fills `digits` with random hex digits; false when none could be had.
using RandomHexSource = bool (*)(std::string& digits);

// The endpoint's known boundary, or, when some part's content holds it, one
// that no part holds: random digits (when `randomHex` gives them) and a
// counter.
std::string ChooseBoundary(const CrashReportFields& fields, RandomHexSource randomHex = MakeRandomHexId);

// The whole body, in one buffer of exactly its length.
std::string BuildCrashBody(const CrashReportFields& fields, const std::string& boundary);

// The Content-Type header's value for `boundary`.
std::string CrashBodyContentType(const std::string& boundary);
