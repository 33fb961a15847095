// The fatal assertion for programming errors. Input from the network, files,
// the database or the user is checked and logged instead, never asserted.
#pragma once

// Logs, sends a failure report and ends the process with code 1. Returns true
// at once when another failure is already being reported.
bool AssertFailed(const wchar_t* expression, const char* srcFile, int line);

#define MV_ASSERT(condition)                                                                                 \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            AssertFailed(L"" #condition, __FILE__, __LINE__);                                                \
    } while (0)
