// The crash-report uploader: dumps the crashed process, compresses the dump
// and the log, posts the report (three tries a minute apart), tells the user
// when it could not, and offers to start the program again after a failure.
#pragma once

#include "crashreport/DumpTruck.h"
#include "crashreport/HelperPresenter.h"

#include <cstdint>
#include <functional>
#include <string>

// What the uploader works with, injectable for tests.
struct HelperEnv {
    HelperPresenter* presenter = nullptr;
    std::function<void(uint32_t ms)> sleepMs;
    std::function<void(const std::string& program)> startProgram;
    UploadTarget target;
    std::string supportEmail;
    // Where the report's private folder is made.
    std::string folderParent;
    // Called once the log and the dump are compressed in that folder: the
    // program need not wait for the upload (nor live on for it).
    std::function<void()> copiesTaken;
};

// The command line as the program's report path writes it.
struct HelperArgs {
    int processId = 0; // 0: a plain report, no dump
    int threadId = 0;
    uint64_t recordAddress = 0;
    std::string programPath;
    std::string logPath;
    int64_t logByteLimit = 0;
    std::string reportId;
    std::string summary;
};

constexpr int kHelperArgCount = 9; // the program's name and eight arguments
constexpr int kUploadTries = 3;
constexpr uint32_t kUploadRetryPauseMs = 60000;

// Reads the eight arguments after the program's name; numbers are decimal,
// and what is not a number reads as 0.
HelperArgs ParseHelperArgs(const char* const argv[]);

// 1 when argc is not kHelperArgCount (nothing is done), else 0.
int HelperMain(int argc, const char* const argv[], const HelperEnv& env);
