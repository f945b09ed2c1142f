#ifndef KRAG_MATCH_SPRITE_H
#define KRAG_MATCH_SPRITE_H

#include <allegro.h>

// What draw_sprite(dst, sprite, x, y) draws: sprite's pixels except those of its mask
// colour, clipped to dst's clipping rectangle. Between 32-bit memory bitmaps (the back
// buffer and the loaded pictures) it copies four pixels at a time; anything else goes to
// the library.
void masked_sprite(BITMAP *dst, BITMAP *sprite, int x, int y);

#endif
