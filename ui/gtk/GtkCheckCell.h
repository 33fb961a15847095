// A check-box cell that can be drawn dimmed while it stays sensitive: a
// dimmed box still takes clicks, where an insensitive one would not.
#pragma once

#include <gtk/gtk.h>

// A new cell (a GtkCellRendererToggle), floating as GTK hands them out.
GtkCellRenderer* NewCheckCell();
// Whether the next rows the cell draws look dimmed.
void SetCheckCellDimmed(GtkCellRenderer* cell, bool dimmed);
