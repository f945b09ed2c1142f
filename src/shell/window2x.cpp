#include "shell/window2x.h"

#include <dlfcn.h>

#include "shell/doubler.h"

// The library's "show this rectangle of the screen bitmap in the window": it converts
// the rows when the window's pixel format differs from the bitmap's. Looked up at run
// time, so a library without it only means the other way of presenting.
typedef void (*cshow_rect)(int x, int y, int w, int h);
static cshow_rect show_rect() {
    static cshow_rect found = (cshow_rect)dlsym(RTLD_DEFAULT, "_xwin_update_screen");
    return found;
}

bool present_doubled_in_window(BITMAP *src, int x, int y) {
    if (!screen || !gfx_driver || gfx_driver->id != GFX_XWINDOWS || !is_windowed_mode())
        return false;
    if (is_sub_bitmap(screen) || !is_linear_bitmap(screen) || bitmap_color_depth(screen) != 32)
        return false;
    cshow_rect show = show_rect();
    if (!show) return false;
    int w = 0, h = 0;
    acquire_screen();
    bool done = double_rows_in_place(src, screen, x, y, w, h);
    release_screen();
    if (done) show(x, y, w, h);
    return done;
}
