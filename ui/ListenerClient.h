// The other side of the listener: a request to the copy of the program that
// runs in this session.
#pragma once

#include <string>

// Sends `request` (one line) to the running copy's listener; false when no
// copy listens.
bool SendListenerRequest(const std::string& request);

// The "/showFolders" mode: 0 when the running copy was asked to open its
// shared-folders dialog, 1 (with a line on standard error) when none runs.
int ShowFoldersOfRunningCopy();
