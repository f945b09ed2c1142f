#ifndef KRAG_SHELL_DOUBLER_H
#define KRAG_SHELL_DOUBLER_H

#include <allegro.h>

// Copies src into dst with every pixel as a 2x2 block, its top-left at (x, y) of dst,
// clipped to dst's clipping rectangle: the same picture as stretching src to twice its
// size, without the general stretcher's per-pixel stepping. Both bitmaps have the same
// colour depth; dst may be the screen (rows are written through the library's line
// access, so the window learns what changed).
void double_pixels(BITMAP *src, BITMAP *dst, int x, int y);

#endif
