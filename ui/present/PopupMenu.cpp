#include "ui/present/MenuView.h"

bool PopupMenu::SetDefault(uint16_t command) {
    bool found = false;
    for (MenuItem& item : items) {
        item.isDefault = !item.separator && item.command == command;
        found = found || item.isDefault;
    }
    return found;
}

std::vector<uint16_t> PopupMenu::Commands() const {
    std::vector<uint16_t> commands;
    for (const MenuItem& item : items) {
        if (!item.separator)
            commands.push_back(item.command);
    }
    return commands;
}
