#ifndef KRAG_SHELL_WINDOW2X_H
#define KRAG_SHELL_WINDOW2X_H

#include <allegro.h>

// Presents src doubled with its top-left at (x, y) of the window by writing the blocks
// straight into the window's own rows, then asking the library once to show that
// rectangle (the request its own blits end with): half the memory traffic of doubling
// into a memory picture and blitting that. Only in the library's X window (not full
// screen) on a plain linear 32-bit screen bitmap, with that request found in the library
// and even, non-negative offsets; false when any of this does not hold, nothing done.
bool present_doubled_in_window(BITMAP *src, int x, int y);

#endif
