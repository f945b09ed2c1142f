#include "weapons/spans.h"

#include <vector>

// The open run of each line; from > to when there is none. Empty between uses.
struct crun {
    int from = 1, to = 0;
};
static std::vector<crun> runs;

void cspans::begin(BITMAP *b, bool cols, int c) {
    bmp = b;
    columns = cols;
    colour = c;
    int size = columns ? bmp->w : bmp->h;
    // Lines outside the clipping rectangle (or the bitmap) would show nothing.
    lo = bmp->clip ? (columns ? bmp->cl : bmp->ct) : 0;
    hi = bmp->clip ? (columns ? bmp->cr : bmp->cb) : size;
    if (lo < 0) lo = 0;
    if (hi > size) hi = size;
    along_lo = bmp->clip ? (columns ? bmp->ct : bmp->cl) : 0;
    along_hi = bmp->clip ? (columns ? bmp->cb : bmp->cr) : (columns ? bmp->h : bmp->w);
    if ((int)runs.size() < size) runs.resize(size);
    first = 0;
    last = -1;
}

void cspans::flush(int line) {
    crun &r = runs[line];
    if (r.from > r.to) return;
    if (r.to < along_lo || r.from >= along_hi) { // wholly outside: not handed to the library
        r = crun();
        return;
    }
    if (columns)
        vline(bmp, line, r.from, r.to, colour);
    else
        hline(bmp, r.from, line, r.to, colour);
    r = crun();
}

void cspans::add(int line, int from, int to) {
    if (line < lo || line >= hi) return;
    crun &r = runs[line];
    if (r.from <= r.to && from <= r.to + 1 && to >= r.from - 1) { // touching: one run
        if (from < r.from) r.from = from;
        if (to > r.to) r.to = to;
        return;
    }
    flush(line);
    r.from = from;
    r.to = to;
    if (first > last) first = last = line;
    if (line < first) first = line;
    if (line > last) last = line;
}

void cspans::square(int x1, int y1, int x2, int y2) {
    if (x1 > x2) {
        int t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y1 > y2) {
        int t = y1;
        y1 = y2;
        y2 = t;
    }
    if (columns)
        for (int x = x1; x <= x2; x++)
            add(x, y1, y2);
    else
        for (int y = y1; y <= y2; y++)
            add(y, x1, x2);
}

void cspans::end() {
    for (int line = first; line <= last; line++)
        flush(line);
    first = 0;
    last = -1;
}
