// krag-shot: takes and examines screenshots for the end-to-end tests, one quick process
// per look instead of several image-program runs.
//
//   krag-shot grab OUT [WINDOW | X Y W H]
//                 the window's pixels, the whole screen or a rectangle of it into OUT (PPM)
//
// The other commands read a PPM shot and look at a region given in picture pixels
// through a VIEW: "S" or "S+OX+OY", picture pixel (x, y) being the shot's pixel
// (OX + S*x, OY + S*y) (the game doubles or triples its 640x480 picture; full screen
// adds black bars). Each prints one number:
//
//   diff SHOT VIEW X Y W H BMP [BX BY [FUZZ]]
//                 pixels of the region that differ from the BMP's W x H part at (BX, BY)
//                 (default: the same X Y) by more than FUZZ % (default 6)
//   changed A B VIEW X Y W H       pixels of the region that differ between two shots
//   count SHOT VIEW X Y W H RRGGBB [FUZZ]
//                 pixels within FUZZ % (default 0) of the colour
//   fire SHOT VIEW X Y W H         full red with no blue (fireball colours)
//   grey SHOT VIEW X Y W H         grey between dark and white (smoke)
//   median-x SHOT VIEW X Y W H RRGGBB
//                 the middle column of the colour's pixels (nothing when fewer than 20)
//   colours SHOT VIEW X Y W H      distinct colours
//   hud SHOT VIEW BMPDIR           prints the screen shake offset "DX DY" (each -2..2) at
//                 which the health, ammunition and kill bars all match; exit 1 if none
//
// A colour distance is the root mean square of the channel differences, 100 % being
// black to white.
// Exit status 2 on a bad argument or an unreadable file, with the reason on stderr.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "number.h"

struct cpicture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb; // w * h * 3, rows top to bottom
    const unsigned char *at(int x, int y) const { return &rgb[((size_t)y * w + x) * 3]; }
};

struct cview {
    long s = 1, ox = 0, oy = 0;
};

static void die(const char *what, const char *detail) {
    fprintf(stderr, "krag-shot: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    exit(2);
}

static long arg_number(const char *s, long lo, long hi) {
    long v;
    if (!number(s, lo, hi, v)) die("not a number in range", s);
    return v;
}

static double arg_fuzz(const char *s) {
    char *end = nullptr;
    double v = strtod(s, &end);
    if (!*s || *end || v < 0 || v > 100) die("fuzz must be 0-100", s);
    return v;
}

static cview arg_view(const char *s) {
    cview v;
    if (sscanf(s, "%ld+%ld+%ld", &v.s, &v.ox, &v.oy) < 1 || v.s < 1 || v.s > 8 || v.ox < 0 ||
        v.oy < 0)
        die("view must be S or S+OX+OY", s);
    return v;
}

static unsigned long arg_colour(const char *s) {
    char *end = nullptr;
    unsigned long c = strtoul(s, &end, 16);
    if (strlen(s) != 6 || *end) die("colour must be RRGGBB", s);
    return c;
}

// ---- files ----

static bool read_all(const char *path, std::vector<unsigned char> &out) {
    FILE *f = fopen(path, "rb");
    if (!f) return false;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    fclose(f);
    return true;
}

static cpicture load_ppm(const char *path) {
    std::vector<unsigned char> data;
    if (!read_all(path, data)) die("cannot read", path);
    cpicture p;
    int off = 0;
    if (sscanf((const char *)data.data(), "P6 %d %d 255%n", &p.w, &p.h, &off) != 2 || off == 0 ||
        p.w <= 0 || p.h <= 0 || p.w > 16384 || p.h > 16384)
        die("not a shot (binary PPM)", path);
    off++; // the single whitespace after 255
    size_t need = (size_t)p.w * p.h * 3;
    if (data.size() < off + need) die("shot cut short", path);
    p.rgb.assign(data.begin() + off, data.begin() + off + need);
    return p;
}

static unsigned le(const unsigned char *p, int n) {
    unsigned v = 0;
    for (int i = n - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

// The game's bitmaps: uncompressed 24-bit BMP, rows bottom to top (or top to bottom with
// a negative height).
static cpicture load_bmp(const char *path) {
    std::vector<unsigned char> d;
    if (!read_all(path, d)) die("cannot read", path);
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') die("not a BMP", path);
    unsigned off = le(&d[10], 4);
    int w = (int)le(&d[18], 4), h = (int)le(&d[22], 4);
    bool top_down = h < 0;
    if (top_down) h = -h;
    if (le(&d[28], 2) != 24 || le(&d[30], 4) != 0) die("not an uncompressed 24-bit BMP", path);
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384) die("bad BMP size", path);
    size_t stride = ((size_t)w * 3 + 3) & ~(size_t)3;
    if (d.size() < off + stride * h) die("BMP cut short", path);
    cpicture p;
    p.w = w;
    p.h = h;
    p.rgb.resize((size_t)w * h * 3);
    for (int y = 0; y < h; y++) {
        const unsigned char *row = &d[off + stride * (top_down ? y : h - 1 - y)];
        for (int x = 0; x < w; x++) {
            unsigned char *o = &p.rgb[((size_t)y * w + x) * 3];
            o[0] = row[x * 3 + 2];
            o[1] = row[x * 3 + 1];
            o[2] = row[x * 3];
        }
    }
    return p;
}

// ---- the grab ----

static int x_error;
static int on_x_error(Display *, XErrorEvent *e) {
    x_error = e->error_code;
    return 0;
}

static int mask_shift(unsigned long mask) {
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        s++;
    }
    return s;
}

// RECT (x, y, w, h of the screen) is used when WINDOW is null; both null: the whole screen.
static int grab(const char *out, const char *window, const long *rect) {
    Display *d = XOpenDisplay(nullptr);
    if (!d) die("cannot open the display", getenv("DISPLAY"));
    XSetErrorHandler(on_x_error);
    Window w = DefaultRootWindow(d);
    if (window) {
        char *end = nullptr;
        w = strtoul(window, &end, 0);
        if (!*window || *end) die("not a window id", window);
    }
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || x_error) {
        fprintf(stderr, "krag-shot: no window %s\n", window ? window : "root");
        return 1;
    }
    int left = 0, top = 0;
    if (rect) {
        if (rect[0] + rect[2] > a.width || rect[1] + rect[3] > a.height) {
            fprintf(stderr, "krag-shot: the rectangle leaves the screen\n");
            return 1;
        }
        left = rect[0];
        top = rect[1];
        a.width = rect[2];
        a.height = rect[3];
    }
    XImage *img = XGetImage(d, w, left, top, a.width, a.height, AllPlanes, ZPixmap);
    XSync(d, False);
    if (!img || x_error) {
        fprintf(stderr, "krag-shot: cannot read window %s (not mapped?)\n",
                window ? window : "root");
        return 1;
    }
    int rs = mask_shift(img->red_mask), gs = mask_shift(img->green_mask),
        bs = mask_shift(img->blue_mask);
    unsigned long rm = img->red_mask >> rs, gm = img->green_mask >> gs, bm = img->blue_mask >> bs;
    if (!rm || !gm || !bm) die("the screen is not true colour", nullptr);
    std::vector<unsigned char> rgb((size_t)a.width * a.height * 3);
    bool fast = img->bits_per_pixel == 32 && rm == 255 && gm == 255 && bm == 255 &&
                img->byte_order == LSBFirst;
    for (int y = 0; y < a.height; y++) {
        unsigned char *o = &rgb[(size_t)y * a.width * 3];
        if (fast) {
            const unsigned char *row =
                (const unsigned char *)img->data + (size_t)y * img->bytes_per_line;
            for (int x = 0; x < a.width; x++) {
                unsigned long px = le(row + x * 4, 4);
                *o++ = px >> rs & 255;
                *o++ = px >> gs & 255;
                *o++ = px >> bs & 255;
            }
        } else {
            for (int x = 0; x < a.width; x++) {
                unsigned long px = XGetPixel(img, x, y);
                *o++ = ((px >> rs) & rm) * 255 / rm;
                *o++ = ((px >> gs) & gm) * 255 / gm;
                *o++ = ((px >> bs) & bm) * 255 / bm;
            }
        }
    }
    XDestroyImage(img);
    XCloseDisplay(d);
    // Written under another name and renamed, so a reader never sees half a shot.
    std::string tmp = std::string(out) + ".part";
    FILE *f = fopen(tmp.c_str(), "wb");
    if (!f) die("cannot write", tmp.c_str());
    fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
    bool ok = fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    ok = fclose(f) == 0 && ok;
    if (!ok || rename(tmp.c_str(), out) != 0) die("cannot write", out);
    return 0;
}

// ---- looking ----

struct cregion {
    long x, y, w, h;
};

static cregion arg_region(char **a) {
    return {arg_number(a[0], -4096, 4096), arg_number(a[1], -4096, 4096),
            arg_number(a[2], 1, 16384), arg_number(a[3], 1, 16384)};
}

// The shot's pixel for picture pixel (x, y); nullptr when it lies outside the shot.
static const unsigned char *pixel(const cpicture &p, const cview &v, long x, long y) {
    long sx = v.ox + v.s * x + v.s / 2, sy = v.oy + v.s * y + v.s / 2;
    if (x < 0 || y < 0 || sx >= p.w || sy >= p.h) return nullptr;
    return p.at(sx, sy);
}

static bool near(const unsigned char *a, const unsigned char *b, double fuzz) {
    double limit = fuzz / 100 * 255;
    double dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return dr * dr + dg * dg + db * db <= 3 * limit * limit;
}

// Pixels of the region for which TEST(pixel) holds; a region partly off the shot counts
// its missing pixels as failing TEST (as differing, for the comparisons).
template <class ctest> static long count(const cpicture &p, const cview &v, cregion r, ctest test) {
    long n = 0;
    for (long y = r.y; y < r.y + r.h; y++)
        for (long x = r.x; x < r.x + r.w; x++) {
            const unsigned char *px = pixel(p, v, x, y);
            if (px && test(px, x - r.x, y - r.y)) n++;
        }
    return n;
}

static long diff_bmp(const cpicture &shot, const cview &v, cregion r, const cpicture &bmp, long bx,
                     long by, double fuzz) {
    if (bx < 0 || by < 0 || bx + r.w > bmp.w || by + r.h > bmp.h)
        die("region outside the BMP", nullptr);
    return r.w * r.h - count(shot, v, r, [&](const unsigned char *px, long dx, long dy) {
               return near(px, bmp.at(bx + dx, by + dy), fuzz);
           });
}

static bool grey(const unsigned char *px) {
    double r = px[0] / 255.0, g = px[1] / 255.0, b = px[2] / 255.0;
    double hi = std::max(r, std::max(g, b)), lo = std::min(r, std::min(g, b));
    double light = (hi + lo) / 2, c = hi - lo, sat = 0;
    if (c > 0) sat = light <= 0.5 ? c / (2 * light) : c / (2 - 2 * light);
    return sat <= 0.01 && light > 0.10 && light <= 0.95;
}

static int hud(const cpicture &shot, const cview &v, const std::string &dir) {
    cpicture health = load_bmp((dir + "/health_bar.bmp").c_str());
    cpicture ammo = load_bmp((dir + "/ammo_bar.bmp").c_str());
    cpicture kills = load_bmp((dir + "/kills_bar.bmp").c_str());
    static const int order[] = {0, -1, 1, -2, 2};
    for (int dy : order)
        for (int dx : order) {
            if (diff_bmp(shot, v, {49 + dx, 10 + dy, 48, 16}, health, 0, 0, 6) > 10) continue;
            if (diff_bmp(shot, v, {253 + dx, 10 + dy, 30, 16}, ammo, 0, 0, 6) > 10) continue;
            if (diff_bmp(shot, v, {442 + dx, 10 + dy, 40, 16}, kills, 0, 0, 6) > 10) continue;
            printf("%d %d\n", dx, dy);
            return 0;
        }
    return 1;
}

static void usage() {
    fprintf(stderr, "usage: krag-shot grab OUT [WINDOW | X Y W H]\n"
                    "       krag-shot diff SHOT VIEW X Y W H BMP [BX BY [FUZZ]]\n"
                    "       krag-shot changed A B VIEW X Y W H\n"
                    "       krag-shot count SHOT VIEW X Y W H RRGGBB [FUZZ]\n"
                    "       krag-shot fire|grey|colours SHOT VIEW X Y W H\n"
                    "       krag-shot median-x SHOT VIEW X Y W H RRGGBB\n"
                    "       krag-shot hud SHOT VIEW BMPDIR\n");
    exit(2);
}

int main(int argc, char **argv) {
    if (argc < 3) usage();
    std::string cmd = argv[1];
    int n = argc - 2; // arguments after the command
    char **a = argv + 2;
    if (cmd == "grab") {
        if (n == 5) {
            long rect[4] = {arg_number(a[1], 0, 16384), arg_number(a[2], 0, 16384),
                            arg_number(a[3], 1, 16384), arg_number(a[4], 1, 16384)};
            return grab(a[0], nullptr, rect);
        }
        if (n > 2) usage();
        return grab(a[0], n == 2 ? a[1] : nullptr, nullptr);
    }
    if (cmd == "changed") {
        if (n != 7) usage();
        cpicture p = load_ppm(a[0]), q = load_ppm(a[1]);
        cview v = arg_view(a[2]);
        cregion r = arg_region(a + 3);
        long same = count(p, v, r, [&](const unsigned char *px, long dx, long dy) {
            const unsigned char *o = pixel(q, v, r.x + dx, r.y + dy);
            return o && o[0] == px[0] && o[1] == px[1] && o[2] == px[2];
        });
        printf("%ld\n", r.w * r.h - same);
        return 0;
    }
    if (cmd == "hud") {
        if (n != 3) usage();
        return hud(load_ppm(a[0]), arg_view(a[1]), a[2]);
    }
    if (n < 6) usage();
    cpicture shot = load_ppm(a[0]);
    cview v = arg_view(a[1]);
    cregion r = arg_region(a + 2);
    long result = 0;
    if (cmd == "diff") {
        if (n != 7 && n != 9 && n != 10) usage();
        cpicture bmp = load_bmp(a[6]);
        long bx = n >= 9 ? arg_number(a[7], 0, 16384) : r.x,
             by = n >= 9 ? arg_number(a[8], 0, 16384) : r.y;
        result = diff_bmp(shot, v, r, bmp, bx, by, n == 10 ? arg_fuzz(a[9]) : 6);
    } else if (cmd == "count") {
        if (n != 7 && n != 8) usage();
        unsigned long c = arg_colour(a[6]);
        unsigned char want[3] = {(unsigned char)(c >> 16), (unsigned char)(c >> 8),
                                 (unsigned char)c};
        double fuzz = n == 8 ? arg_fuzz(a[7]) : 0;
        result = count(shot, v, r,
                       [&](const unsigned char *px, long, long) { return near(px, want, fuzz); });
    } else if (cmd == "fire") {
        if (n != 6) usage();
        result = count(shot, v, r, [](const unsigned char *px, long, long) {
            return px[0] == 255 && px[2] == 0;
        });
    } else if (cmd == "grey") {
        if (n != 6) usage();
        result = count(shot, v, r, [](const unsigned char *px, long, long) { return grey(px); });
    } else if (cmd == "colours") {
        if (n != 6) usage();
        std::vector<unsigned long> seen;
        count(shot, v, r, [&](const unsigned char *px, long, long) {
            seen.push_back((unsigned long)px[0] << 16 | px[1] << 8 | px[2]);
            return true;
        });
        std::sort(seen.begin(), seen.end());
        result = std::unique(seen.begin(), seen.end()) - seen.begin();
    } else if (cmd == "median-x") {
        if (n != 7) usage();
        unsigned long c = arg_colour(a[6]);
        unsigned char want[3] = {(unsigned char)(c >> 16), (unsigned char)(c >> 8),
                                 (unsigned char)c};
        std::vector<long> xs;
        count(shot, v, r, [&](const unsigned char *px, long dx, long) {
            if (near(px, want, 0)) xs.push_back(r.x + dx);
            return true;
        });
        if (xs.size() < 20) return 0; // prints nothing
        std::sort(xs.begin(), xs.end());
        result = xs[(xs.size() + 1) / 2 - 1];
    } else {
        usage();
    }
    printf("%ld\n", result);
    return 0;
}
