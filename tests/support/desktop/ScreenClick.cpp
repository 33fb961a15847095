#include "tests/support/desktop/ScreenClick.h"

#include <gdk/gdkx.h>

#include <X11/extensions/XTest.h>

void ClickOnScreen(int x, int y) {
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
}
