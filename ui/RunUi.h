// The normal mode of the program: the instance locks, the windows, the core,
// the message loop and the bounded shutdown.
#pragma once

#include "include/thread/Threads.h"
#include "ui/CoreControl.h"
#include "ui/present/Presenters.h"

#include <cstdint>
#include <string>

struct ShutdownWaits {
    uint32_t firstMs = 15000;
    uint32_t secondMs = 60000;
};

struct RunUiResult {
    // The loop's exit code, or 1 / 0 for the early ends.
    int exitCode = 0;
    // False when the core thread still ran after both waits.
    bool coreThreadEnded = true;
    // The thread sending the install report, when one was started.
    ThreadHandle reportThread;
};

RunUiResult RunUi(const std::wstring& commandLine, CoreControl& core, const Presenters& presenters,
                  const ShutdownWaits& waits = ShutdownWaits());

// Sends the report of a first start after an installation.
void ReportThreadProc(void* ignored);
