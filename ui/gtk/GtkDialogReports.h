// What the user does with a GTK dialog, posted to the program's dialog: OK
// and Cancel as WM_COMMAND IDOK and IDCANCEL, Esc as IDCANCEL, the close box
// as WM_CLOSE (the window stays until the program's dialog hides it).
#pragma once

#include "ui/kernel/MessageQueue.h"

#include <gtk/gtk.h>

// `dialog` must outlive the window's signals.
void ReportDialogActions(GtkWidget* window, const MessageTarget* dialog);
