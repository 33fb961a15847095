// How the uploader talks to the user: two kinds of message box. A desktop
// implementation fits behind this; the headless one writes to standard error.
#pragma once

#include <string>

class HelperPresenter {
  public:
    virtual ~HelperPresenter() = default;
    // An error box with an OK button.
    virtual void ShowError(const std::wstring& caption, const std::wstring& text) = 0;
    // A topmost error box with OK and Cancel; true for OK.
    virtual bool AskOkCancel(const std::wstring& caption, const std::wstring& text) = 0;
};

// Without a desktop: each box is a line on standard error, and a question is
// answered Cancel (nobody is there to answer it).
class StderrPresenter final : public HelperPresenter {
  public:
    void ShowError(const std::wstring& caption, const std::wstring& text) override;
    bool AskOkCancel(const std::wstring& caption, const std::wstring& text) override;
};
