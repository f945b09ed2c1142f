// krag-art: turns the text pixel art in assets/art into the game's bmp/ folder.
#ifndef TOOLS_ART_H
#define TOOLS_ART_H

#include <allegro.h>

const int MAGENTA_R = 255, MAGENTA_G = 0, MAGENTA_B = 255;

// One character -> colour table. '.' is always transparent magenta.
class cpalette {
public:
    bool set[256];
    int r[256], g[256], b[256];

    void clear();
    void put(unsigned char c, int cr, int cg, int cb);
    bool has(unsigned char c) const { return set[c]; }
};

extern cpalette shared_palette;

// Every picture drawn so far, by output name (without .bmp).
class cpicture {
public:
    char name[64];
    BITMAP* bmp;
};

const int MAX_PICTURES = 512;
extern cpicture pictures[MAX_PICTURES];
extern int picture_count;

// Reports a malformed source and stops the tool with a non-zero exit code.
void art_fail(const char* file, int line, const char* fmt, ...);

// Reads one palette file ("colour X R G B" lines) into pal.
void read_palette(const char* path, cpalette* pal);

// Reads one .art/.tpl file. recolour maps a pixel character to another before
// the colour lookup (identity when null). The result is a 32-bit memory bitmap.
BITMAP* read_art(const char* path, const unsigned char* recolour);

// Stores a finished picture under name; the tool writes it out at the end.
void add_picture(const char* name, BITMAP* bmp);
BITMAP* find_picture(const char* name);

// Procedural pictures: HUD frames, selector, banners and the full screens.
void draw_screens();

// The desktop icon at 32, 64, 128 and 256 pixels: OUT/krag-SIZE.png.
void write_icons(const char* out);

// The pictures for the Tiled editor: OUT/tiles/NAME.png for every map tile and
// OUT/marks.png, the sheet of the cells that are not tiles.
void write_tiled_pictures(const char* src, const char* out);

// Drawing helpers shared by the procedural pictures.
int rgb(int r, int g, int b);
int pal(unsigned char c);
void text_big(BITMAP* dst, const char* s, int x, int y, int scale, int advance, int top, int bottom,
              int outline, int shadow);
int text_big_width(const char* s, int scale, int advance);
void text_small(BITMAP* dst, const char* s, int x, int y, int col, int shadow);
void bevel_box(BITMAP* dst, int x1, int y1, int x2, int y2, int face, int light, int dark, int edge);
void vgradient(BITMAP* dst, int x1, int y1, int x2, int y2, int top, int bottom);

#endif
