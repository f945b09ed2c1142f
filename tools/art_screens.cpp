// The procedural pictures: HUD frames, weapon selector, result banners and the
// three full screens, built from primitives, the 8x8 font and the .art sprites.
#include "art.h"
#include "shell/controls.h"
#include "shell/input.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int rgb(int r, int g, int b)
{
    return makecol32(r, g, b);
}

int pal(unsigned char c)
{
    if (!shared_palette.has(c))
        art_fail("palette.txt", 0, "the screens need colour '%c'", c);
    return rgb(shared_palette.r[c], shared_palette.g[c], shared_palette.b[c]);
}

static int mix(int a, int b, int num, int den)
{
    if (den <= 0)
        return a;
    return rgb(getr32(a) + (getr32(b) - getr32(a)) * num / den,
               getg32(a) + (getg32(b) - getg32(a)) * num / den,
               getb32(a) + (getb32(b) - getb32(a)) * num / den);
}

static int magenta()
{
    return rgb(MAGENTA_R, MAGENTA_G, MAGENTA_B);
}

static BITMAP* new_bitmap(int w, int h, int fill)
{
    BITMAP* b = create_bitmap_ex(32, w, h);
    clear_to_color(b, fill);
    return b;
}

static BITMAP* sprite(const char* name)
{
    BITMAP* b = find_picture(name);
    if (!b)
        art_fail(name, 0, "the screens need the sprite %s.art", name);
    return b;
}

void vgradient(BITMAP* dst, int x1, int y1, int x2, int y2, int top, int bottom)
{
    for (int y = y1; y <= y2; y++)
        hline(dst, x1, y, x2, mix(top, bottom, y - y1, y2 - y1));
}

void bevel_box(BITMAP* dst, int x1, int y1, int x2, int y2, int face, int light, int dark, int edge)
{
    rectfill(dst, x1, y1, x2, y2, face);
    hline(dst, x1 + 1, y1 + 1, x2 - 1, light);
    vline(dst, x1 + 1, y1 + 1, y2 - 1, light);
    hline(dst, x1 + 1, y2 - 1, x2 - 1, dark);
    vline(dst, x2 - 1, y1 + 1, y2 - 1, dark);
    rect(dst, x1, y1, x2, y2, edge);
}

// A sunken field: dark inside, shadowed top-left, lit bottom-right.
static void sunken_box(BITMAP* dst, int x1, int y1, int x2, int y2, int face)
{
    rectfill(dst, x1, y1, x2, y2, face);
    hline(dst, x1, y1, x2, pal('0'));
    vline(dst, x1, y1, y2, pal('0'));
    hline(dst, x1 + 1, y2, x2, pal('='));
    vline(dst, x2, y1 + 1, y2, pal('='));
}

void text_small(BITMAP* dst, const char* s, int x, int y, int col, int shadow)
{
    if (shadow >= 0)
        textout_ex(dst, font, s, x + 1, y + 1, shadow, -1);
    textout_ex(dst, font, s, x, y, col, -1);
}

static void text_small_centre(BITMAP* dst, const char* s, int cx, int y, int col, int shadow)
{
    text_small(dst, s, cx - text_length(font, s) / 2, y, col, shadow);
}

int text_big_width(const char* s, int scale, int advance)
{
    int n = strlen(s);
    return n ? ((n - 1) * advance + 7) * scale : 0;
}

// Text from the 8x8 font blown up by scale, letters advance px apart (7 packs
// them tighter than the font's 8), shaded top to bottom, with an outline and a
// drop shadow (-1 for none).
void text_big(BITMAP* dst, const char* s, int x, int y, int scale, int advance, int top, int bottom,
              int outline, int shadow)
{
    int n = strlen(s);
    int w = (n * advance + 8);
    BITMAP* mask = new_bitmap(w, 8, 0);
    for (int i = 0; i < n; i++) {
        char one[2] = {s[i], 0};
        textout_ex(mask, font, one, i * advance, 0, rgb(255, 255, 255), -1);
    }
    for (int pass = 0; pass < 3; pass++) {
        for (int gy = 0; gy < 8; gy++) {
            for (int gx = 0; gx < w; gx++) {
                if (getpixel(mask, gx, gy) == 0)
                    continue;
                int px = x + gx * scale, py = y + gy * scale;
                if (pass == 0 && shadow >= 0)
                    rectfill(dst, px + 2, py + 2, px + scale + 2, py + scale + 2, shadow);
                else if (pass == 1 && outline >= 0)
                    rectfill(dst, px - 1, py - 1, px + scale, py + scale, outline);
                else if (pass == 2) {
                    for (int yy = 0; yy < scale; yy++)
                        hline(dst, px, py + yy, px + scale - 1, mix(top, bottom, gy * scale + yy, 8 * scale - 1));
                }
            }
        }
    }
    destroy_bitmap(mask);
}

static void text_big_centre(BITMAP* dst, const char* s, int cx, int y, int scale, int advance, int top,
                            int bottom, int outline, int shadow)
{
    text_big(dst, s, cx - text_big_width(s, scale, advance) / 2, y, scale, advance, top, bottom, outline,
             shadow);
}

// ---------------------------------------------------------------- players

// The game's grip table: where a weapon's pivot sits relative to its owner.
static const float grip_ax[2][10] = {{0, 6, 7, 7, 8, 8, 7, 7, 7, 8}, {0, 9, 8, 7, 7, 7, 8, 8, 8, 7}};
static const float grip_ay[2][10] = {{0, 9, 7, 7, 7, 7, 9, 6, 7, 7}, {0, 10, 7, 8, 8, 8, 10, 7, 8, 8}};
static const float grip_r[] = {0, 6.4f, 9.85f, 8.06f, 6.4f, 6.71f, 10.3f, 5.66f, 8.54f, 6.71f};
static const float grip_phi[] = {0, 0.67f, 0.42f, 0.52f, 0.67f, 0.46f, 2.63f, 0.79f, 0.36f, 0.46f};
static const int grip_cy[] = {0, 2, 6, 5, 4, 5, 3, 5, 6, 5};

static const char* const weapon_sprite[] = {"", "gun", "machine_gun", "shotgun", "minigun_1",
                                            "sniper_rifle", "rocket_launcher", "flamethrower",
                                            "grenade_launcher", "sniper_rifle"};

// Draws a player aiming level the way the game does, body box top-left at (sx, sy).
static void draw_player(BITMAP* dst, int sx, int sy, bool left, char shirt, char pants, const char* hair,
                        int kind, int frame)
{
    static const int leg_dx[2][5] = {{0, 0, -1, -3, -2}, {0, 0, 0, -3, -1}};
    char name[32];
    snprintf(name, sizeof(name), "head_%s", hair);
    if (left)
        draw_sprite_h_flip(dst, sprite(name), sx + 4, sy);
    else
        draw_sprite(dst, sprite(name), sx + 5, sy);
    snprintf(name, sizeof(name), "body_%c", shirt);
    if (left)
        draw_sprite_h_flip(dst, sprite(name), sx + 3, sy + 6);
    else
        draw_sprite(dst, sprite(name), sx + 3, sy + 6);
    snprintf(name, sizeof(name), "legs_%c%d", pants, frame);
    if (left)
        draw_sprite_h_flip(dst, sprite(name), sx + leg_dx[1][frame], sy + 16);
    else
        draw_sprite(dst, sprite(name), sx + leg_dx[0][frame], sy + 16);
    bool one_hand = kind == 1 || kind == 6;
    snprintf(name, sizeof(name), "arms_%c%d", shirt, one_hand ? 1 : 2);
    float angle = left ? M_PI : 0;
    fixed rot = ftofix(angle * 40.74);
    if (left) {
        if (one_hand)
            pivot_sprite_v_flip(dst, sprite(name), sx + 7, sy + 10, 0, 1, rot);
        else
            pivot_sprite_v_flip(dst, sprite(name), sx + 7, sy + 8, 6, 4, rot);
    } else {
        if (one_hand)
            pivot_sprite(dst, sprite(name), sx + 7, sy + 9, 0, 1, rot);
        else
            pivot_sprite(dst, sprite(name), sx + 7, sy + 7, 6, 1, rot);
    }
    int f = left ? 1 : 0;
    float phi = left ? grip_phi[kind] : -grip_phi[kind];
    int px = (int)(sx + grip_ax[f][kind] + grip_r[kind] * cos(angle + phi));
    int py = (int)(sy + grip_ay[f][kind] + grip_r[kind] * sin(angle + phi));
    if (left)
        pivot_sprite_v_flip(dst, sprite(weapon_sprite[kind]), px, py, 0, grip_cy[kind], rot);
    else
        pivot_sprite(dst, sprite(weapon_sprite[kind]), px, py, 0, 0, rot);
}

// A player blown up by scale onto dst.
static void big_player(BITMAP* dst, int x, int y, int scale, bool left, char shirt, char pants,
                       const char* hair, int kind, int frame)
{
    BITMAP* tmp = new_bitmap(48, 32, magenta());
    draw_player(tmp, 17, 2, left, shirt, pants, hair, kind, frame);
    stretch_sprite(dst, tmp, x, y, 48 * scale, 32 * scale);
    destroy_bitmap(tmp);
}

static void big_sprite(BITMAP* dst, const char* name, int x, int y, int scale)
{
    BITMAP* s = sprite(name);
    stretch_sprite(dst, s, x, y, s->w * scale, s->h * scale);
}

// ---------------------------------------------------------------- scenery

// Night sky with stars, fading to a warm glow at the horizon.
static void backdrop(BITMAP* b, unsigned seed)
{
    srand(seed);
    vgradient(b, 0, 0, 639, 299, rgb(8, 10, 24), rgb(34, 26, 54));
    vgradient(b, 0, 300, 639, 479, rgb(34, 26, 54), rgb(96, 48, 42));
    for (int i = 0; i < 140; i++) {
        int x = rand() % 640, y = rand() % 300, v = 90 + rand() % 160;
        putpixel(b, x, y, rgb(v, v, v + (255 - v) / 2));
        if (rand() % 9 == 0) {
            putpixel(b, x + 1, y, rgb(v / 2, v / 2, v / 2));
            putpixel(b, x - 1, y, rgb(v / 2, v / 2, v / 2));
            putpixel(b, x, y + 1, rgb(v / 2, v / 2, v / 2));
            putpixel(b, x, y - 1, rgb(v / 2, v / 2, v / 2));
        }
    }
    // far hills
    int h1 = 360, h2 = 390;
    for (int x = 0; x < 640; x++) {
        int y1 = h1 - (int)(28 * sin(x / 57.0) + 14 * sin(x / 23.0 + 1.3));
        vline(b, x, y1, 479, rgb(28, 24, 44));
        int y2 = h2 - (int)(18 * sin(x / 41.0 + 2.0) + 9 * sin(x / 17.0));
        vline(b, x, y2, 479, rgb(22, 18, 32));
    }
}

// A row of 16x16 rock blocks with a grass edge, from y to the bottom.
static void ground(BITMAP* b, int y, unsigned seed)
{
    srand(seed);
    for (int ty = y; ty < 480; ty += 16) {
        for (int tx = 0; tx < 640; tx += 16) {
            rectfill(b, tx, ty, tx + 15, ty + 15, pal('M'));
            for (int k = 0; k < 10; k++)
                putpixel(b, tx + 1 + rand() % 14, ty + 1 + rand() % 14, rand() % 2 ? pal('m') : pal('p'));
            hline(b, tx, ty, tx + 15, pal('p'));
            vline(b, tx, ty, ty + 15, pal('p'));
            hline(b, tx, ty + 15, tx + 15, pal('m'));
            vline(b, tx + 15, ty, ty + 15, pal('m'));
        }
    }
    for (int x = 0; x < 640; x++) {
        int h = 3 + (x * 7 + x / 3) % 3;
        vline(b, x, y, y + h, pal('J'));
        putpixel(b, x, y + h + 1, pal('j'));
        if (x % 5 == 0)
            putpixel(b, x, y - 1, pal('k'));
        putpixel(b, x, y, pal('k'));
    }
}

// A translucent-looking panel: darkened copy of what lies under it, framed.
static void shade_panel(BITMAP* b, int x1, int y1, int x2, int y2)
{
    for (int y = y1; y <= y2; y++)
        for (int x = x1; x <= x2; x++) {
            int c = getpixel(b, x, y);
            putpixel(b, x, y, rgb(getr32(c) / 3 + 6, getg32(c) / 3 + 8, getb32(c) / 3 + 18));
        }
    rect(b, x1, y1, x2, y2, pal('0'));
    rect(b, x1 + 1, y1 + 1, x2 - 1, y2 - 1, pal('='));
    hline(b, x1 + 2, y2 - 1, x2 - 2, pal('#'));
    vline(b, x2 - 1, y1 + 2, y2 - 1, pal('#'));
}

static void button(BITMAP* b, int x1, int y1, int x2, int y2, const char* label)
{
    bevel_box(b, x1, y1, x2, y2, pal('#'), pal('='), pal('Z'), pal('0'));
    vgradient(b, x1 + 2, y1 + 2, x2 - 2, (y1 + y2) / 2, rgb(70, 88, 146), pal('#'));
    hline(b, x1 + 1, y1 + 1, x2 - 1, rgb(130, 156, 220));
    text_big_centre(b, label, (x1 + x2 + 1) / 2, y1 + (y2 - y1 + 1 - 14) / 2, 2, 8, pal('7'), pal('5'),
                    pal('0'), -1);
}

static void title(BITMAP* b, const char* s, int cx, int y, int scale)
{
    text_big_centre(b, s, cx, y, scale, 8, pal('K'), pal('L'), pal('0'), rgb(0, 0, 0));
}

// ---------------------------------------------------------------- HUD

// A bar frame: label on the left, a sunken 100-px trough whose fill starts at
// column fill_x, row 4 (the game draws 8-px columns there).
static void hud_bar(const char* name, const char* label, int fill_x)
{
    int w = fill_x + 100 + 2;
    BITMAP* b = new_bitmap(w, 16, pal('#'));
    bevel_box(b, 0, 0, w - 1, 15, pal('#'), pal('='), pal('Z'), pal('0'));
    text_small(b, label, 3, 4, pal('*'), pal('0'));
    sunken_box(b, fill_x - 1, 3, fill_x + 100, 12, pal('Z'));
    for (int x = fill_x + 9; x < fill_x + 100; x += 10)
        vline(b, x, 4, 11, rgb(30, 36, 62));
    add_picture(name, b);
}

// ---------------------------------------------------------------- selector

static void draw_weapons()
{
    const int NAME_X = 18, NAME_GAP = 3; // blank columns between a name and its weapon
    static const char* const names[] = {"GUN",          "MACHINE GUN",     "SHOTGUN",
                                        "MINIGUN",      "SNIPER RIFLE",    "ROCKET LAUNCHER",
                                        "FLAMETHROWER", "GRENADE LAUNCHER"};
    BITMAP* b = new_bitmap(174, 196, pal('#'));
    bevel_box(b, 0, 0, 173, 195, pal('Z'), pal('='), pal('#'), pal('0'));
    rect(b, 1, 1, 172, 194, pal('='));
    vgradient(b, 2, 2, 171, 17, rgb(70, 88, 146), pal('#'));
    text_small_centre(b, "CHOOSE WEAPON", 87, 6, pal('*'), pal('0'));
    hline(b, 2, 18, 171, pal('0'));
    for (int i = 0; i < 8; i++) {
        int y = 21 + i * 21;
        if (i % 2 == 0)
            rectfill(b, 3, y, 170, y + 19, rgb(26, 32, 58));
        char key[2] = {(char)('1' + i), 0};
        bevel_box(b, 4, y + 4, 14, y + 15, pal('5'), pal('7'), pal('3'), pal('0'));
        text_small(b, key, 6, y + 6, pal('0'), -1);
        text_small(b, names[i], NAME_X, y + 6, pal('7'), pal('0'));
        // The picture keeps clear of the name (its shadow ends a pixel past the text):
        // centred in the room to the right, pushed right when it is wide.
        BITMAP* w = sprite(weapon_sprite[i + 1]);
        int name_end = NAME_X + text_length(font, names[i]);
        int dx = 149 + (23 - w->w) / 2;
        if (dx + w->w > 172)
            dx = 172 - w->w;
        if (dx < name_end + NAME_GAP)
            art_fail("weapons", 0, "%s does not fit beside its name", weapon_sprite[i + 1]);
        draw_sprite(b, w, dx, y + (20 - w->h) / 2);
    }
    add_picture("weapons", b);
}

// ---------------------------------------------------------------- banners

static void banner(const char* name, const char* text, int w, int top, int bottom, int face, int light)
{
    int h = 36;
    BITMAP* b = new_bitmap(w, h, magenta());
    // ribbon with notched ends
    for (int y = 0; y < h; y++) {
        int inset = 6 - abs(y - h / 2) * 6 / (h / 2);
        hline(b, inset, y, w - 1 - inset, pal('0'));
    }
    bevel_box(b, 6, 2, w - 7, h - 3, face, light, pal('0'), pal('0'));
    vgradient(b, 8, 4, w - 9, h / 2, light, face);
    text_big_centre(b, text, w / 2, 6, 3, 7, top, bottom, pal('0'), -1);
    add_picture(name, b);
}

// ---------------------------------------------------------------- screens

static void draw_menu()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 11);
    ground(b, 416, 5);
    // title with a glow bar
    title(b, "KRAG", 320, 44, 12);
    hline(b, 170, 148, 470, pal('O'));
    hline(b, 190, 150, 450, pal('L'));
    text_small_centre(b, "ONE AGAINST ALL", 320, 156, pal('6'), pal('0'));
    // fighters on the ground
    big_player(b, 60 - 17 * 5, 416 - 30 * 5, 5, false, 'b', 'b', "brown", 2, 3);
    big_player(b, 540 - 17 * 5, 416 - 30 * 5, 5, true, 'r', 'r', "yellow", 6, 1);
    big_sprite(b, "barrel", 210, 416 - 48, 3);
    big_sprite(b, "box", 390, 416 - 48, 3);
    big_sprite(b, "box", 438, 416 - 48, 3);
    big_sprite(b, "box", 414, 416 - 96, 3);
    shade_panel(b, 244, 172, 395, 338);
    button(b, 260, 183, 379, 203, "PLAY");
    button(b, 260, 214, 379, 234, "NETWORK");
    button(b, 260, 245, 379, 265, "OPTIONS");
    button(b, 260, 276, 379, 296, "CREDITS");
    button(b, 260, 307, 379, 327, "QUIT");
    add_picture("menu", b);
}

// An up/down arrow pair inside the two hit rectangles.
static void arrow_pair(BITMAP* b, int x1, int y_up)
{
    for (int k = 0; k < 2; k++) {
        int y1 = y_up + k * 10, x2 = x1 + 9, y2 = y1 + 8;
        bevel_box(b, x1, y1, x2, y2, pal('#'), pal('='), pal('Z'), pal('0'));
        int cx = x1 + 4;
        for (int r = 0; r < 3; r++) {
            int row = k == 0 ? y1 + 3 + r : y1 + 5 - r;
            hline(b, cx - r, row, cx + 1 + r, pal('*'));
        }
    }
}

static void value_field(BITMAP* b, int right, int top, const char* label)
{
    text_small(b, label, right - 82, top - 15, pal('*'), pal('0'));
    sunken_box(b, right - 84, top - 3, right + 3, top + 10, pal('Z'));
}

static void tick_box(BITMAP* b, int x, int y)
{
    sunken_box(b, x - 1, y - 1, x + 5, y + 5, pal('Z'));
}

static void draw_options()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 23);
    ground(b, 448, 9);
    title(b, "OPTIONS", 320, 24, 6);
    shade_panel(b, 118, 84, 521, 336);
    // match settings: left column
    value_field(b, 226, 115, "MARK ME");
    arrow_pair(b, 234, 109);
    value_field(b, 226, 161, "GAME TYPE");
    value_field(b, 226, 207, "KILLS");
    value_field(b, 226, 253, "BOTS");
    value_field(b, 226, 299, "SKILL");
    arrow_pair(b, 234, 155);
    arrow_pair(b, 234, 201);
    arrow_pair(b, 234, 247);
    arrow_pair(b, 234, 293);
    // map and looks: middle column
    value_field(b, 353, 115, "MAP");
    value_field(b, 353, 161, "HAIR");
    value_field(b, 353, 207, "SHIRT");
    value_field(b, 353, 253, "PANTS");
    value_field(b, 353, 299, "BLOOD");
    arrow_pair(b, 361, 109);
    arrow_pair(b, 361, 155);
    arrow_pair(b, 361, 201);
    arrow_pair(b, 361, 247);
    arrow_pair(b, 361, 293);
    // the player's name, the network's input delay, power-ups and display: right column
    text_small(b, "PLAYER NAME", 390, 100, pal('*'), pal('0'));
    sunken_box(b, 388, 112, 516, 125, pal('Z'));
    text_small(b, "INPUT", 472, 136, pal('*'), pal('0'));
    text_small(b, "DELAY", 472, 145, pal('*'), pal('0'));
    sunken_box(b, 471, 157, 495, 170, pal('Z'));
    arrow_pair(b, 500, 154);
    text_small(b, "POWER-UPS", 390, 131, pal('*'), pal('0'));
    static const int box_x[] = {397, 424, 451, 410, 437};
    static const int box_y[] = {162, 162, 162, 177, 177};
    for (int i = 0; i < 5; i++) {
        char name[16];
        snprintf(name, sizeof(name), "powerup_%d", i + 1);
        tick_box(b, box_x[i], box_y[i]);
        int iy = box_y[i] == 162 ? box_y[i] - 14 : box_y[i] + 9;
        draw_sprite(b, sprite(name), box_x[i] - 3, iy);
    }
    tick_box(b, 397, 208);
    text_small(b, "SHOW FPS", 408, 207, pal('7'), pal('0'));
    tick_box(b, 397, 231);
    text_small(b, "PAUSE IF", 408, 229, pal('7'), pal('0'));
    text_small(b, "INACTIVE", 408, 238, pal('7'), pal('0'));
    tick_box(b, 397, 254);
    text_small(b, "WINDOW", 408, 253, pal('7'), pal('0'));
    tick_box(b, 397, 277);
    text_small(b, "FILL SCREEN", 408, 276, pal('7'), pal('0'));
    tick_box(b, 397, 300);
    text_small(b, "DOUBLE SIZE", 408, 299, pal('7'), pal('0'));
    tick_box(b, 397, 323);
    text_small(b, "STEREO", 408, 322, pal('7'), pal('0'));
    button(b, 120, 362, 250, 382, "CONTROLS");
    button(b, 260, 362, 379, 382, "BACK");
    button(b, 390, 362, 520, 382, "REPLAYS");
    add_picture("options", b);
}

// Network matches: hosting on the left (the game prints the values into the fields),
// joining on the right (a row per game found, from y 120, 12 px apart, 8 rows; the
// address typed into the field below).
static void draw_network()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 41);
    ground(b, 448, 19);
    title(b, "NETWORK", 320, 24, 6);
    shade_panel(b, 24, 84, 306, 336);
    text_small_centre(b, "HOST A MATCH", 165, 92, pal('6'), pal('0'));
    value_field(b, 130, 127, "GAME TYPE");
    value_field(b, 130, 173, "KILLS");
    value_field(b, 130, 219, "BOTS");
    value_field(b, 270, 127, "MAP");
    value_field(b, 270, 173, "SKILL");
    value_field(b, 270, 219, "PLAYERS");
    arrow_pair(b, 138, 121);
    arrow_pair(b, 138, 167);
    arrow_pair(b, 138, 213);
    arrow_pair(b, 278, 121);
    arrow_pair(b, 278, 167);
    arrow_pair(b, 278, 213);
    button(b, 105, 300, 225, 320, "HOST");
    shade_panel(b, 318, 84, 616, 336);
    text_small_centre(b, "JOIN A MATCH", 467, 92, pal('6'), pal('0'));
    text_small(b, "GAMES FOUND ON THIS NETWORK", 328, 106, pal('*'), pal('0'));
    sunken_box(b, 326, 117, 608, 217, pal('Z'));
    text_small(b, "OR AN ADDRESS (HOST:PORT)", 328, 240, pal('*'), pal('0'));
    sunken_box(b, 326, 252, 608, 265, pal('Z'));
    button(b, 407, 300, 527, 320, "JOIN");
    button(b, 260, 362, 379, 382, "BACK");
    add_picture("network", b);
}

// Waiting for the start: the game prints the match and a row per slot on the panel.
static void draw_lobby()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 43);
    ground(b, 448, 23);
    title(b, "LOBBY", 320, 24, 6);
    shade_panel(b, 118, 84, 521, 336);
    sunken_box(b, 126, 126, 513, 218, pal('Z'));
    button(b, 190, 362, 310, 382, "START");
    button(b, 330, 362, 450, 382, "LEAVE");
    add_picture("lobby", b);
}

// The list of recorded matches: the game prints a row per file on the panel (from
// y 98, 12 px apart, 20 rows) and its paging arrows at the panel's right edge.
static void draw_replays()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 29);
    ground(b, 448, 11);
    title(b, "REPLAYS", 320, 24, 6);
    shade_panel(b, 40, 76, 599, 344);
    text_small(b, "CLICK A MATCH TO WATCH IT", 50, 83, pal('*'), pal('0'));
    sunken_box(b, 48, 95, 572, 338, pal('Z'));
    arrow_pair(b, 580, 96);
    button(b, 260, 362, 379, 382, "BACK");
    add_picture("replays", b);
}

// One row per action, the key fields empty: the game prints the bindings into them.
static void draw_controls()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 31);
    ground(b, 448, 17);
    title(b, "CONTROLS", 320, 24, 6);
    int bottom = CONTROLS_ROW_TOP + CONTROLS_ROWS * CONTROLS_ROW_STEP;
    shade_panel(b, CONTROLS_ROW_X1 - 10, CONTROLS_ROW_TOP - 10, CONTROLS_ROW_X2 + 10, bottom + 8);
    for (int r = 0; r < CONTROLS_ROWS; r++) {
        int y = CONTROLS_ROW_TOP + r * CONTROLS_ROW_STEP;
        if (r % 2 == 0)
            rectfill(b, CONTROLS_ROW_X1, y, CONTROLS_ROW_X2, y + CONTROLS_ROW_STEP - 2, rgb(26, 32, 58));
        text_small(b, action_name(controls_row_action(r)), CONTROLS_LABEL_X, y + 2, pal('7'), pal('0'));
        sunken_box(b, CONTROLS_FIELD_X1, y, CONTROLS_FIELD_X2, y + CONTROLS_ROW_STEP - 2, pal('Z'));
    }
    text_small_centre(b, "CLICK A ROW, PRESS A KEY OR BUTTON; ESC CANCELS", 320, bottom + 18, pal('6'),
                      pal('0'));
    button(b, CONTROLS_BACK_X1, CONTROLS_BUTTON_Y1, CONTROLS_BACK_X2, CONTROLS_BUTTON_Y2, "BACK");
    button(b, CONTROLS_DEFAULTS_X1, CONTROLS_BUTTON_Y1, CONTROLS_DEFAULTS_X2, CONTROLS_BUTTON_Y2,
           "DEFAULTS");
    add_picture("controls", b);
}

static void draw_credits()
{
    BITMAP* b = new_bitmap(640, 480, 0);
    backdrop(b, 37);
    ground(b, 400, 13);
    title(b, "CREDITS", 320, 40, 7);
    // the plate that carries the author's name, printed by the game at (272, 236)
    shade_panel(b, 216, 196, 423, 276);
    rectfill(b, 222, 226, 417, 250, rgb(10, 12, 24));
    rect(b, 221, 225, 418, 251, pal('0'));
    text_small_centre(b, "A GAME BY", 320, 208, pal('*'), pal('0'));
    text_small_centre(b, "THANKS FOR PLAYING", 320, 260, pal('5'), pal('0'));
    // the cast
    big_player(b, 30 - 17 * 4, 400 - 30 * 4, 4, false, 'g', 'g', "black", 4, 1);
    big_player(b, 130 - 17 * 4, 400 - 30 * 4, 4, false, 'b', 'r', "brown", 5, 2);
    big_player(b, 555 - 17 * 4, 400 - 30 * 4, 4, true, 'r', 'b', "yellow", 7, 1);
    big_player(b, 455 - 17 * 4, 400 - 30 * 4, 4, true, 'b', 'g', "black", 8, 4);
    big_sprite(b, "barrel", 288, 400 - 32, 2);
    big_sprite(b, "box", 320, 400 - 32, 2);
    for (int i = 0; i < 5; i++) {
        char name[16];
        snprintf(name, sizeof(name), "powerup_%d", i + 1);
        big_sprite(b, name, 237 + i * 36, 140, 2);
    }
    text_small_centre(b, "PRESS ESC TO RETURN", 320, 456, pal('6'), pal('0'));
    add_picture("credits", b);
}

void draw_screens()
{
    hud_bar("health_bar", "HEALTH", 101 - 49);
    hud_bar("ammo_bar", "AMMO", 290 - 253);
    hud_bar("kills_bar", "KILLS", 487 - 442);
    draw_weapons();
    banner("won", "YOU WIN", 188, pal('u'), pal('K'), pal('g'), pal('G'));
    banner("lost", "YOU LOSE", 196, pal('7'), pal('f'), pal('r'), pal('R'));
    banner("paused", "PAUSED", 164, pal('7'), pal('5'), pal('#'), pal('='));
    draw_menu();
    draw_options();
    draw_replays();
    draw_network();
    draw_lobby();
    draw_controls();
    draw_credits();
}
