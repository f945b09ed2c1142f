#include "match/slices.h"

#include <cstring>

#include "match/sprite.h"

bool cslices::same_slice(BITMAP *slice) {
    if (!seen || seen->w != slice->w || seen->h != slice->h ||
        bitmap_color_depth(seen) != bitmap_color_depth(slice))
        return false;
    size_t bytes = (size_t)slice->w * ((bitmap_color_depth(slice) + 7) / 8);
    for (int y = 0; y < slice->h; y++)
        if (memcmp(seen->line[y], slice->line[y], bytes) != 0) return false;
    return true;
}

void cslices::drop() {
    if (row) destroy_bitmap(row);
    if (seen) destroy_bitmap(seen);
    row = seen = nullptr;
    count = -1;
}

void cslices::draw(BITMAP *dst, BITMAP *slice, int n, int x, int y) {
    if (n <= 0 || !slice) return;
    int depth = bitmap_color_depth(slice);
    bool plain = is_memory_bitmap(slice) && depth == bitmap_color_depth(dst);
    if (plain && (n != count || !same_slice(slice))) {
        int w = n - 1 + slice->w;
        if (!row || row->w < w || row->h != slice->h || bitmap_color_depth(row) != depth) {
            if (row) destroy_bitmap(row);
            row = create_bitmap_ex(depth, w, slice->h);
        }
        if (seen) destroy_bitmap(seen);
        seen = create_bitmap_ex(depth, slice->w, slice->h);
        if (row && seen) {
            blit(slice, seen, 0, 0, 0, 0, slice->w, slice->h);
            clear_to_color(row, bitmap_mask_color(row));
            for (int i = 0; i < n; i++)
                draw_sprite(row, slice, i, 0);
            count = n;
        } else {
            drop();
        }
    }
    if (plain && row) {
        masked_sprite(dst, row, x, y);
        return;
    }
    for (int i = 0; i < n; i++) // other depths, or no memory to spare
        draw_sprite(dst, slice, x + i, y);
}
