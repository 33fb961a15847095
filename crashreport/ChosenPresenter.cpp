#include "crashreport/ChosenPresenter.h"

#include "include/system/UiChoice.h"

void ChosenPresenter::ShowError(const std::wstring& caption, const std::wstring& text) {
    Chosen().ShowError(caption, text);
}

bool ChosenPresenter::AskOkCancel(const std::wstring& caption, const std::wstring& text) {
    return Chosen().AskOkCancel(caption, text);
}

HelperPresenter& ChosenPresenter::Chosen() {
    if (!m_chosen && DesktopAllowed())
        m_chosen = OpenDesktopPresenter();
    if (!m_chosen)
        m_chosen = std::make_unique<StderrPresenter>();
    return *m_chosen;
}
