// The modal About box: the program's name, version and notices, with OK.
#pragma once

#include "ui/kernel/Dialog.h"
#include "ui/present/AboutView.h"

class CAboutDlg final : public Dialog {
  public:
    explicit CAboutDlg(AboutView& view) : m_view(view) {}
    ~CAboutDlg() override;

    // The text the box shows.
    static std::wstring AboutText();
    // Brings the open box to the front.
    void BringToFront() { m_view.Raise(); }

  protected:
    bool OnInitDialog() override;
    void OnCommand(uint16_t id) override;
    void OnDestroy() override;

  private:
    AboutView& m_view;
    bool m_shown = false;
};
