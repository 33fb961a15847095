#include "ui/headless/HeadlessTray.h"

#include "include/text/Utf8.h"
#include "ui/headless/HeadlessOutput.h"

namespace {

std::wstring IconName(const IconImage* icon) {
    return icon ? Utf8ToWide(icon->name) : L"(none)";
}

} // namespace

HeadlessTray::~HeadlessTray() {
    CancelBalloonTimer();
}

bool HeadlessTray::AddIcon(const TrayIconData& data) {
    WriteHeadlessLine(L"Tray icon shown: " + IconName(data.icon) + L", \"" + data.tip + L"\"");
    return true;
}

bool HeadlessTray::ModifyIcon(const TrayIconData& data) {
    WriteHeadlessLine(L"Tray icon changed: " + IconName(data.icon) + L", \"" + data.tip + L"\"");
    return true;
}

bool HeadlessTray::ShowBalloon(const BalloonData& balloon) {
    WriteHeadlessLine(L"Notice \"" + balloon.title + L"\": " + balloon.text);
    CancelBalloonTimer();
    m_timerLoop = MessageLoop::Current();
    if (m_timerLoop) {
        MessageTarget owner = balloon.owner;
        const uint32_t callback = balloon.callbackMessage;
        const uint32_t id = balloon.id;
        m_balloonTimer = m_timerLoop->SetTimer(balloon.timeoutMs, [owner, callback, id] {
            owner.Post(callback, id, static_cast<intptr_t>(NIN_BALLOONTIMEOUT));
        });
    }
    return true;
}

bool HeadlessTray::DeleteIcon(WindowHandle /*owner*/, uint32_t /*id*/) {
    CancelBalloonTimer();
    return true;
}

void HeadlessTray::CancelBalloonTimer() {
    // Only while the loop that holds the timer is still the thread's loop.
    if (m_timerLoop && m_balloonTimer && MessageLoop::Current() == m_timerLoop)
        m_timerLoop->KillTimer(m_balloonTimer);
    m_timerLoop = nullptr;
    m_balloonTimer = 0;
}
