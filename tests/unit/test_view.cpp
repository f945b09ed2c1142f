// How the 640x480 picture fills a screen: the whole-number scale, the bars, the
// pointer mapped back, and the scaled pixels themselves.
#include <allegro.h>
#include <gtest/gtest.h>

#include "shell/data.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "shell/view.h"
#include "support.h"

TEST(View, TheLargestWholeScaleThatFitsCentredOnBars) {
    struct {
        int w, h, scale, x, y;
    } const cases[] = {
        {640, 480, 1, 0, 0},      {800, 600, 1, 80, 60},     {1280, 960, 2, 0, 0},
        {1366, 768, 1, 363, 144}, {1920, 1080, 2, 320, 60},  {1920, 1200, 2, 320, 120},
        {2560, 1440, 3, 320, 0},  {3840, 2160, 4, 640, 120}, {1279, 5000, 1, 319, 2260},
        {320, 200, 1, 0, 0},
    };
    for (const auto &c : cases) {
        cview v = fit_view(c.w, c.h);
        EXPECT_EQ(c.scale, v.scale) << c.w << "x" << c.h;
        EXPECT_EQ(c.x, v.x) << c.w << "x" << c.h;
        EXPECT_EQ(c.y, v.y) << c.w << "x" << c.h;
    }
}

TEST(View, ThePointerMapsThroughTheScaleAndTheBarsToTheEdges) {
    headless();
    options = coptions();
    // The plain and the doubled window, as ever.
    mouse_x = 639, mouse_y = 479;
    EXPECT_EQ(639, pointer_x());
    EXPECT_EQ(479, pointer_y());
    options.is_scaled = true;
    mouse_x = 1279, mouse_y = 961;
    EXPECT_EQ(639, pointer_x());
    EXPECT_EQ(479, pointer_y());

    // Full screen on a 2560x1440 desktop: three times, 320 pixels of bar at each side.
    options = coptions();
    options.window = false;
    set_fullscreen_size(2560, 1440);
    mouse_x = 320 + 3 * 100 + 2, mouse_y = 3 * 200;
    EXPECT_EQ(100, pointer_x());
    EXPECT_EQ(200, pointer_y());
    mouse_x = 319;
    EXPECT_EQ(0, pointer_x()) << "the left bar";
    mouse_x = 2559, mouse_y = 1439;
    EXPECT_EQ(639, pointer_x()) << "the right bar";
    EXPECT_EQ(479, pointer_y());
    // Back in a window the full screen's view no longer counts.
    options.window = true;
    mouse_x = 500, mouse_y = 300;
    EXPECT_EQ(500, pointer_x());
    EXPECT_EQ(300, pointer_y());
    set_fullscreen_size(0, 0);
    options = coptions();
    mouse_x = mouse_y = 0;
}

// FILL: the largest 4:3 picture a laptop's screen holds, centred, and every pointer
// position maps back through the same scale (the bars to the nearest edge).
TEST(View, FillShowsTheLargestPictureAndMapsThePointerBack) {
    headless();
    options = coptions();
    options.window = false;
    options.fullscreen_scale = FULLSCREEN_FILL;
    struct {
        int w, h, x, pw;
    } const screens[] = {{1366, 768, 171, 1024}, {1920, 1080, 240, 1440}};
    for (const auto &s : screens) {
        set_fullscreen_size(s.w, s.h);
        cview v = current_view();
        EXPECT_EQ(s.x, v.x) << s.w;
        EXPECT_EQ(0, v.y) << s.w;
        EXPECT_EQ(s.pw, v.w) << s.w;
        EXPECT_EQ(s.h, v.h) << s.w;
        // Every picture column is reached from the screen, in order, none skipped.
        int last = -1;
        for (int sx = 0; sx < s.w; sx++) {
            mouse_x = sx;
            int px = pointer_x();
            ASSERT_TRUE(px == last || px == last + 1) << s.w << ": screen x " << sx;
            last = px;
            if (sx < s.x) {
                ASSERT_EQ(0, px) << "the left bar";
            }
            if (sx >= s.x + s.pw) {
                ASSERT_EQ(639, px) << "the right bar";
            }
        }
        EXPECT_EQ(639, last);
        mouse_y = s.h - 1;
        EXPECT_EQ(479, pointer_y());
    }
    set_fullscreen_size(0, 0);
    options = coptions();
    mouse_x = mouse_y = 0;
}

TEST(View, ScaledPixelsAreWholeBlocksAndTwiceMatchesTheStretcher) {
    headless();
    BITMAP *src = create_bitmap_ex(32, 640, 480);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            putpixel(src, x, y, makecol32(x & 255, y & 255, (x * y) & 255));
    // Twice: exactly what the library's stretcher draws today.
    BITMAP *mine = create_bitmap_ex(32, 1280, 960), *lib = create_bitmap_ex(32, 1280, 960);
    scale_pixels(src, mine, 2, 0, 0);
    stretch_blit(src, lib, 0, 0, 640, 480, 0, 0, 1280, 960);
    int differ = 0;
    for (int y = 0; y < 960; y++)
        for (int x = 0; x < 1280; x++)
            differ += getpixel(mine, x, y) != getpixel(lib, x, y);
    EXPECT_EQ(0, differ);
    // Three times: every 3x3 block holds its source pixel.
    BITMAP *three = create_bitmap_ex(32, 1920, 1440);
    scale_pixels(src, three, 3, 0, 0);
    differ = 0;
    for (int y = 0; y < 1440; y++)
        for (int x = 0; x < 1920; x++)
            differ += getpixel(three, x, y) != getpixel(src, x / 3, y / 3);
    EXPECT_EQ(0, differ);
    // Placed partly outside the target: clipped, nothing written out of bounds.
    BITMAP *small = create_bitmap_ex(32, 100, 100);
    clear_to_color(small, makecol32(1, 2, 3));
    scale_pixels(src, small, 3, -10, -7);
    EXPECT_EQ(getpixel(src, 3, 2), getpixel(small, 0, 0)); // (-10 + 9, -7 + 6) is block 3, 2
    EXPECT_EQ(getpixel(src, 36, 35), getpixel(small, 99, 99));
    scale_pixels(src, small, 4, 90, 95);
    EXPECT_EQ(getpixel(src, 0, 0), getpixel(small, 93, 98));
    EXPECT_EQ(getpixel(src, 2, 1), getpixel(small, 99, 99));
    EXPECT_EQ(getpixel(src, 33, 33), getpixel(small, 89, 94)) << "left as it was";
    // Other colour depths take the same path.
    for (int depth : {8, 15, 16, 24}) {
        BITMAP *s = create_bitmap_ex(depth, 7, 5), *d = create_bitmap_ex(depth, 21, 15);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 7; x++)
                putpixel(s, x, y, (x * 37 + y * 11) & (depth == 8 ? 255 : 0x7fff));
        scale_pixels(s, d, 3, 0, 0);
        int bad = 0;
        for (int y = 0; y < 15; y++)
            for (int x = 0; x < 21; x++)
                bad += getpixel(d, x, y) != getpixel(s, x / 3, y / 3);
        EXPECT_EQ(0, bad) << depth << " bits";
        destroy_bitmap(s);
        destroy_bitmap(d);
    }
    destroy_bitmap(small);
    destroy_bitmap(three);
    destroy_bitmap(mine);
    destroy_bitmap(lib);
    destroy_bitmap(src);
}

TEST(View, DoubleSizeShowsGreyedOnASmallDesktop) {
    load_real_data();
    options = coptions();
    options.init();
    mouse_x = 600, mouse_y = 20;
    options.enable_scaled(true);
    options.draw();
    int grey = makecol(64, 64, 64);
    auto greyed = [&] {
        int n = 0;
        for (int y = 299; y < 307; y++)
            for (int x = 408; x < 408 + 11 * 8; x++)
                n += getpixel(bbuffer, x, y) == grey;
        return n;
    };
    EXPECT_EQ(0, greyed());
    EXPECT_NE(grey, getpixel(bbuffer, 399, 302));
    options.enable_scaled(false);
    options.draw();
    EXPECT_GT(greyed(), 40) << "the label's letters in grey";
    EXPECT_EQ(grey, getpixel(bbuffer, 399, 302)) << "the box in grey";
    options = coptions();
}
