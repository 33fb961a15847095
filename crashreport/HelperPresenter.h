// How the uploader talks to the user: two kinds of message box, shown on the
// desktop when there is one, else written to standard error.
#pragma once

#include <memory>
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

// The desktop's boxes, or null when the uploader was built without them or
// no display opens.
std::unique_ptr<HelperPresenter> OpenDesktopPresenter();
