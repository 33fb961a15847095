// A dialog window: modeless (created and left to the loop) or modal (a nested
// run that keeps dispatching every posted message until EndDialog).
#pragma once

#include "ui/kernel/Window.h"

class Dialog : public Window {
  public:
    // Attaches to `loop` and sends WM_INITDIALOG. False when the dialog
    // refused to start (it is then destroyed again).
    [[nodiscard]] bool CreateModeless(MessageLoop& loop);
    // Runs the dialog to its end; its code, or IDCANCEL when the program is
    // quitting or the dialog could not start.
    int DoModal(MessageLoop& loop);
    void EndDialog(int code);

    intptr_t WindowProc(Message& message) override;

  protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnCommand(uint16_t /*id*/) {}
    // The close box: by default the same as Esc (IDCANCEL).
    virtual void OnClose();
    virtual void OnDestroy() {}
    // Any other message; true when handled.
    virtual bool OnMessage(Message& /*message*/) { return false; }

  private:
    bool m_ended = false;
    int m_result = IDCANCEL;
};
