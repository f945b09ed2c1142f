// The generated bitmaps: every file the game loads exists, fits the geometry
// the drawing code assumes, and uses magenta for transparency.
#include <allegro.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <math.h>
#include <string>

#include "shell/options.h"
#include "support.h"
#include "world/map.h"

namespace {

struct expected_size {
    const char* name;
    int min_w, max_w, min_h, max_h;
};

// Sizes the drawing code relies on (positions, pivots, hit areas).
const expected_size sizes[] = {
    {"ammo", 1, 1, 6, 9},           {"ammo_bar", 139, 150, 12, 18},
    {"arms_b1", 6, 10, 3, 3},       {"arms_b2", 11, 15, 5, 6},
    {"arms_g1", 6, 10, 3, 3},       {"arms_g2", 11, 15, 5, 6},
    {"arms_r1", 6, 10, 3, 3},       {"arms_r2", 11, 15, 5, 6},
    {"barrel", 16, 16, 16, 16},     {"blood_1", 2, 2, 2, 2},
    {"blood_2", 2, 2, 2, 2},        {"body_b", 7, 9, 9, 11},
    {"body_g", 7, 9, 9, 11},        {"body_r", 7, 9, 9, 11},
    {"box", 16, 16, 16, 16},        {"bullet_1", 10, 14, 1, 2},
    {"bullet_2", 10, 14, 1, 2},     {"credits", 640, 640, 480, 480},
    {"cross", 5, 5, 5, 5},          {"crosshair", 9, 15, 9, 15},
    {"cursor", 8, 12, 10, 16},      {"fire_1", 6, 10, 5, 5},
    {"fire_2", 8, 12, 7, 7},        {"flamethrower", 22, 28, 6, 8},
    {"flesh", 5, 5, 5, 5},          {"grenade_1", 4, 6, 3, 5},
    {"grenade_2", 5, 5, 5, 5},      {"grenade_icon", 5, 9, 5, 9},
    {"grenade_launcher", 20, 26, 7, 9}, {"gun", 8, 11, 3, 5},
    {"head_black", 5, 7, 6, 7},     {"head_brown", 5, 7, 6, 7},
    {"head_yellow", 5, 7, 6, 7},    {"health", 1, 1, 6, 9},
    {"health_bar", 153, 160, 12, 18}, {"indicator", 6, 10, 8, 12},
    {"kills", 1, 1, 6, 9},          {"kills_bar", 146, 155, 12, 18},
    {"legs_b1", 10, 14, 12, 12},    {"legs_b2", 10, 17, 12, 12},
    {"legs_b3", 10, 17, 12, 12},    {"legs_b4", 10, 17, 12, 12},
    {"legs_g1", 10, 14, 12, 12},    {"legs_g2", 10, 17, 12, 12},
    {"legs_g3", 10, 17, 12, 12},    {"legs_g4", 10, 17, 12, 12},
    {"legs_r1", 10, 14, 12, 12},    {"legs_r2", 10, 17, 12, 12},
    {"legs_r3", 10, 17, 12, 12},    {"legs_r4", 10, 17, 12, 12},
    {"lost", 196, 196, 24, 40},     {"machine_gun", 18, 24, 7, 9},
    {"menu", 640, 640, 480, 480},   {"minigun_1", 20, 26, 5, 7},
    {"minigun_2", 20, 26, 5, 7},    {"options", 640, 640, 480, 480},
    {"particle_1", 2, 3, 2, 3},     {"particle_2", 2, 3, 2, 3},
    {"plank", 12, 16, 2, 4},        {"powerup_1", 10, 10, 10, 10},
    {"powerup_2", 10, 10, 10, 10},  {"powerup_3", 10, 10, 10, 10},
    {"powerup_4", 10, 10, 10, 10},  {"powerup_5", 10, 10, 10, 10},
    {"replays", 640, 640, 480, 480},
    {"rocket_1", 12, 12, 4, 5},     {"rocket_2", 12, 12, 4, 5},
    {"rocket_launcher", 20, 26, 4, 6}, {"shell_1", 2, 4, 1, 2},
    {"shell_2", 3, 5, 2, 2},        {"shotgun", 20, 26, 6, 8},
    {"sniper_rifle", 20, 26, 6, 8}, {"weapons", 174, 174, 190, 200},
    {"won", 188, 188, 24, 40},
};

BITMAP* load(const std::string& name)
{
    return load_bitmap(("bmp/" + name + ".bmp").c_str(), NULL);
}

bool is_magenta(BITMAP* b, int x, int y)
{
    int c = getpixel(b, x, y);
    return getr(c) == 255 && getg(c) == 0 && getb(c) == 255;
}

int brightness(BITMAP* b, int x, int y)
{
    int c = getpixel(b, x, y);
    return (getr(c) + getg(c) + getb(c)) / 3;
}

} // namespace

TEST(Art, EveryBitmapExistsWithUsableSize)
{
    headless();
    EXPECT_EQ(74u, sizeof(sizes) / sizeof(sizes[0]));
    for (const expected_size& s : sizes) {
        BITMAP* b = load(s.name);
        ASSERT_NE(nullptr, b) << s.name;
        EXPECT_GE(b->w, s.min_w) << s.name;
        EXPECT_LE(b->w, s.max_w) << s.name;
        EXPECT_GE(b->h, s.min_h) << s.name;
        EXPECT_LE(b->h, s.max_h) << s.name;
        destroy_bitmap(b);
    }
}

TEST(Art, RotatedSpritesAreTransparentAroundTheirShapeAndHoldTheirPivots)
{
    headless();
    const char* colours = "bgr";
    for (int i = 0; i < 3; i++) {
        std::string c(1, colours[i]);
        BITMAP* one = load("arms_" + c + "1");
        BITMAP* two = load("arms_" + c + "2");
        ASSERT_TRUE(one && two);
        // the shoulder pixels the game pivots about are part of the arm
        EXPECT_FALSE(is_magenta(one, 0, 1));
        EXPECT_FALSE(is_magenta(two, 6, 1));
        // facing left the game flips the image and pivots about (6,4): the same shoulder
        EXPECT_EQ(6, two->h);
        EXPECT_TRUE(is_magenta(two, 0, 0));
        EXPECT_TRUE(is_magenta(two, two->w - 1, two->h - 1));
        destroy_bitmap(one);
        destroy_bitmap(two);
    }
    const char* weapons[] = {"gun", "machine_gun", "shotgun", "minigun_1", "minigun_2", "sniper_rifle",
                             "flamethrower", "grenade_launcher", "head_black", "indicator", "cursor"};
    for (const char* w : weapons) {
        BITMAP* b = load(w);
        ASSERT_NE(nullptr, b) << w;
        EXPECT_TRUE(is_magenta(b, b->w - 1, 0) || is_magenta(b, b->w - 1, b->h - 1)) << w;
        EXPECT_TRUE(is_magenta(b, 0, b->h - 1) || is_magenta(b, b->w - 1, b->h - 1)) << w;
        destroy_bitmap(b);
    }
}

TEST(Art, ScreensCarryTheirControlsWhereTheGameTestsClicks)
{
    headless();
    BITMAP* menu = load("menu");
    ASSERT_NE(nullptr, menu);
    const int button_y[] = {183, 214, 245, 276};
    for (int y1 : button_y) {
        // a button has both light lettering and a darker face inside its rectangle
        int lit = 0, dark = 0;
        for (int y = y1; y <= y1 + 20; y++)
            for (int x = 260; x <= 379; x++) {
                int v = brightness(menu, x, y);
                lit += v > 170;
                dark += v < 110;
            }
        EXPECT_GT(lit, 40) << "button at y " << y1;
        EXPECT_GT(dark, 400) << "button at y " << y1;
    }
    destroy_bitmap(menu);

    // value fields must be dark so the white values stay readable
    BITMAP* options = load("options");
    ASSERT_NE(nullptr, options);
    const int fields[][2] = {{226, 115}, {226, 161}, {226, 207}, {226, 253}, {226, 299}, {353, 115},
                             {353, 161}, {353, 207}, {353, 253}, {353, 299}};
    for (const auto& f : fields)
        for (int x = f[0] - 79; x <= f[0]; x += 3)
            for (int y = f[1]; y < f[1] + 8; y += 2)
                ASSERT_LT(brightness(options, x, y), 70) << "field at " << f[0] << "," << f[1];
    destroy_bitmap(options);

    BITMAP* credits = load("credits");
    ASSERT_NE(nullptr, credits);
    int c = getpixel(credits, 272, 236);
    for (int y = 236; y < 244; y++)
        for (int x = 272; x < 368; x++)
            ASSERT_EQ(c, getpixel(credits, x, y)) << "name area must be plain at " << x << "," << y;
    EXPECT_LT(brightness(credits, 272, 236), 50);
    destroy_bitmap(credits);

    // the HUD troughs start where the game draws its columns
    BITMAP* bar = load("health_bar");
    ASSERT_NE(nullptr, bar);
    EXPECT_LT(brightness(bar, 101 - 49, 14 - 10), 60);
    EXPECT_LT(brightness(bar, 200 - 49, 21 - 10), 60);
    destroy_bitmap(bar);
}

namespace {

// Relative luminance of a colour, 0 (black) to 1 (white), as readability guides use.
double luminance(int c)
{
    double v[3] = {getr(c) / 255.0, getg(c) / 255.0, getb(c) / 255.0};
    for (double& x : v)
        x = x <= 0.03928 ? x / 12.92 : pow((x + 0.055) / 1.055, 2.4);
    return 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2];
}

double contrast(int a, int b)
{
    double la = luminance(a), lb = luminance(b);
    if (la < lb)
        std::swap(la, lb);
    return (la + 0.05) / (lb + 0.05);
}

// The weaker of the crosshair's two chances (outline or core) to stand out on c.
double best_contrast(int outline, int core, int c)
{
    return std::max(contrast(outline, c), contrast(core, c));
}

} // namespace

// In every row of the weapon choice, the weapon's picture stands apart from its name:
// the rightmost run of drawn columns after a gap of two blank ones is the picture alone.
TEST(Art, EveryWeaponNameKeepsClearOfItsPicture)
{
    headless();
    BITMAP* b = load("weapons");
    ASSERT_NE(nullptr, b);
    for (int row = 0; row < 8; row++) {
        int top = 21 + row * 21, background = getpixel(b, 3, top + 1);
        auto blank = [&](int x) {
            for (int y = top + 1; y < top + 19; y++)
                if (getpixel(b, x, y) != background) return false;
            return true;
        };
        int right = 171;
        while (right > 20 && blank(right)) right--;
        int left = right;
        while (left > 20 && !(blank(left - 1) && blank(left - 2))) left--;
        EXPECT_LE(right - left + 1, 28) << "row " << row + 1 << ": the name runs into the picture";
    }
    destroy_bitmap(b);
}

TEST(Art, CrosshairStandsOutOnEveryMapsSkyAndTiles)
{
    headless();
    BITMAP* cross = load("crosshair");
    ASSERT_NE(nullptr, cross);
    // Odd-sized so that one pixel is its centre, and at least 9x9.
    EXPECT_GE(cross->w, 9);
    EXPECT_GE(cross->h, 9);
    EXPECT_EQ(1, cross->w % 2);
    EXPECT_EQ(1, cross->h % 2);
    // The darkest pixel is the outline, the brightest the core; the core is enclosed
    // by outline (no core pixel touches a transparent one or the edge).
    int outline = -1, core = -1;
    for (int y = 0; y < cross->h; y++)
        for (int x = 0; x < cross->w; x++) {
            if (is_magenta(cross, x, y))
                continue;
            int c = getpixel(cross, x, y);
            if (outline < 0 || luminance(c) < luminance(outline))
                outline = c;
            if (core < 0 || luminance(c) > luminance(core))
                core = c;
        }
    ASSERT_GE(outline, 0);
    EXPECT_GE(contrast(outline, core), 10.0);
    EXPECT_EQ(core, getpixel(cross, cross->w / 2, cross->h / 2)) << "a bright centre";
    for (int y = 0; y < cross->h; y++)
        for (int x = 0; x < cross->w; x++) {
            if (getpixel(cross, x, y) != core)
                continue;
            const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
            for (const auto& n : d) {
                int nx = x + n[0], ny = y + n[1];
                ASSERT_TRUE(nx >= 0 && ny >= 0 && nx < cross->w && ny < cross->h) << x << "," << y;
                EXPECT_FALSE(is_magenta(cross, nx, ny)) << "core open at " << x << "," << y;
            }
        }

    // Every colour of every map's sky gradient and tiles (as the game builds them).
    fresh_world();
    map.load();
    ASSERT_GT(map.get_nm(), 0);
    for (int m = 0; m < map.get_nm(); m++) {
        options.level = m;
        ASSERT_TRUE(map.init()) << map.names[m];
        double worst = 100;
        int worst_colour = 0;
        auto check = [&](int c) {
            double k = best_contrast(outline, core, c);
            if (k < worst) {
                worst = k;
                worst_colour = c;
            }
        };
        for (int y = 0; y < map.background->h; y++)
            check(getpixel(map.background, 0, y));
        for (BITMAP* t : map.tiles)
            if (t)
                for (int y = 0; y < t->h; y++)
                    for (int x = 0; x < t->w; x++)
                        if (!is_magenta(t, x, y))
                            check(getpixel(t, x, y));
        EXPECT_GE(worst, 3.0) << map.names[m] << ": colour " << getr(worst_colour) << ","
                              << getg(worst_colour) << "," << getb(worst_colour);
        map.deinit();
    }
    options = coptions();
    destroy_bitmap(cross);
}

TEST(Art, ToolRefusesMalformedSources)
{
    char dir[] = "/tmp/krag_art_test_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string src = dir;
    FILE* f = fopen((src + "/palette.txt").c_str(), "w");
    fputs("colour 0 0 0 0\n", f);
    fclose(f);
    f = fopen((src + "/variants.txt").c_str(), "w");
    fclose(f);
    // a row one pixel short
    f = fopen((src + "/bad.art").c_str(), "w");
    fputs("size 3 2\npixels\n000\n00\n", f);
    fclose(f);
    std::string cmd = "./krag-art " + src + " " + src + "/out 2>/dev/null";
    EXPECT_NE(0, system(cmd.c_str()));
    // an undefined colour character
    f = fopen((src + "/bad.art").c_str(), "w");
    fputs("size 2 1\npixels\n0Q\n", f);
    fclose(f);
    EXPECT_NE(0, system(cmd.c_str()));
    // well-formed art alone is not enough: the game's pictures are missing
    f = fopen((src + "/bad.art").c_str(), "w");
    fputs("size 2 1\ncolour Q 1 2 3\npixels\n0Q\n", f);
    fclose(f);
    EXPECT_NE(0, system(cmd.c_str()));
    system(("rm -rf " + src).c_str());
}
