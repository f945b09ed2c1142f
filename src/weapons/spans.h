#ifndef KRAG_WEAPONS_SPANS_H
#define KRAG_WEAPONS_SPANS_H

#include <allegro.h>

// Squares of one colour gathered into runs along the lines of a bitmap (rows, or columns
// for a steep trail), each run drawn as one line. In the solid drawing mode a pixel
// covered twice by one colour looks as covered once, so the runs show exactly the
// pixels the squares would.
class cspans {
  public:
    // Starts gathering for bmp; `columns`: runs go down columns instead of along rows.
    void begin(BITMAP *bmp, bool columns, int colour);
    // The square between corners (x1, y1) and (x2, y2), either way round, as rectfill
    // takes them.
    void square(int x1, int y1, int x2, int y2);
    // Draws the runs still open.
    void end();

  private:
    void add(int line, int from, int to);
    void flush(int line);
    BITMAP *bmp = nullptr;
    bool columns = false;
    int colour = 0;
    int lo = 0, hi = 0;       // lines that can show anything, [lo, hi)
    int along_lo = 0, along_hi = 0; // and the places along a line that can, likewise
    int first = 0, last = -1; // lines that may hold open runs, [first, last]
};

#endif
