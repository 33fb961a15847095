#include "ui/headless/HeadlessMenu.h"

#include "ui/headless/HeadlessOutput.h"

void HeadlessMenu::TrackPopup(const PopupMenu& menu, const MessageTarget& /*owner*/) {
    std::wstring line = L"Menu:";
    for (const MenuItem& item : menu.items) {
        if (!item.separator)
            line += L" [" + item.text + (item.isDefault ? L"*]" : L"]");
    }
    WriteHeadlessLine(line);
}
