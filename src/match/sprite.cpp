#include "match/sprite.h"

#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

void masked_sprite(BITMAP *dst, BITMAP *sprite, int x, int y) {
    if (!dst->clip || !is_memory_bitmap(dst) || !is_memory_bitmap(sprite) ||
        bitmap_color_depth(dst) != 32 || bitmap_color_depth(sprite) != 32) {
        draw_sprite(dst, sprite, x, y);
        return;
    }
    // The sprite's columns [c0, c1) and rows [r0, r1) that land inside the clip.
    int c0 = dst->cl - x > 0 ? dst->cl - x : 0;
    int r0 = dst->ct - y > 0 ? dst->ct - y : 0;
    int c1 = dst->cr - x < sprite->w ? dst->cr - x : sprite->w;
    int r1 = dst->cb - y < sprite->h ? dst->cb - y : sprite->h;
    if (c0 >= c1 || r0 >= r1) return;
    const uint32_t mask = (uint32_t)bitmap_mask_color(sprite);
    for (int r = r0; r < r1; r++) {
        const uint32_t *s = (const uint32_t *)sprite->line[r] + c0;
        uint32_t *d = (uint32_t *)dst->line[y + r] + x + c0;
        int n = c1 - c0, i = 0;
#ifdef __SSE2__
        const __m128i m = _mm_set1_epi32((int)mask);
        for (; i + 4 <= n; i += 4) {
            __m128i sv = _mm_loadu_si128((const __m128i *)(s + i));
            __m128i dv = _mm_loadu_si128((const __m128i *)(d + i));
            __m128i hole = _mm_cmpeq_epi32(sv, m); // all ones where the mask shows through
            __m128i out = _mm_or_si128(_mm_and_si128(hole, dv), _mm_andnot_si128(hole, sv));
            _mm_storeu_si128((__m128i *)(d + i), out);
        }
#endif
        for (; i < n; i++)
            if (s[i] != mask) d[i] = s[i];
    }
}
