// The program's drawn icons as GDK pictures and PNG files (tray hosts load
// the tray icon by file from a folder the program names).
#pragma once

#include "ui/gtk/GtkHandles.h"
#include "ui/present/IconImage.h"

#include <string>

GObjectRef<GdkPixbuf> PixbufFromIcon(const IconImage& icon);
// Writes `icon` as "<folder>/melvane-<name>.png" (the folder is made, 0700)
// and gives that name without ".png"; "" when it cannot be written.
std::string WriteIconFile(const IconImage& icon, const std::string& folder);
