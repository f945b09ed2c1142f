// Pictures for the Tiled editor: every map tile as PNG (tiles/NAME.png), and one sheet
// of 16x16 pictures for the cells that are not tiles (marks.png): the picture of cell
// character C sits at index C - 32, sixteen to a row. Walls and barriers are hatched,
// props are their sprites, spawn points and route marks carry their letter and arrows
// for where they send a bot.
#include <dirent.h>
#include <string.h>
#include <string>
#include <sys/stat.h>

#include "art.h"
#include "pngsave.h"

const int SHEET_COLUMNS = 16;
const int FIRST_CODE = 32, LAST_CODE = 127;

// Which way a route mark sends a bot, as bits.
const int GO_JUMP = 1, GO_RIGHT = 2, GO_LEFT = 4;

static int directions(int ch) {
    switch (ch) {
    case 'B': case 'I': return GO_JUMP;
    case 'C': case 'J': return GO_RIGHT;
    case 'D': case 'K': return GO_LEFT;
    case 'E': case 'L': return GO_JUMP | GO_RIGHT;
    case 'F': case 'M': return GO_RIGHT | GO_LEFT;
    case 'G': case 'N': return GO_JUMP | GO_LEFT;
    case 'H': case 'O': return GO_JUMP | GO_RIGHT | GO_LEFT;
    default: return 0;
    }
}

static void arrows(BITMAP *b, int x, int y, int go, int colour) {
    if (go & GO_RIGHT) {
        hline(b, x + 9, y + 12, x + 13, colour);
        triangle(b, x + 15, y + 12, x + 12, y + 9, x + 12, y + 15, colour);
    }
    if (go & GO_LEFT) {
        hline(b, x + 2, y + 12, x + 6, colour);
        triangle(b, x, y + 12, x + 3, y + 9, x + 3, y + 15, colour);
    }
    if (go & GO_JUMP) {
        vline(b, x + 12, y + 3, y + 7, colour);
        triangle(b, x + 12, y, x + 9, y + 3, x + 15, y + 3, colour);
    }
}

static void hatch(BITMAP *b, int x, int y, int colour, int step) {
    for (int i = 0; i < 32; i += step)
        for (int k = 0; k < 16; k++)
            if (i - k >= 0 && i - k < 16) putpixel(b, x + i - k, y + k, colour);
}

static void letter(BITMAP *b, int x, int y, int ch, int colour) {
    char s[2] = {(char)ch, 0};
    rectfill(b, x, y, x + 8, y + 8, rgb(0, 0, 0));
    textout_ex(b, font, s, x + 1, y + 1, colour, -1);
}

static void put_prop(BITMAP *b, int x, int y, const char *name) {
    BITMAP *sprite = find_picture(name);
    if (!sprite) art_fail(name, 0, "the Tiled pictures need %s.bmp", name);
    masked_blit(sprite, b, 0, 0, x, y, 16, 16);
}

static BITMAP *draw_marks() {
    int rows = (LAST_CODE - FIRST_CODE) / SHEET_COLUMNS + 1;
    BITMAP *sheet = create_bitmap_ex(32, SHEET_COLUMNS * 16, rows * 16);
    clear_to_color(sheet, rgb(MAGENTA_R, MAGENTA_G, MAGENTA_B));
    for (int ch = FIRST_CODE; ch <= LAST_CODE; ch++) {
        int x = (ch - FIRST_CODE) % SHEET_COLUMNS * 16, y = (ch - FIRST_CODE) / SHEET_COLUMNS * 16;
        if (ch == ' ' || ch == '.' || (ch >= 'a' && ch <= 'z')) continue; // tiles and empty
        if (ch == '0') {
            put_prop(sheet, x, y, "box");
        } else if (ch == '1') {
            put_prop(sheet, x, y, "barrel");
        } else if (ch > 'z') { // invisible wall
            rect(sheet, x, y, x + 15, y + 15, rgb(40, 40, 40));
            hatch(sheet, x, y, rgb(40, 40, 40), 4);
            letter(sheet, x + 4, y + 4, ch == 127 ? '#' : ch, rgb(255, 255, 255));
        } else if (ch > 'Z') { // invisible barrier: stops shots, not bodies
            rect(sheet, x, y, x + 15, y + 15, rgb(60, 120, 255));
            hatch(sheet, x, y, rgb(60, 120, 255), 6);
            letter(sheet, x + 4, y + 4, ch, rgb(160, 200, 255));
        } else if (ch >= 'A' && ch <= 'G') { // spawn point
            circlefill(sheet, x + 7, y + 7, 7, rgb(40, 180, 60));
            letter(sheet, x + 3, y + 3, ch, rgb(255, 255, 120));
            arrows(sheet, x, y, directions(ch), rgb(255, 255, 255));
        } else if (ch >= 'H' && ch <= 'O') { // route mark
            rect(sheet, x, y, x + 15, y + 15, rgb(255, 220, 0));
            arrows(sheet, x, y, directions(ch), rgb(255, 220, 0));
            letter(sheet, x + 1, y + 1, ch, rgb(255, 220, 0));
        } else { // empty, kept as written
            rect(sheet, x, y, x + 15, y + 15, rgb(150, 150, 150));
            letter(sheet, x + 4, y + 4, ch, rgb(200, 200, 200));
        }
    }
    return sheet;
}

static void save(const std::string &path, BITMAP *bmp) {
    std::string why;
    if (!save_png(path.c_str(), bmp, 1, false, why)) art_fail(path.c_str(), 0, "%s", why.c_str());
}

void write_tiled_pictures(const char *src, const char *out) {
    std::string tiles = std::string(out) + "/tiles";
    mkdir(out, 0755);
    mkdir(tiles.c_str(), 0755);
    std::string art = std::string(src) + "/tiles";
    DIR *d = opendir(art.c_str());
    if (!d) art_fail(art.c_str(), 0, "cannot open folder");
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".art") != 0) continue;
        name.resize(name.size() - 4);
        BITMAP *tile = find_picture(name.c_str());
        if (tile) save(tiles + "/" + name + ".png", tile);
    }
    closedir(d);
    BITMAP *sheet = draw_marks();
    save(std::string(out) + "/marks.png", sheet);
    destroy_bitmap(sheet);
}
