#ifndef KRAG_MATCH_TURN_H
#define KRAG_MATCH_TURN_H

#include <allegro.h>

// The library's pivot_sprite (v_flip: pivot_sprite_v_flip) and rotate_sprite: the same
// call into its drawing table with the same fixed-point places, multiplied where the
// library's inline versions shift, so a negative place (a sprite reaching past the left
// or top edge of the view) is defined arithmetic. Places stay within +-32767.
inline void turn_sprite(BITMAP *bmp, BITMAP *sprite, int x, int y, int cx, int cy, fixed angle,
                        bool v_flip = false) {
    bmp->vtable->pivot_scaled_sprite_flip(bmp, sprite, x * 65536, y * 65536, cx * 65536, cy * 65536,
                                          angle, 0x10000, v_flip);
}

inline void spin_sprite(BITMAP *bmp, BITMAP *sprite, int x, int y, fixed angle) {
    bmp->vtable->pivot_scaled_sprite_flip(bmp, sprite, x * 65536 + sprite->w * 0x10000 / 2,
                                          y * 65536 + sprite->h * 0x10000 / 2, sprite->w * 32768,
                                          sprite->h * 32768, angle, 0x10000, false);
}

#endif
