#include "shell/view.h"

#include <cstdint>
#include <cstring>

#include "shell/options.h"

static int full_w, full_h; // the full screen's size; 0 while in a window

static cview whole_view(int s, int x, int y) { return cview{s, x, y, 640 * s, 480 * s}; }

cview fit_view(int w, int h) {
    int s = w / 640 < h / 480 ? w / 640 : h / 480;
    if (s < 1) return whole_view(1, 0, 0);
    return whole_view(s, (w - 640 * s) / 2, (h - 480 * s) / 2);
}

cview fill_view(int w, int h) {
    int pw = w, ph = h;
    if ((long)w * 3 > (long)h * 4)
        pw = h * 4 / 3;
    else
        ph = w * 3 / 4;
    if (pw < 1 || ph < 1) return whole_view(1, 0, 0);
    return cview{pw / 640 > 1 ? pw / 640 : 1, (w - pw) / 2, (h - ph) / 2, pw, ph};
}

cview current_view() {
    if (!options.window && full_w > 0)
        return options.fullscreen_scale == FULLSCREEN_FILL ? fill_view(full_w, full_h)
                                                            : fit_view(full_w, full_h);
    return whole_view(options.scaled(), 0, 0);
}

void set_fullscreen_size(int w, int h) { full_w = w, full_h = h; }

int view_to_picture(int screen, int corner, int extent, int size) {
    if (extent < 1) extent = size;
    long p = screen - corner;
    if (p < 0) return 0;
    p = p * size / extent;
    return p < size ? (int)p : size - 1;
}

// One source row of pixels of type T, each repeated `scale` times, into dst's row.
template <class T> static void widen_row(const T *in, T *out, int first, int count, int scale) {
    for (int i = 0; i < count; i++) {
        T v = in[first + i];
        for (int k = 0; k < scale; k++)
            *out++ = v;
    }
}

void scale_pixels(BITMAP *src, BITMAP *dst, int scale, int x, int y) {
    if (scale < 1 || bitmap_color_depth(src) != bitmap_color_depth(dst)) return;
    int depth = bitmap_color_depth(src);
    int bytes = (depth + 7) / 8;
    // The source columns and rows whose blocks fall at least partly inside dst.
    int c0 = x < 0 ? (-x) / scale : 0;
    int r0 = y < 0 ? (-y) / scale : 0;
    for (int r = r0; r < src->h; r++) {
        int top = y + r * scale;
        if (top >= dst->h) break;
        int c1 = src->w;
        if (x + c1 * scale > dst->w) c1 = (dst->w - x + scale - 1) / scale;
        if (c1 <= c0) return;
        // Widen the row into its first destination line (or a spare line when the
        // block starts above dst), then copy that line down the block.
        static unsigned char spare[640 * 8 * 4 * 4];
        int width = (c1 - c0) * scale;
        if ((size_t)width * bytes > sizeof spare) return;
        unsigned char *line = spare;
        switch (bytes) {
        case 1:
            widen_row((const uint8_t *)src->line[r], (uint8_t *)line, c0, c1 - c0, scale);
            break;
        case 2:
            widen_row((const uint16_t *)src->line[r], (uint16_t *)line, c0, c1 - c0, scale);
            break;
        case 4:
            widen_row((const uint32_t *)src->line[r], (uint32_t *)line, c0, c1 - c0, scale);
            break;
        default: // 24-bit: three bytes a pixel
            for (int i = 0; i < c1 - c0; i++)
                for (int k = 0; k < scale; k++)
                    memcpy(line + (i * scale + k) * 3, src->line[r] + (c0 + i) * 3, 3);
            break;
        }
        // Clip the block's left edge and width to dst.
        int left = x + c0 * scale, skip = 0;
        if (left < 0) {
            skip = -left;
            left = 0;
        }
        int n = width - skip;
        if (left + n > dst->w) n = dst->w - left;
        if (n <= 0) continue;
        for (int k = 0; k < scale; k++) {
            int row = top + k;
            if (row < 0 || row >= dst->h) continue;
            memcpy(dst->line[row] + left * bytes, line + skip * bytes, (size_t)n * bytes);
        }
    }
}
