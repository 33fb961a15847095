// After a crash has been reported: the offer to start the program again.
#pragma once

#include "crashreport/HelperPresenter.h"
#include "platform/process/ProcessDescriptor.h"

#include <functional>
#include <string>

// Only for the main program (file name "Melvane") and only after a failure
// (a summary beginning "BadParam", "Crash" or "Assert"): waits until the
// crashed process has ended, asks, and on OK starts `programPath` through
// `startProgram`.
void OfferRestart(const std::string& summary, const platform::ProcessDescriptor& process,
                  const std::string& programPath, const std::wstring& supportEmail,
                  HelperPresenter& presenter, const std::function<void(const std::string&)>& startProgram);
