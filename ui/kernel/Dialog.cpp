#include "ui/kernel/Dialog.h"

#include "ui/kernel/MessageLoop.h"

bool Dialog::CreateModeless(MessageLoop& loop) {
    if (!Attach(loop))
        return false;
    if (!loop.Send(Handle(), WM_INITDIALOG)) {
        DestroyWindow();
        return false;
    }
    return true;
}

int Dialog::DoModal(MessageLoop& loop) {
    m_ended = false;
    m_result = IDCANCEL;
    if (!CreateModeless(loop))
        return IDCANCEL;
    loop.RunModal([this] { return m_ended; });
    DestroyWindow();
    return m_ended ? m_result : IDCANCEL;
}

void Dialog::EndDialog(int code) {
    m_result = code;
    m_ended = true;
}

void Dialog::OnClose() {
    if (Loop())
        Loop()->Send(Handle(), WM_COMMAND, IDCANCEL);
}

intptr_t Dialog::WindowProc(Message& message) {
    switch (message.id) {
    case WM_INITDIALOG:
        return OnInitDialog() ? 1 : 0;
    case WM_COMMAND:
        OnCommand(LowWord(message.wParam));
        return 1;
    case WM_CLOSE:
        OnClose();
        return 1;
    case WM_DESTROY:
        OnDestroy();
        return 1;
    default:
        return OnMessage(message) ? 1 : 0;
    }
}
