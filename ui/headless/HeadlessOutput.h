#pragma once

#include <string>

// Writes one line of the headless user interface to the log, and also to
// standard error while the program's log is not yet set up (the first boxes
// of a start come before it).
void WriteHeadlessLine(const std::wstring& text);
