#include "shell/doubler.h"

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// One pixel of a colour depth: its bytes, copied as a unit.
struct cpixel24 {
    uint8_t b[3];
};

template <class P> static void double_rows(BITMAP *src, BITMAP *dst, int x, int y) {
    // Destination columns [c0, c1) and rows [r0, r1) inside the clipping rectangle.
    int c0 = x > dst->cl ? x : dst->cl;
    int c1 = x + 2 * src->w < dst->cr ? x + 2 * src->w : dst->cr;
    int r0 = y > dst->ct ? y : dst->ct;
    int r1 = y + 2 * src->h < dst->cb ? y + 2 * src->h : dst->cb;
    if (c0 >= c1 || r0 >= r1) return;

    acquire_bitmap(dst);
    P *above = nullptr; // the row just written, when the next one repeats it
    for (int r = r0; r < r1; r++) {
        P *row = (P *)bmp_write_line(dst, r) + c0, *d = row;
        if (above && ((r - y) & 1)) {
            memcpy(row, above, (c1 - c0) * sizeof(P));
            continue;
        }
        const P *s = (const P *)src->line[(r - y) / 2];
        int c = c0;
        if ((c - x) & 1) *d++ = s[(c++ - x) / 2]; // right half of a block
        for (; c + 1 < c1; c += 2) {
            P p = s[(c - x) / 2];
            d[0] = p;
            d[1] = p;
            d += 2;
        }
        if (c < c1) *d = s[(c - x) / 2]; // left half of the last block
        above = row;
    }
    bmp_unwrite_line(dst);
    release_bitmap(dst);
}

#ifdef __SSE2__
// The case every doubled frame takes: 32-bit linear bitmaps, the first `columns` and
// `rows` of src. Four source pixels become eight, stored on both rows of their blocks
// at once.
static void double_rows32(BITMAP *src, BITMAP *dst, int x, int y, int columns, int rows) {
    for (int sy = 0; sy < rows; sy++) {
        const uint32_t *s = (const uint32_t *)src->line[sy];
        uint32_t *d0 = (uint32_t *)dst->line[y + 2 * sy] + x;
        uint32_t *d1 = (uint32_t *)dst->line[y + 2 * sy + 1] + x;
        int sx = 0;
        for (; sx + 4 <= columns; sx += 4) {
            __m128i v = _mm_loadu_si128((const __m128i *)(s + sx));
            __m128i lo = _mm_unpacklo_epi32(v, v), hi = _mm_unpackhi_epi32(v, v);
            _mm_storeu_si128((__m128i *)(d0 + 2 * sx), lo);
            _mm_storeu_si128((__m128i *)(d0 + 2 * sx + 4), hi);
            _mm_storeu_si128((__m128i *)(d1 + 2 * sx), lo);
            _mm_storeu_si128((__m128i *)(d1 + 2 * sx + 4), hi);
        }
        for (; sx < columns; sx++)
            d0[2 * sx] = d0[2 * sx + 1] = d1[2 * sx] = d1[2 * sx + 1] = s[sx];
    }
}
#endif

bool double_rows_in_place(BITMAP *src, BITMAP *dst, int x, int y, int &w, int &h) {
#ifdef __SSE2__
    if (!is_linear_bitmap(dst) || bitmap_color_depth(dst) != 32 || bitmap_color_depth(src) != 32)
        return false;
    if (x < 0 || y < 0 || (x | y) & 1 || x >= dst->w || y >= dst->h) return false;
    // Whole blocks only: the part of the picture that fits is (dst->w - x) / 2 columns.
    int columns = (dst->w - x) / 2 < src->w ? (dst->w - x) / 2 : src->w;
    int rows = (dst->h - y) / 2 < src->h ? (dst->h - y) / 2 : src->h;
    if (((dst->w - x) & 1 && columns < src->w) || ((dst->h - y) & 1 && rows < src->h))
        return false; // half a block would be left out
    double_rows32(src, dst, x, y, columns, rows);
    w = 2 * columns;
    h = 2 * rows;
    return true;
#else
    (void)src, (void)dst, (void)x, (void)y, (void)w, (void)h;
    return false;
#endif
}

void double_pixels(BITMAP *src, BITMAP *dst, int x, int y) {
#ifdef __SSE2__
    bool unclipped =
        x >= dst->cl && y >= dst->ct && x + 2 * src->w <= dst->cr && y + 2 * src->h <= dst->cb;
    if (unclipped && is_memory_bitmap(dst) && bitmap_color_depth(dst) == 32 &&
        bitmap_color_depth(src) == 32) {
        double_rows32(src, dst, x, y, src->w, src->h);
        return;
    }
#endif
    switch (bitmap_color_depth(dst)) {
    case 8:
        double_rows<uint8_t>(src, dst, x, y);
        break;
    case 15:
    case 16:
        double_rows<uint16_t>(src, dst, x, y);
        break;
    case 24:
        double_rows<cpixel24>(src, dst, x, y);
        break;
    default:
        double_rows<uint32_t>(src, dst, x, y);
        break;
    }
}
