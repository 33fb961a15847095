// GTK menus built from the program's menus. Choosing an item calls `chosen`
// with its command.
#pragma once

#include "ui/present/MenuView.h"

#include <gtk/gtk.h>

#include <functional>
#include <memory>

using MenuChoice = std::function<void(uint16_t)>;

// A floating GtkMenu; `chosen` lives as long as the menu.
GtkWidget* BuildGtkMenu(const PopupMenu& menu, MenuChoice chosen);
