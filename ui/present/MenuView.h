// Pop-up menus. The chosen command comes back as WM_COMMAND posted to the
// owner; nothing comes back when the menu is dismissed.
#pragma once

#include "ui/kernel/MessageQueue.h"

#include <cstdint>
#include <string>
#include <vector>

struct MenuItem {
    std::wstring text;
    uint16_t command = 0;
    bool separator = false;
    bool isDefault = false;
};

struct PopupMenu {
    std::wstring title;
    std::vector<MenuItem> items;

    void AppendSeparator() { items.push_back(MenuItem{L"", 0, true, false}); }
    void Append(const std::wstring& text, uint16_t command) {
        items.push_back(MenuItem{text, command, false, false});
    }
    // Marks the item with `command` as the default one; false when absent.
    bool SetDefault(uint16_t command);
    std::vector<uint16_t> Commands() const;
};

class MenuView {
  public:
    virtual ~MenuView() = default;
    // Shows `menu` at the pointer, in front of every window.
    virtual void TrackPopup(const PopupMenu& menu, const MessageTarget& owner) = 0;
};
