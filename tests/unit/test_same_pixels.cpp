// The cheap ways of drawing show exactly what the plain ones did: idle screens that
// skip unchanged frames, the pixel doubler, the pre-drawn map, culled entities and
// laser spans, each compared pixel for pixel with the plain way on the real bitmaps.
#include <algorithm>
#include <allegro.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "match/drawrand.h"
#include "match/game.h"
#include "match/slices.h"
#include "match/sprite.h"
#include "match/turn.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "players/powerup.h"
#include "shell/credits.h"
#include "shell/data.h"
#include "shell/doubler.h"
#include "shell/idle.h"
#include "shell/input.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "support.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "weapons/weapon.h"
#include "world/barrel.h"
#include "world/box.h"
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

// Where the k-th entity of a spread goes, in view pixels: on one of the view's four edges
// or four corners, at a distance outside it from far off to just inside, and spaced so
// that entities drawn together do not cover each other.
static const int SPREAD = 128;
static void spread_place(int k, int &sx, int &sy) {
    static const int out[16] = {900, 60, 44, 32, 24, 18, 14, 11, 8, 6, 4, 3, 2, 1, 0, -3};
    int o = out[(k / 8) % 16], along = (k / 8) % 3;
    switch (k % 8) {
    case 0:
        sx = -o, sy = 100 + 90 * along;
        break;
    case 1:
        sx = 639 + o, sy = 130 + 90 * along;
        break;
    case 2:
        sx = 120 + 110 * along, sy = -o;
        break;
    case 3:
        sx = 150 + 110 * along, sy = 479 + o;
        break;
    case 4:
        sx = -o, sy = -o;
        break;
    case 5:
        sx = 639 + o, sy = -o;
        break;
    case 6:
        sx = -o, sy = 479 + o;
        break;
    default:
        sx = 639 + o, sy = 479 + o;
        break;
    }
}

// Fills up to eight slots of a pool with the spread's entities from k on, the rest free;
// returns how many were placed.
template <class T, int N, class F> static int spread_pool(T (&pool)[N], int k, F place) {
    int n = 0;
    for (int i = 0; i < N; i++) {
        pool[i].reset();
        if (n < 8 && k + n < SPREAD) {
            int sx, sy;
            spread_place(k + n, sx, sy);
            place(pool[i], (float)(map.camx + sx), (float)(map.camy + sy), k + n);
            n++;
        }
    }
    return n;
}

// The entities drawn into the 640x480 back buffer must look as drawing them into a
// larger one that takes in everything near the view, where nothing is left out.
static void expect_same_as_uncut(const char *what) {
    const int margin = 160;
    BITMAP *view = bbuffer, *wide = create_bitmap(640 + 2 * margin, 480 + 2 * margin);
    unsigned start = draw_rand_state();
    clear_to_color(view, makecol(20, 30, 40));
    game.draw_entities();
    unsigned after = draw_rand_state();

    set_draw_rand_state(start);
    clear_to_color(wide, makecol(20, 30, 40));
    bbuffer = wide;
    map.camx -= margin, map.camy -= margin;
    game.draw_entities();
    map.camx += margin, map.camy += margin;
    bbuffer = view;
    EXPECT_EQ(after, draw_rand_state()) << what << ": another number of random draws";
    BITMAP *middle = create_sub_bitmap(wide, margin, margin, 640, 480);
    EXPECT_EQ(0, differing(view, middle)) << what;
    destroy_bitmap(middle);
    destroy_bitmap(wide);
}

// Runs the spread through one pool, eight entities at a time.
template <class T, int N, class F>
static void check_spread(const char *what, T (&pool)[N], F place) {
    for (int k = 0; k < SPREAD;) {
        int n = spread_pool(pool, k, place);
        SCOPED_TRACE(testing::Message() << "entities from " << k);
        expect_same_as_uncut(what);
        k += n;
        if (::testing::Test::HasFailure()) break;
    }
    for (int i = 0; i < N; i++)
        pool[i].reset();
}

static float spread_angle(int k) { return (float)(k * 0.77 - 3.1); }

TEST(Culling, EntitiesAcrossAndBeyondTheViewEdgesDrawAsUncut) {
    load_real_data();
    fresh_world();
    set_map(std::vector<std::string>(80, std::string(120, '.')));
    map.camx = 400, map.camy = 300;
    check_spread("barrels", barrels, [](cbarrel &b, float x, float y, int) {
        b.init((int)x, (int)y);
        b.health = 50;
    });
    check_spread("blood", blood, [](cblood &b, float x, float y, int k) {
        b.init(x, y);
        b.frame = (char)(k & 1);
    });
    check_spread("boxes", boxes, [](cbox &b, float x, float y, int k) {
        b.init((int)x, (int)y);
        b.health = 40;
        if (k & 1) { // in planks, flying apart
            b.health = -1400;
            for (int i = 0; i < 4; i++) {
                b.plank_x[i] = x + (i - 2) * 5;
                b.plank_y[i] = y + (i & 1) * 7 - 3;
                b.plank_angle[i] = spread_angle(k + i);
            }
        }
    });
    check_spread("bullets", bullets, [](cbullet &b, float x, float y, int k) {
        b.init(spread_angle(k), x, y, 10, k & 1, nullptr);
        b.fresh = false;
    });
    check_spread("fire", fire, [](cfire &f, float x, float y, int k) {
        f.init(spread_angle(k), (int)x, (int)y, k & 1);
    });
    check_spread("flesh", flesh, [](cflesh &f, float x, float y, int k) {
        f.init(x, y, 1);
        f.spin = spread_angle(k);
    });
    check_spread("lasers", laser, [](claser &l, float x, float y, int k) {
        l.angle = spread_angle(k);
        l.x = x, l.y = y;
        l.length = 60 + 17 * (k % 5);
        l.timer = 1 + k % LASER_TICKS;
        l.owner = nullptr;
    });
    check_spread("particles", particles, [](cparticle &p, float x, float y, int k) {
        p.init(x, y, false);
        p.sprite = (char)(k & 1);
    });
    check_spread("players", players, [](cplayer &p, float x, float y, int k) {
        place_player((int)(&p - players), x, y);
        p.angle = spread_angle(k);
        p.leg_counter = (k % 5) * 100;
        p.hair = k % 3, p.shirt = k % 3, p.pants = (k / 3) % 3;
        p.select_weapon(1 + k % 9);
        p.weapon->angle = p.angle;
        p.weapon->x = x + 7, p.weapon->y = y + 10;
    });
    check_spread("hand grenades", grenades1, [](cgrenade1 &g, float x, float y, int k) {
        g.init(x, y, 0, 0, nullptr);
        g.spin = spread_angle(k);
    });
    check_spread("launched grenades", grenades2,
                 [](cgrenade2 &g, float x, float y, int) { g.init(x, y, 0, nullptr); });
    check_spread("power-ups", powerups,
                 [](cpowerup &p, float x, float y, int k) { p.init(x, y, k % 5); });
    check_spread("rockets", rockets, [](crocket &r, float x, float y, int k) {
        r.init(spread_angle(k), x, y, k & 1, nullptr);
    });
    check_spread("shells", shells, [](cshell &s, float x, float y, int k) {
        s.init(x, y, k & 1, k & 2);
        s.spin = spread_angle(k);
    });
    check_spread("smoke", smoke, [](csmoke &s, float x, float y, int k) {
        s.init(x, y);
        s.shade = 254 - k;
    });
    check_spread("flames", flames1, [](cflame1 &f, float x, float y, int k) {
        f.init(x, y, k & 1);
        f.lifetime = k % 30;
    });
    check_spread("flamethrower flames", flames2, [](cflame2 &f, float x, float y, int k) {
        f.init(x, y, 0, nullptr);
        f.age = 10 + k % 50;
    });
    fresh_world();
}

// The beam as it was drawn before runs: one 2x2 square per shown step.
static void old_laser_draw(const claser &l) {
    if (l.timer <= 0) return;
    int colour = makecol(255, 128, 0);
    int odds = 51 - l.timer;
    float qx = l.x, qy = l.y;
    for (int n = 0; n < l.length; n++) {
        bool shown = odds > 0 ? draw_rand() % odds <= 4 : true;
        if (shown) {
            int sx = (int)qx - map.get_xs();
            int sy = (int)qy - map.get_ys();
            int sy2 = draw_rand() & 1 ? sy + 1 : sy - 1;
            int sx2 = draw_rand() & 1 ? sx + 1 : sx - 1;
            rectfill(bbuffer, sx, sy, sx2, sy2, colour);
        }
        qx = (float)(qx + cos((double)l.angle));
        qy = (float)(qy + sin((double)l.angle));
    }
}

TEST(LaserRuns, BeamsShowTheSquaresTheyAlwaysShowedWithTheSameRandomDraws) {
    load_real_data();
    fresh_world();
    map.camx = 1000, map.camy = 700;
    BITMAP *want = create_bitmap(640, 480), *view = bbuffer, *blank = create_bitmap(640, 480);
    clear_to_color(blank, 0);
    const float angles[] = {0.0f,  3.14159f, 1.5708f, -1.5708f, 0.7854f, 2.3562f, -0.05f,
                            1.52f, -2.9f,    0.46f,   1.1f,     -1.1f,   2.0f,    -0.7853f};
    const int starts[][2] = {{1320, 940}, {1000, 700}, {1639, 1179},
                             {900, 650},  {1700, 800}, {1300, 1200}};
    int lit = 0; // beams that showed any pixel
    for (float a : angles)
        for (auto &s : starts)
            for (int timer : {LASER_TICKS, 30, 1})
                for (int length : {0, 1, 5, 120, 900}) {
                    claser l{};
                    l.angle = a;
                    l.x = (float)s[0] + 0.37f, l.y = (float)s[1] + 0.61f;
                    l.length = length;
                    l.timer = timer;
                    SCOPED_TRACE(testing::Message()
                                 << "angle " << a << " from " << s[0] << "," << s[1] << " timer "
                                 << timer << " length " << length);
                    unsigned start = draw_rand_state();
                    clear_to_color(want, 0);
                    bbuffer = want;
                    old_laser_draw(l);
                    unsigned after = draw_rand_state();
                    set_draw_rand_state(start);
                    bbuffer = view;
                    clear_to_color(view, 0);
                    l.draw();
                    EXPECT_EQ(after, draw_rand_state());
                    ASSERT_EQ(0, differing(want, view));
                    lit += differing(blank, view) > 0;
                }
    EXPECT_GT(lit, 200);
    // The beam inside a clipping rectangle, as the squares were.
    claser l{};
    l.angle = 0.3f, l.x = 1010, l.y = 720, l.length = 700, l.timer = LASER_TICKS;
    set_clip_rect(want, 40, 30, 300, 200);
    set_clip_rect(view, 40, 30, 300, 200);
    unsigned start = draw_rand_state();
    clear_to_color(want, 0);
    clear_to_color(view, 0);
    bbuffer = want;
    old_laser_draw(l);
    set_draw_rand_state(start);
    bbuffer = view;
    l.draw();
    EXPECT_EQ(0, differing(want, view));
    set_clip_rect(view, 0, 0, 639, 479);
    destroy_bitmap(want);
    destroy_bitmap(blank);
}

TEST(HudSlices, BarsShowWhatDrawingEverySliceShowed) {
    load_real_data();
    srand(11);
    BITMAP *background = noise(32);
    BITMAP *want = create_bitmap(640, 480), *got = create_bitmap(640, 480);
    BITMAP *odd = create_bitmap(3, 5); // wider than a pixel: the slices overlap
    cslices slices;
    // Lengths that grow, shrink, repeat and vanish; sprites swapped and repainted in place.
    const int lengths[] = {5, 100, 37, 37, 1, 0, 120, 99, 5};
    for (int round = 0; round < 3; round++)
        for (int n : lengths) {
            BITMAP *slice = round == 0 ? bhealth : odd;
            if (round > 0)
                for (int y = 0; y < 5; y++)
                    for (int x = 0; x < 3; x++)
                        putpixel(odd, x, y,
                                 (x + y + round) % 3 ? makecol(40 * x, 50 * y, 60 * round)
                                                     : bitmap_mask_color(odd));
            SCOPED_TRACE(testing::Message() << "round " << round << ", length " << n);
            blit(background, want, 0, 0, 0, 0, 640, 480);
            blit(background, got, 0, 0, 0, 0, 640, 480);
            for (int i = 0; i < n; i++)
                draw_sprite(want, slice, 560 + i, 14 + round);
            slices.draw(got, slice, n, 560, 14 + round); // runs off the right edge too
            EXPECT_EQ(0, differing(want, got));
        }
    slices.drop();
    destroy_bitmap(odd);
    destroy_bitmap(background);
    destroy_bitmap(want);
    destroy_bitmap(got);
}

// Rows that differ between two bitmaps of one size and depth.
static int differing_rows(BITMAP *a, BITMAP *b) {
    int n = 0, bytes = a->w * ((bitmap_color_depth(a) + 7) / 8);
    for (int y = 0; y < a->h; y++)
        n += memcmp(a->line[y], b->line[y], bytes) != 0;
    return n;
}

TEST(MaskedSprite, DrawsWhatTheLibrarysSpriteDrawDraws) {
    headless();
    srand(21);
    for (int depth : {32, 16}) {
        BITMAP *background = noise(depth);
        BITMAP *want = create_bitmap_ex(depth, 640, 480), *got = create_bitmap_ex(depth, 640, 480);
        // Sprites of several widths (and the remainder after groups of four), a third of
        // their pixels see-through, some with the top byte set.
        for (int w : {1, 3, 4, 7, 16, 154}) {
            BITMAP *sprite = create_bitmap_ex(depth, w, 9);
            for (int y = 0; y < 9; y++)
                for (int x = 0; x < w; x++) {
                    int c = makecol_depth(depth, rand() & 255, rand() & 255, rand() & 255);
                    if (depth == 32 && rand() % 5 == 0) c |= 0x7f000000;
                    putpixel(sprite, x, y, rand() % 3 ? c : bitmap_mask_color(sprite));
                }
            const int places[][2] = {{10, 10},   {-w + 1, 5}, {-w, 5},    {636, 470},
                                     {639, 471}, {640, 0},    {300, -8},  {300, -9},
                                     {-3, -4},   {200, 479},  {200, 480}, {638 - w, 200}};
            for (bool clipped : {false, true})
                for (auto &p : places) {
                    SCOPED_TRACE(testing::Message()
                                 << depth << " bits, width " << w << " at " << p[0] << "," << p[1]
                                 << (clipped ? ", clipped" : ""));
                    if (clipped) {
                        set_clip_rect(want, 5, 3, 600, 470);
                        set_clip_rect(got, 5, 3, 600, 470);
                    }
                    blit(background, want, 0, 0, 0, 0, 640, 480);
                    blit(background, got, 0, 0, 0, 0, 640, 480);
                    draw_sprite(want, sprite, p[0], p[1]);
                    masked_sprite(got, sprite, p[0], p[1]);
                    set_clip_rect(want, 0, 0, 639, 479);
                    set_clip_rect(got, 0, 0, 639, 479);
                    ASSERT_EQ(0, differing_rows(want, got));
                }
            destroy_bitmap(sprite);
        }
        destroy_bitmap(background);
        destroy_bitmap(want);
        destroy_bitmap(got);
    }
}

TEST(Doubler, InPlaceRowsMatchTheStretchedPictureOrRefuse) {
    headless();
    srand(8);
    BITMAP *src = noise(32);
    BITMAP *want = create_bitmap(1280, 960), *got = create_bitmap(1280, 960);
    // The window's shake offsets (even, right and down), and a smaller window.
    const int offsets[][2] = {{0, 0}, {2, 0}, {0, 4}, {4, 2}, {100, 300}};
    for (auto &o : offsets) {
        SCOPED_TRACE(testing::Message() << "offset " << o[0] << "," << o[1]);
        clear_to_color(want, makecol(9, 8, 7)); // uncovered edges keep what was there
        clear_to_color(got, makecol(9, 8, 7));
        stretch_blit(src, want, 0, 0, 640, 480, o[0], o[1], 1280, 960);
        int w = 0, h = 0;
        ASSERT_TRUE(double_rows_in_place(src, got, o[0], o[1], w, h));
        EXPECT_EQ(0, differing(want, got));
        EXPECT_EQ(std::min(1280, 1280 - o[0]), w); // the rectangle the window must show
        EXPECT_EQ(std::min(960, 960 - o[1]), h);
    }
    int w = 0, h = 0;
    EXPECT_FALSE(double_rows_in_place(src, got, 1, 0, w, h)); // odd: half blocks
    EXPECT_FALSE(double_rows_in_place(src, got, 0, -2, w, h));
    EXPECT_FALSE(double_rows_in_place(src, got, 1280, 0, w, h));
    BITMAP *narrow = create_bitmap(1279, 960), *deep = create_bitmap_ex(16, 1280, 960);
    EXPECT_FALSE(double_rows_in_place(src, narrow, 0, 0, w, h)); // the last block cut in half
    EXPECT_FALSE(double_rows_in_place(src, deep, 0, 0, w, h));
    destroy_bitmap(narrow);
    destroy_bitmap(deep);
    destroy_bitmap(src);
    destroy_bitmap(want);
    destroy_bitmap(got);
}

TEST(TurnedSprites, DrawAsTheLibrarysPivotAndRotate) {
    load_real_data();
    BITMAP *want = create_bitmap(640, 480), *got = create_bitmap(640, 480);
    BITMAP *sprites[] = {bbullet[0], brocket[1], bflesh, bplank, barms[3], bsniper_rifle};
    for (BITMAP *s : sprites)
        for (int a = -300; a <= 300; a += 37) {
            fixed angle = ftofix((double)a);
            SCOPED_TRACE(testing::Message() << s->w << "x" << s->h << " sprite, angle " << a);
            for (bool flip : {false, true}) {
                clear_to_color(want, makecol(1, 2, 3));
                clear_to_color(got, makecol(1, 2, 3));
                if (flip)
                    pivot_sprite_v_flip(want, s, 100, 90, 3, 2, angle);
                else
                    pivot_sprite(want, s, 100, 90, 3, 2, angle);
                turn_sprite(got, s, 100, 90, 3, 2, angle, flip);
                rotate_sprite(want, s, 300, 2, angle); // across the top edge
                spin_sprite(got, s, 300, 2, angle);
                ASSERT_EQ(0, differing(want, got)) << (flip ? "flipped" : "");
            }
        }
    destroy_bitmap(want);
    destroy_bitmap(got);
}
