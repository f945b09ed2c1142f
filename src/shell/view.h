#ifndef KRAG_SHELL_VIEW_H
#define KRAG_SHELL_VIEW_H

#include <allegro.h>

// Where the 640x480 picture sits on the screen: w x h screen pixels with its top-left
// corner at (x, y); the rest of the screen is black bars. SHARP views are a whole
// number of times the picture (w = 640 * scale); a FILL view may be any 4:3 size.
// Everything else in the game (hit tests, aiming) works in the picture's own 640x480
// pixels.
struct cview {
    int scale;
    int x, y;
    int w, h;
    bool whole() const { return w == 640 * scale && h == 480 * scale; }
};

// The largest whole-number scale of the picture that fits a w x h screen, centred
// (scale 1 at the corner when even that does not fit).
cview fit_view(int w, int h);

// The largest 4:3 picture that fits a w x h screen, centred.
cview fill_view(int w, int h);

// The view in use: the window's (1x or 2x at the corner) or the full screen's, as the
// full-screen scale setting asks (SHARP: fit_view, FILL: fill_view).
cview current_view();

// Full screen is on a w x h screen; 0 x 0: full screen is not on.
void set_fullscreen_size(int w, int h);

// A screen pixel in picture pixels, for a picture of `size` pixels shown `extent`
// screen pixels long from `corner`; clamped to the picture (the bars map to its edge).
int view_to_picture(int screen, int corner, int extent, int size);

// Copies src into dst with each pixel made a scale x scale block, src's top-left at
// (x, y) of dst; parts outside dst are left out. Both bitmaps share a colour depth.
void scale_pixels(BITMAP *src, BITMAP *dst, int scale, int x, int y);

#endif
