// The presenters without a desktop: log lines and default answers.
#pragma once

#include "ui/FrontEnd.h"
#include "ui/dirs/SharedFoldersDialog.h"
#include "ui/headless/HeadlessAbout.h"
#include "ui/headless/HeadlessFoldersView.h"
#include "ui/headless/HeadlessMenu.h"
#include "ui/headless/HeadlessMessageBox.h"
#include "ui/headless/HeadlessTray.h"
#include "ui/shell/XdgShellOpener.h"

class HeadlessFrontEnd final : public FrontEnd {
  public:
    Presenters Get() override {
        return Presenters{m_tray, m_menu, m_messageBox, m_about, m_shell, m_folders};
    }

  private:
    HeadlessTray m_tray;
    HeadlessMenu m_menu;
    HeadlessMessageBox m_messageBox;
    HeadlessAbout m_about;
    XdgShellOpener m_shell;
    HeadlessFoldersView m_foldersView;
    SharedFoldersDialog m_folders{m_foldersView, m_messageBox};
};
