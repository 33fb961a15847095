// The uploader's presenter: the desktop's boxes unless MELVANE_UI is
// "headless" or no display opens, else standard error. Chosen at the first
// box, so a report that needs none never opens a display.
#pragma once

#include "crashreport/HelperPresenter.h"

class ChosenPresenter final : public HelperPresenter {
  public:
    void ShowError(const std::wstring& caption, const std::wstring& text) override;
    bool AskOkCancel(const std::wstring& caption, const std::wstring& text) override;

  private:
    HelperPresenter& Chosen();

    std::unique_ptr<HelperPresenter> m_chosen;
};
