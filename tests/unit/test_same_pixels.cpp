// The cheap ways of drawing show exactly what the plain ones did: idle screens that
// skip unchanged frames, the pixel doubler, the pre-drawn map, culled entities and
// laser spans, each compared pixel for pixel with the plain way on the real bitmaps.
#include <allegro.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "players/player.h"
#include "shell/credits.h"
#include "shell/data.h"
#include "shell/doubler.h"
#include "shell/idle.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "support.h"
#include "world/map.h"

// Number of pixels that differ between two 32-bit bitmaps of the same size.
static int differing(BITMAP *a, BITMAP *b) {
    int n = 0;
    for (int y = 0; y < a->h; y++) {
        const uint32_t *pa = (const uint32_t *)a->line[y], *pb = (const uint32_t *)b->line[y];
        if (memcmp(pa, pb, a->w * 4) == 0) continue;
        for (int x = 0; x < a->w; x++)
            n += pa[x] != pb[x];
    }
    return n;
}

// A memory bitmap standing in for the window, put back when the test ends.
class Screen : public ::testing::Test {
  protected:
    BITMAP *saved = nullptr;
    void SetUp() override {
        load_real_data();
        saved = screen;
        screen = create_bitmap(640, 480);
        options = coptions();
        mouse_x = mouse_y = mouse_b = 0;
        input.clear();
    }
    void TearDown() override {
        destroy_bitmap(screen);
        screen = saved;
    }
};

// One idle frame of screen s (one owed tick): returns whether it presented a picture,
// and checks that the window shows what drawing the frame in full shows.
template <class S> static bool idle_frame(S &s) {
    BITMAP *window = screen;
    int marker = makecol(1, 2, 3), kept = getpixel(window, 639, 479);
    putpixel(window, 639, 479, marker);
    logic = 1;
    run_idle_frame(s);
    bool presented = getpixel(window, 639, 479) != marker;
    if (!presented) putpixel(window, 639, 479, kept);

    BITMAP *full = create_bitmap(640, 480);
    screen = full;
    s.draw();
    screen = window;
    EXPECT_EQ(0, differing(window, full));
    destroy_bitmap(full);
    return presented;
}

TEST_F(Screen, MenuPresentsOnlyWhenThePointerMovesOrARedrawIsAsked) {
    menu.init();
    redraw_all(); // entering a screen
    mouse_x = 100, mouse_y = 100;
    EXPECT_TRUE(idle_frame(menu));
    EXPECT_FALSE(idle_frame(menu));
    EXPECT_FALSE(idle_frame(menu));
    mouse_x = 101;
    EXPECT_TRUE(idle_frame(menu));
    EXPECT_FALSE(idle_frame(menu));
    mouse_y = 300;
    EXPECT_TRUE(idle_frame(menu));
    redraw_all(); // a new video mode, the window back from elsewhere
    EXPECT_TRUE(idle_frame(menu));
    EXPECT_FALSE(idle_frame(menu));
}

TEST_F(Screen, OptionsPresentOnEveryChangeTheyShow) {
    options.init();
    redraw_all();
    EXPECT_TRUE(idle_frame(options));
    EXPECT_FALSE(idle_frame(options));
    mouse_x = 238, mouse_y = 165; // game type up
    EXPECT_TRUE(idle_frame(options));
    EXPECT_FALSE(idle_frame(options));
    mouse_b = 1; // the press changes the game type without moving the pointer
    EXPECT_TRUE(idle_frame(options));
    EXPECT_EQ(GT_TEAMMATCH, options.get_gametype());
    EXPECT_FALSE(idle_frame(options)); // held
    mouse_b = 0;
    EXPECT_FALSE(idle_frame(options));
    mouse_x = 399, mouse_y = 210; // frame-rate tick box
    EXPECT_TRUE(idle_frame(options));
    mouse_b = 1;
    EXPECT_TRUE(idle_frame(options));
    EXPECT_TRUE(options.get_fps());
    mouse_b = 0;
    EXPECT_FALSE(idle_frame(options));
}

TEST_F(Screen, CreditsPresentWhileTheNameFadesAndThenRest) {
    credits.init();
    redraw_all();
    EXPECT_TRUE(idle_frame(credits));
    int presented = 0, frames = 0;
    while (credits.fade < 0) {
        presented += idle_frame(credits);
        frames++;
    }
    EXPECT_EQ(1, presented) << "over " << frames << " frames before the name shows";
    presented = 0;
    while (credits.fade < 1024)
        presented += idle_frame(credits);
    EXPECT_GT(presented, 200); // the fade in and out, one shade per frame
    for (int f = 0; f < 20; f++)
        EXPECT_FALSE(idle_frame(credits));
}

// A 640x480 bitmap of random pixels at a colour depth.
static BITMAP *noise(int depth) {
    BITMAP *b = create_bitmap_ex(depth, 640, 480);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            putpixel(b, x, y, makecol_depth(depth, rand() & 255, rand() & 255, rand() & 255));
    return b;
}

static int differing_any(BITMAP *a, BITMAP *b) {
    int n = 0;
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            n += getpixel(a, x, y) != getpixel(b, x, y);
    return n;
}

TEST(Doubler, MatchesTheStretchedPictureAtEveryDepthAndShakeOffset) {
    headless();
    srand(5);
    const int offsets[][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 4}, {4, 4}, {1, 3}, {-2, -4}, {-3, 1}};
    for (int depth : {8, 15, 16, 24, 32}) {
        BITMAP *src = noise(depth);
        BITMAP *want = create_bitmap_ex(depth, 1280, 960);
        BITMAP *got = create_bitmap_ex(depth, 1280, 960);
        for (auto &o : offsets) {
            SCOPED_TRACE(testing::Message() << depth << " bits, offset " << o[0] << "," << o[1]);
            int fill = makecol_depth(depth, 9, 8, 7);
            clear_to_color(want, fill); // uncovered edges keep what was there
            clear_to_color(got, fill);
            stretch_blit(src, want, 0, 0, 640, 480, o[0], o[1], 1280, 960);
            double_pixels(src, got, o[0], o[1]);
            EXPECT_EQ(0, differing_any(want, got));
        }
        // A clipping rectangle is honoured as the stretcher honours it.
        set_clip_rect(want, 100, 50, 700, 900);
        set_clip_rect(got, 100, 50, 700, 900);
        stretch_blit(src, want, 0, 0, 640, 480, 0, 0, 1280, 960);
        double_pixels(src, got, 0, 0);
        EXPECT_EQ(0, differing_any(want, got)) << depth << " bits, clipped";
        destroy_bitmap(src);
        destroy_bitmap(want);
        destroy_bitmap(got);
    }
}

// The map view as it was drawn before the pre-drawn layer: gradient strips, then every
// tile in view, left to right and bottom to top.
static void old_map_draw() {
    if (map.background)
        for (int dx = 0; dx < 640; dx += 16)
            blit(map.background, bbuffer, 0, map.camy, dx, 0, 16, 480);
    int cols = map.camx % 16 ? 41 : 40;
    int rows = map.camy % 16 ? 31 : 30;
    int lift = map.relief ? 4 : 0;
    for (int i = 0; i < cols; i++) {
        int c = i + map.camx / 16;
        if (c < 0 || c >= map.width / 16 || c >= MAP_MAX_CELLS) continue;
        for (int j = rows - 1; j >= 0; j--) {
            int r = j + map.camy / 16;
            if (r < 0 || r >= map.height / 16 || r >= MAP_MAX_CELLS) continue;
            char ch = map.grid[c][r];
            if (ch < 'a' || ch > 'z') continue;
            BITMAP *tile = map.tiles[ch - 'a'];
            if (tile)
                draw_sprite(bbuffer, tile, 16 * i - map.camx % 16, 16 * j - map.camy % 16 - lift);
        }
    }
}

// Views at every offset within a cell, along the edges and corners of the map and in
// between: the layer's view must equal the old drawing.
static void expect_same_map_views(const char *what) {
    BITMAP *want = create_bitmap(640, 480);
    int w = map.get_width() - 640, h = map.get_height() - 480;
    std::vector<std::pair<int, int>> views = {{0, 0}, {w, 0}, {0, h}, {w, h}, {w / 2, h / 2}};
    for (int i = 0; i < 16; i++) {
        views.push_back({i, (i * 7) % 16});
        views.push_back({w / 3 / 16 * 16 + i, h - (i * 5) % 16});
        views.push_back({w - i, h / 2 / 16 * 16 + i});
    }
    for (auto [x, y] : views) {
        if (x < 0 || y < 0 || x > w || y > h) continue;
        map.set_screen(x, y);
        clear_to_color(bbuffer, makecol(7, 7, 7));
        blit(bbuffer, want, 0, 0, 0, 0, 640, 480);
        BITMAP *keep = bbuffer;
        bbuffer = want;
        old_map_draw();
        bbuffer = keep;
        map.draw();
        ASSERT_EQ(0, differing(want, bbuffer)) << what << " view at " << x << "," << y;
    }
    destroy_bitmap(want);
}

TEST(MapLayer, EveryShippedMapLooksAsBefore) {
    load_real_data();
    map.load();
    ASSERT_GT(map.get_nm(), 0);
    for (int i = 0; i < map.get_nm(); i++) {
        char name[11];
        map.get_name(i, name);
        options.level = i;
        ASSERT_TRUE(map.init()) << name;
        ASSERT_TRUE(map.layer) << name;
        expect_same_map_views(name);
        map.deinit();
    }
    options = coptions();
}

TEST(MapLayer, OversizedTileImagesReachIntoTheViewAsBefore) {
    fresh_world();
    std::vector<std::string> rows(40, std::string(60, '.'));
    for (int r = 0; r < 40; r++)
        for (int c = 0; c < 60; c++)
            if ((r * 3 + c * 5) % 7 == 0) rows[r][c] = (r + c) % 3 ? 'a' : 'b';
    set_map(rows);
    BITMAP *big = create_bitmap(37, 29), *bg = create_bitmap(16, 640);
    for (int y = 0; y < 29; y++)
        for (int x = 0; x < 37; x++)
            putpixel(big, x, y, (x + y) % 5 ? makecol(x * 6, y * 8, 90) : makecol(255, 0, 255));
    for (int y = 0; y < 640; y++)
        hline(bg, 0, y, 15, makecol(0, y / 3, 100));
    map.tiles[0] = big;
    map.tiles[1] = load_bitmap("bmp/box.bmp", nullptr);
    map.background = bg;
    map.relief = false;
    map.prerender();
    expect_same_map_views("oversized tiles");
    map.deinit();
}
