#include "match/cull.h"

bool turned_hidden(BITMAP *bmp, BITMAP *sprite, int x, int y, int cx, int cy) {
    // Every pixel of the turned sprite lies within this distance of the pivot, whatever
    // the angle and flip (plus a margin for the library's rounding).
    int r = (cx < 0 ? -cx : cx) + (cy < 0 ? -cy : cy) + sprite->w + sprite->h + 2;
    return box_hidden(bmp, x - r, y - r, 2 * r + 1, 2 * r + 1);
}
