// A click of the first button at a point of the screen, sent through the X
// server's XTest extension so that it reaches windows as a user's does. Kept
// apart from the X headers, whose names clash with the program's.
#pragma once

// (x, y) in screen pixels of GDK's default display.
void ClickOnScreen(int x, int y);
