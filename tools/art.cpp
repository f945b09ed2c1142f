// krag-art SRC OUT [ICONS]: draws every bitmap of the game into OUT, and the desktop
// icons into ICONS when it is given.
//
// SRC holds palette.txt (shared colours), any number of NAME.art files in
// subfolders (each becomes OUT/NAME.bmp), variants.txt (recoloured copies of
// templates/*.tpl) and the procedural pictures drawn in art_screens.cpp.
#include "art.h"

#include <dirent.h>
#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

cpalette shared_palette;
cpicture pictures[MAX_PICTURES];
int picture_count = 0;

// The names the game loads; the tool refuses to finish without each of them.
static const char* const required_names[] = {
    "ammo", "ammo_bar", "arms_b1", "arms_b2", "arms_g1", "arms_g2", "arms_r1", "arms_r2",
    "barrel", "blood_1", "blood_2", "body_b", "body_g", "body_r", "box", "bullet_1",
    "bullet_2", "controls", "credits", "cross", "crosshair", "cursor", "fire_1", "fire_2",
    "flamethrower", "flesh", "grenade_1", "grenade_2", "grenade_icon", "grenade_launcher",
    "gun", "head_black", "head_brown", "head_yellow", "health", "health_bar", "indicator",
    "kills", "kills_bar", "legs_b1", "legs_b2", "legs_b3", "legs_b4", "legs_g1", "legs_g2",
    "legs_g3", "legs_g4", "legs_r1", "legs_r2", "legs_r3", "legs_r4", "lost",
    "machine_gun", "menu", "minigun_1", "minigun_2", "options", "particle_1", "particle_2", "paused",
    "plank", "powerup_1", "powerup_2", "powerup_3", "powerup_4", "powerup_5", "replays", "rocket_1",
    "rocket_2", "rocket_launcher", "shell_1", "shell_2", "shotgun", "sniper_rifle",
    "weapons", "won",
};
const int REQUIRED_COUNT = sizeof(required_names) / sizeof(required_names[0]);

void cpalette::clear()
{
    memset(set, 0, sizeof(set));
    put('.', MAGENTA_R, MAGENTA_G, MAGENTA_B);
}

void cpalette::put(unsigned char c, int cr, int cg, int cb)
{
    set[c] = true;
    r[c] = cr;
    g[c] = cg;
    b[c] = cb;
}

void art_fail(const char* file, int line, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    if (line > 0)
        fprintf(stderr, "krag-art: %s:%d: ", file, line);
    else
        fprintf(stderr, "krag-art: %s: ", file);
    vfprintf(stderr, fmt, ap);
    fprintf(stderr, "\n");
    va_end(ap);
    exit(1);
}

// Strips the line ending and trailing blanks in place.
static void chomp(char* s)
{
    int n = strlen(s);
    while (n > 0 && (s[n - 1] == '\n' || s[n - 1] == '\r' || s[n - 1] == ' ' || s[n - 1] == '\t'))
        s[--n] = 0;
}

static char* skip_blanks(char* s)
{
    while (*s == ' ' || *s == '\t')
        s++;
    return s;
}

// Parses "colour X R G B [# comment]" (the keyword already matched at s).
static void parse_colour(const char* file, int line, char* s, cpalette* p)
{
    s = skip_blanks(s);
    unsigned char c = *s;
    if (c <= ' ' || c >= 127)
        art_fail(file, line, "colour needs one printable character");
    if (c == '.')
        art_fail(file, line, "'.' is the transparent colour and cannot be redefined");
    if (s[1] != ' ' && s[1] != '\t')
        art_fail(file, line, "colour character must be a single character followed by a blank");
    int cr, cg, cb, used = 0;
    if (sscanf(s + 1, " %d %d %d%n", &cr, &cg, &cb, &used) != 3)
        art_fail(file, line, "colour %c needs three numbers R G B", c);
    char* rest = skip_blanks(s + 1 + used);
    if (*rest && *rest != '#')
        art_fail(file, line, "unexpected text after colour %c: \"%s\"", c, rest);
    if (cr < 0 || cr > 255 || cg < 0 || cg > 255 || cb < 0 || cb > 255)
        art_fail(file, line, "colour %c: components must lie in 0..255", c);
    p->put(c, cr, cg, cb);
}

void read_palette(const char* path, cpalette* p)
{
    FILE* f = fopen(path, "r");
    if (!f)
        art_fail(path, 0, "cannot open palette (%s)", strerror(errno));
    char buf[1024];
    int line = 0;
    while (fgets(buf, sizeof(buf), f)) {
        line++;
        chomp(buf);
        char* s = skip_blanks(buf);
        if (!*s || *s == '#')
            continue;
        if (strncmp(s, "colour", 6) == 0 && (s[6] == ' ' || s[6] == '\t'))
            parse_colour(path, line, s + 6, p);
        else
            art_fail(path, line, "expected \"colour X R G B\", got \"%s\"", s);
    }
    fclose(f);
}

BITMAP* read_art(const char* path, const unsigned char* recolour)
{
    FILE* f = fopen(path, "r");
    if (!f)
        art_fail(path, 0, "cannot open (%s)", strerror(errno));
    cpalette local = shared_palette;
    char buf[4096];
    int line = 0, w = 0, h = 0;
    bool in_pixels = false;
    int row = 0;
    BITMAP* bmp = NULL;
    while (fgets(buf, sizeof(buf), f)) {
        line++;
        chomp(buf);
        if (in_pixels) {
            if (row == h) {
                if (*skip_blanks(buf) && *skip_blanks(buf) != '#')
                    art_fail(path, line, "more than %d pixel rows", h);
                continue;
            }
            if ((int)strlen(buf) != w)
                art_fail(path, line, "pixel row %d is %d characters wide, expected %d", row + 1,
                         (int)strlen(buf), w);
            for (int x = 0; x < w; x++) {
                unsigned char c = buf[x];
                if (recolour)
                    c = recolour[c];
                if (!local.has(c))
                    art_fail(path, line, "unknown colour character '%c' in column %d", buf[x], x + 1);
                putpixel(bmp, x, row, makecol(local.r[c], local.g[c], local.b[c]));
            }
            row++;
            continue;
        }
        char* s = skip_blanks(buf);
        if (!*s || *s == '#')
            continue;
        if (strncmp(s, "size", 4) == 0 && (s[4] == ' ' || s[4] == '\t')) {
            if (w)
                art_fail(path, line, "size given twice");
            int used = 0;
            if (sscanf(s + 4, " %d %d%n", &w, &h, &used) != 2 || w < 1 || h < 1 || w > 2048 ||
                h > 2048)
                art_fail(path, line, "size needs a width and height between 1 and 2048");
            char* rest = skip_blanks(s + 4 + used);
            if (*rest && *rest != '#')
                art_fail(path, line, "unexpected text after size");
        } else if (strncmp(s, "colour", 6) == 0 && (s[6] == ' ' || s[6] == '\t')) {
            parse_colour(path, line, s + 6, &local);
        } else if (strcmp(s, "pixels") == 0) {
            if (!w)
                art_fail(path, line, "\"pixels\" before \"size\"");
            in_pixels = true;
            bmp = create_bitmap_ex(32, w, h);
        } else {
            art_fail(path, line, "expected size, colour or pixels, got \"%s\"", s);
        }
    }
    fclose(f);
    if (!in_pixels)
        art_fail(path, 0, "no \"pixels\" section");
    if (row < h) {
        destroy_bitmap(bmp);
        art_fail(path, line, "only %d of %d pixel rows", row, h);
    }
    return bmp;
}

void add_picture(const char* name, BITMAP* bmp)
{
    if (find_picture(name))
        art_fail(name, 0, "two sources draw the same picture");
    if (picture_count == MAX_PICTURES)
        art_fail(name, 0, "too many pictures (at most %d)", MAX_PICTURES);
    if (strlen(name) >= sizeof(pictures[0].name))
        art_fail(name, 0, "name too long");
    strcpy(pictures[picture_count].name, name);
    pictures[picture_count].bmp = bmp;
    picture_count++;
}

BITMAP* find_picture(const char* name)
{
    for (int i = 0; i < picture_count; i++)
        if (strcmp(pictures[i].name, name) == 0)
            return pictures[i].bmp;
    return NULL;
}

static int compare_names(const void* a, const void* b)
{
    return strcmp(*(char* const*)a, *(char* const*)b);
}

static bool ends_with(const char* s, const char* tail)
{
    int n = strlen(s), m = strlen(tail);
    return n >= m && strcmp(s + n - m, tail) == 0;
}

// Reads every NAME.art below dir, in sorted order so errors are repeatable.
static void read_art_tree(const char* dir)
{
    DIR* d = opendir(dir);
    if (!d)
        art_fail(dir, 0, "cannot open folder (%s)", strerror(errno));
    char* names[1024];
    int count = 0;
    struct dirent* e;
    while ((e = readdir(d)) != NULL) {
        if (e->d_name[0] == '.')
            continue;
        if (count == 1024)
            art_fail(dir, 0, "more than 1024 entries");
        names[count++] = strdup(e->d_name);
    }
    closedir(d);
    qsort(names, count, sizeof(char*), compare_names);
    for (int i = 0; i < count; i++) {
        char path[1024];
        snprintf(path, sizeof(path), "%s/%s", dir, names[i]);
        struct stat st;
        if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) {
            read_art_tree(path);
        } else if (ends_with(names[i], ".art")) {
            char name[256];
            snprintf(name, sizeof(name), "%s", names[i]);
            name[strlen(name) - 4] = 0;
            add_picture(name, read_art(path, NULL));
        }
        free(names[i]);
    }
}

// variants.txt: "NAME TEMPLATE [FROM=TO ...]" draws TEMPLATE with each FROM
// character replaced by TO (palette characters), e.g. a blue shirt made green.
static void read_variants(const char* src)
{
    char path[1024];
    snprintf(path, sizeof(path), "%s/variants.txt", src);
    FILE* f = fopen(path, "r");
    if (!f)
        art_fail(path, 0, "cannot open (%s)", strerror(errno));
    char buf[1024];
    int line = 0;
    while (fgets(buf, sizeof(buf), f)) {
        line++;
        chomp(buf);
        char* s = skip_blanks(buf);
        if (!*s || *s == '#')
            continue;
        char* save = NULL;
        char* name = strtok_r(s, " \t", &save);
        char* tpl = strtok_r(NULL, " \t", &save);
        if (!tpl)
            art_fail(path, line, "expected \"NAME TEMPLATE [FROM=TO ...]\"");
        unsigned char map[256];
        for (int i = 0; i < 256; i++)
            map[i] = i;
        char* swap;
        while ((swap = strtok_r(NULL, " \t", &save)) != NULL) {
            if (swap[0] == '#')
                break;
            if (strlen(swap) != 3 || swap[1] != '=')
                art_fail(path, line, "recolouring must read FROM=TO, got \"%s\"", swap);
            map[(unsigned char)swap[0]] = swap[2];
        }
        char tpath[1024];
        snprintf(tpath, sizeof(tpath), "%s/%s", src, tpl);
        add_picture(name, read_art(tpath, map));
    }
    fclose(f);
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5) {
        fprintf(stderr, "usage: krag-art ART_FOLDER OUTPUT_FOLDER [ICON_FOLDER [TILED_FOLDER]]\n");
        return 2;
    }
    const char* src = argv[1];
    const char* out = argv[2];
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "krag-art: cannot start Allegro\n");
        return 1;
    }
    set_color_depth(32);
    set_color_conversion(COLORCONV_NONE);

    char path[1024];
    shared_palette.clear();
    snprintf(path, sizeof(path), "%s/palette.txt", src);
    read_palette(path, &shared_palette);

    read_art_tree(src);
    read_variants(src);
    draw_screens();

    for (int i = 0; i < REQUIRED_COUNT; i++)
        if (!find_picture(required_names[i]))
            art_fail(src, 0, "nothing draws %s.bmp", required_names[i]);

    mkdir(out, 0755);
    for (int i = 0; i < picture_count; i++) {
        if (snprintf(path, sizeof(path), "%s/%s.bmp", out, pictures[i].name) >= (int)sizeof(path))
            art_fail(out, 0, "output path too long");
        if (save_bitmap(path, pictures[i].bmp, NULL) != 0)
            art_fail(path, 0, "cannot write");
    }
    printf("krag-art: wrote %d bitmaps to %s\n", picture_count, out);
    if (argc >= 4) {
        write_icons(argv[3]);
        printf("krag-art: wrote the icons to %s\n", argv[3]);
    }
    if (argc == 5) {
        write_tiled_pictures(src, argv[4]);
        printf("krag-art: wrote the pictures for Tiled to %s\n", argv[4]);
    }
    return 0;
}
