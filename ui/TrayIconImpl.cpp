#include "ui/TrayIconImpl.h"

#include "ui/Resources.h"
#include "ui/kernel/RegisteredMessages.h"

namespace {

std::wstring Cut(const std::wstring& text, size_t capacity) {
    return text.substr(0, capacity - 1);
}

} // namespace

CTrayIconImpl::CTrayIconImpl(TrayView& view, MenuView& menu) : m_view(view), m_menu(menu) {
    m_data.callbackMessage = TrayCallbackMessage();
}

CTrayIconImpl::~CTrayIconImpl() {
    if (m_installed)
        m_view.DeleteIcon(m_data.owner.Window(), m_data.id);
}

uint32_t CTrayIconImpl::TrayCallbackMessage() {
    return RegisterWindowMessage("WM_TRAYICON");
}

void CTrayIconImpl::InitTray(const MessageTarget& owner, int menuId) {
    m_data.owner = owner;
    m_data.id = static_cast<uint32_t>(menuId);
    m_menuId = menuId;
}

bool CTrayIconImpl::SetTrayIconAndTip(const IconImage* icon, const std::wstring& tip) {
    m_data.icon = icon;
    m_data.tip = Cut(tip, kTipChars);
    if (m_installed)
        return m_view.ModifyIcon(m_data);
    m_installed = m_view.AddIcon(m_data);
    if (m_installed)
        UpdateMenu();
    return m_installed;
}

bool CTrayIconImpl::ReAddIcon(const IconImage* icon, const std::wstring& tip) {
    m_data.icon = icon;
    m_data.tip = Cut(tip, kTipChars);
    m_installed = m_view.AddIcon(m_data);
    if (m_installed)
        UpdateMenu();
    return m_installed;
}

bool CTrayIconImpl::ShowTrayBalloon(const std::wstring& title, const std::wstring& text, uint32_t timeoutMs) {
    BalloonData balloon;
    balloon.owner = m_data.owner;
    balloon.id = m_data.id;
    balloon.callbackMessage = m_data.callbackMessage;
    balloon.title = Cut(title, kBalloonTitleChars);
    balloon.text = Cut(text, kBalloonTextChars);
    balloon.timeoutMs = timeoutMs;
    return m_view.ShowBalloon(balloon);
}

bool CTrayIconImpl::HandleTrayMessage(const Message& message) {
    if (message.id != m_data.callbackMessage || message.wParam != m_data.id)
        return false;
    switch (LowWord(message.lParam)) {
    case NIN_BALLOONUSERCLICK:
        OnBalloonClick();
        break;
    case NIN_BALLOONTIMEOUT:
        OnBalloonTimeout();
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ShowMenu();
        break;
    default:
        break;
    }
    return true;
}

bool CTrayIconImpl::BuildMenu(PopupMenu* menu) {
    MenuResource resource = LoadMenuResource(m_menuId);
    if (resource.popups.empty())
        return false;
    *menu = resource.popups.front();
    PrepareMenu(*menu);
    return true;
}

void CTrayIconImpl::UpdateMenu() {
    PopupMenu menu;
    if (m_installed && BuildMenu(&menu))
        m_view.SetMenu(menu, m_data.owner);
}

void CTrayIconImpl::ShowMenu() {
    PopupMenu menu;
    // Placing the menu at the pointer and in front is the view's part.
    if (BuildMenu(&menu))
        m_menu.TrackPopup(menu, m_data.owner);
}
