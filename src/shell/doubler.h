#ifndef KRAG_SHELL_DOUBLER_H
#define KRAG_SHELL_DOUBLER_H

#include <allegro.h>

// Copies src into dst with every pixel as a 2x2 block, its top-left at (x, y) of dst,
// clipped to dst's clipping rectangle: the same picture as stretching src to twice its
// size, without the general stretcher's per-pixel stepping. Both bitmaps have the same
// colour depth; dst may be the screen (rows are written through the library's line
// access, so the window learns what changed).
void double_pixels(BITMAP *src, BITMAP *dst, int x, int y);

// The same for a linear 32-bit dst whose rows may be written in place (a memory bitmap,
// or the window's picture between acquire_screen and release_screen, the caller then
// asking the window to show the rectangle), four pixels at a time. src is 32-bit, x and
// y even and not negative; the blocks beyond dst's right and bottom edges are left out
// (its clipping rectangle is not looked at). Gives the rectangle written, w x h at
// (x, y); false when these conditions do not hold and nothing was written.
bool double_rows_in_place(BITMAP *src, BITMAP *dst, int x, int y, int &w, int &h);

#endif
