#include "ui/headless/HeadlessTray.h"

#include "include/text/Utf8.h"
#include "ui/headless/HeadlessOutput.h"

namespace {

std::wstring IconName(const IconImage* icon) {
    return icon ? Utf8ToWide(icon->name) : L"(none)";
}

} // namespace

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
    MessageTarget owner = balloon.owner;
    const uint32_t callback = balloon.callbackMessage;
    const uint32_t id = balloon.id;
    m_balloonTimer.Start(balloon.timeoutMs, [owner, callback, id] {
        PostBalloonNotice(owner, callback, id, NIN_BALLOONTIMEOUT);
    });
    return true;
}

bool HeadlessTray::DeleteIcon(WindowHandle /*owner*/, uint32_t /*id*/) {
    m_balloonTimer.Cancel();
    return true;
}
