#ifndef KRAG_SHELL_VIEW_H
#define KRAG_SHELL_VIEW_H

#include <allegro.h>

// Where the 640x480 picture sits on the screen: drawn at a whole-number scale with its
// top-left corner at (x, y); the rest of the screen is black bars. Everything else in
// the game (hit tests, aiming) works in the picture's own 640x480 pixels.
struct cview {
    int scale;
    int x, y;
};

// The largest whole-number scale of the picture that fits a w x h screen, centred
// (scale 1 at the corner when even that does not fit).
cview fit_view(int w, int h);

// The view in use: the window's (1x or 2x at the corner) or the full screen's.
cview current_view();

// Full screen shows the picture in this view; scale 0: full screen is not on.
void set_fullscreen_view(const cview &v);

// A screen pixel in picture pixels, clamped to the picture (the bars map to its edge).
int view_to_picture(int screen, int corner, int scale, int size);

// Copies src into dst with each pixel made a scale x scale block, src's top-left at
// (x, y) of dst; parts outside dst are left out. Both bitmaps share a colour depth.
void scale_pixels(BITMAP *src, BITMAP *dst, int scale, int x, int y);

#endif
