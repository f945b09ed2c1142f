#ifndef KRAG_MATCH_CULL_H
#define KRAG_MATCH_CULL_H

#include <allegro.h>

// Whether a drawing would leave every pixel of bmp as it is because it lies wholly
// outside bmp's clipping rectangle: such sprites are not handed to the library at all.
// The boxes are generous; anything that might touch the rectangle counts as shown.

// A w x h box with its top-left corner at (x, y).
inline bool box_hidden(BITMAP *bmp, int x, int y, int w, int h) {
    if (!bmp->clip) return false; // the library draws everything where it is asked to
    // The clipping rectangle's right and bottom edges are exclusive.
    return x + w <= bmp->cl || x >= bmp->cr || y + h <= bmp->ct || y >= bmp->cb;
}

// draw_sprite and its flips at (x, y).
inline bool sprite_hidden(BITMAP *bmp, BITMAP *sprite, int x, int y) {
    return box_hidden(bmp, x, y, sprite->w, sprite->h);
}

// pivot_sprite and its flips: sprite's pixel (cx, cy) at (x, y), turned by any angle.
bool turned_hidden(BITMAP *bmp, BITMAP *sprite, int x, int y, int cx, int cy);

// rotate_sprite: top-left corner at (x, y), turned about its centre.
inline bool rotated_hidden(BITMAP *bmp, BITMAP *sprite, int x, int y) {
    return turned_hidden(bmp, sprite, x + sprite->w / 2, y + sprite->h / 2, sprite->w / 2,
                         sprite->h / 2);
}

// circlefill centred on (x, y).
inline bool disc_hidden(BITMAP *bmp, int x, int y, int radius) {
    int r = (radius < 0 ? -radius : radius) + 1;
    return box_hidden(bmp, x - r, y - r, 2 * r + 1, 2 * r + 1);
}

#endif
