// The About box as a GTK dialog: the program icon, the centred text and OK.
// OK posts IDOK, Esc IDCANCEL and the close box WM_CLOSE to the dialog.
#pragma once

#include "ui/gtk/GtkHandles.h"
#include "ui/present/AboutView.h"

class GtkAboutView final : public AboutView {
  public:
    void Show(const AboutContent& content, const MessageTarget& dialog) override;
    void Raise() override;
    void Hide() override;

  private:
    WindowOwner m_window;
    MessageTarget m_dialog;
};
