// The game's icon for the desktop: the player with his gun on a strip of grass under
// an evening sky, drawn at 32x32 from the game's own sprites, then enlarged pixel for
// pixel to 64, 128 and 256 and written as PNG; the 32x32 one also as XPM, built into
// the game for its window.
#include <algorithm>
#include <stdio.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "art.h"
#include "pngsave.h"

const int ICON_BASE = 32;
static const int ICON_SIZES[] = {32, 64, 128, 256};

static void put_sprite(BITMAP *icon, const char *name, int x, int y) {
    BITMAP *sprite = find_picture(name);
    if (!sprite) art_fail(name, 0, "the icon needs %s.bmp", name);
    draw_sprite(icon, sprite, x, y);
}

// A transparent pixel: the rounded corners.
static bool outside_corner(int x, int y) {
    const int r = 5;
    int cx = x < r ? r : x > ICON_BASE - 1 - r ? ICON_BASE - 1 - r : x;
    int cy = y < r ? r : y > ICON_BASE - 1 - r ? ICON_BASE - 1 - r : y;
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) > r * r;
}

static BITMAP *draw_icon() {
    BITMAP *icon = create_bitmap_ex(32, ICON_BASE, ICON_BASE);
    vgradient(icon, 0, 0, ICON_BASE - 1, ICON_BASE - 1, rgb(36, 44, 96), rgb(226, 128, 64));
    // Grass along the bottom: the top rows of the grass tile.
    BITMAP *grass = find_picture("grass");
    if (!grass) art_fail("grass", 0, "the icon needs grass.bmp");
    for (int x = 0; x < ICON_BASE; x += 16)
        masked_blit(grass, icon, 0, 0, x, 28, 16, 4);
    // The player as the game draws him facing right: brown hair, blue shirt, green
    // pants, the gun held out in one hand.
    const int px = 6, py = 0;
    put_sprite(icon, "head_brown", px + 5, py);
    put_sprite(icon, "body_b", px + 3, py + 6);
    put_sprite(icon, "legs_g1", px, py + 16);
    put_sprite(icon, "arms_b1", px + 7, py + 8);
    put_sprite(icon, "gun", px + 11, py + 5);
    for (int y = 0; y < ICON_BASE; y++)
        for (int x = 0; x < ICON_BASE; x++)
            if (outside_corner(x, y)) putpixel(icon, x, y, rgb(MAGENTA_R, MAGENTA_G, MAGENTA_B));
    return icon;
}

// The icon as XPM source for the game's own window (the library hands it to X11): a
// C array named krag_icon_xpm, two characters a pixel, the rounded corners transparent.
static void write_xpm(const char *path, BITMAP *icon) {
    std::vector<int> colours;
    for (int y = 0; y < ICON_BASE; y++)
        for (int x = 0; x < ICON_BASE; x++) {
            int c = getpixel(icon, x, y) & 0xffffff;
            if (!outside_corner(x, y) && std::find(colours.begin(), colours.end(), c) == colours.end())
                colours.push_back(c);
        }
    static const char code[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const int base = (int)sizeof code - 1;
    if ((int)colours.size() >= base * base) art_fail(path, 0, "the icon has too many colours");
    auto name = [&](int i) { return std::string{code[i / base], code[i % base]}; };
    FILE *f = fopen(path, "w");
    if (!f) art_fail(path, 0, "cannot write");
    fprintf(f, "/* XPM */\nstatic const char *krag_icon_xpm[] = {\n\"%d %d %d 2\",\n", ICON_BASE,
            ICON_BASE, (int)colours.size() + 1);
    fprintf(f, "\"   c None\",\n");
    for (size_t i = 0; i < colours.size(); i++)
        fprintf(f, "\"%s c #%06X\",\n", name((int)i).c_str(), colours[i]);
    for (int y = 0; y < ICON_BASE; y++) {
        std::string row;
        for (int x = 0; x < ICON_BASE; x++) {
            int c = getpixel(icon, x, y) & 0xffffff;
            row += outside_corner(x, y) ? "  " : name((int)(std::find(colours.begin(), colours.end(), c) - colours.begin()));
        }
        fprintf(f, "\"%s\"%s\n", row.c_str(), y + 1 < ICON_BASE ? "," : "};");
    }
    if (fclose(f) != 0) art_fail(path, 0, "cannot write");
}

void write_icons(const char *out) {
    BITMAP *icon = draw_icon();
    mkdir(out, 0755);
    char path[1024];
    if (snprintf(path, sizeof(path), "%s/krag.xpm", out) >= (int)sizeof(path))
        art_fail(out, 0, "output path too long");
    write_xpm(path, icon);
    for (int size : ICON_SIZES) {
        if (snprintf(path, sizeof(path), "%s/krag-%d.png", out, size) >= (int)sizeof(path))
            art_fail(out, 0, "output path too long");
        std::string why;
        if (!save_png(path, icon, size / ICON_BASE, false, why)) art_fail(path, 0, "%s", why.c_str());
    }
    destroy_bitmap(icon);
}
