#include "shell/view.h"

#include <cstdint>
#include <cstring>

#include "shell/options.h"

static cview fullscreen{0, 0, 0};

cview fit_view(int w, int h) {
    int s = w / 640 < h / 480 ? w / 640 : h / 480;
    if (s < 1) return cview{1, 0, 0};
    return cview{s, (w - 640 * s) / 2, (h - 480 * s) / 2};
}

cview current_view() {
    if (!options.window && fullscreen.scale > 0) return fullscreen;
    return cview{options.scaled(), 0, 0};
}

void set_fullscreen_view(const cview &v) { fullscreen = v; }

int view_to_picture(int screen, int corner, int scale, int size) {
    if (scale < 1) scale = 1;
    int p = screen - corner;
    if (p < 0) return 0;
    p /= scale;
    return p < size ? p : size - 1;
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
