#include "crashreport/OfferRestart.h"

#include "crashreport/HelperTexts.h"

namespace {

constexpr char kMainProgramName[] = "Melvane";

bool IsFailureSummary(const std::string& summary) {
    for (const char* lead : {"BadParam", "Crash", "Assert"}) {
        if (summary.rfind(lead, 0) == 0)
            return true;
    }
    return false;
}

} // namespace

void OfferRestart(const std::string& summary, const platform::ProcessDescriptor& process,
                  const std::string& programPath, const std::wstring& supportEmail,
                  HelperPresenter& presenter, const std::function<void(const std::string&)>& startProgram) {
    const std::string name = programPath.substr(programPath.rfind('/') + 1);
    if (name != kMainProgramName || !IsFailureSummary(summary))
        return;
    process.WaitEnded();
    if (presenter.AskOkCancel(kRestartCaption, RestartText(supportEmail)))
        startProgram(programPath);
}
