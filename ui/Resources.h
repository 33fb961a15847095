// Ids of the program's menus, commands and icons, and its menus.
#pragma once

#include "ui/present/MenuView.h"

#include <cstdint>
#include <vector>

constexpr int IDR_TRAY_MENU = 132;
// The tray icon's id is the number of the menu it shows.
constexpr uint32_t kTrayIconId = IDR_TRAY_MENU;

constexpr uint16_t ID_APP_EXIT = 32774;
constexpr uint16_t ID_VISIT_WEBSITE = 32775;
constexpr uint16_t ID_INSTALL_UPDATES = 32778;
constexpr uint16_t ID_MUSIC_FOLDERS = 32783;
constexpr uint16_t ID_CHANGE_ACCOUNTS = 32785;
constexpr uint16_t ID_VIEW_PLAYLISTS = 32792;
constexpr uint16_t ID_APP_ABOUT = 57664;

constexpr wchar_t kInstallUpdatesText[] = L"Install Updates";

// A menu as stored: its pop-ups in order, then items that stand on the menu
// bar itself.
struct MenuResource {
    std::vector<PopupMenu> popups;
    std::vector<MenuItem> barItems;
};

// The menu with `id`; empty for an unknown id.
MenuResource LoadMenuResource(int id);
