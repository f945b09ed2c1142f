#ifndef KRAG_EFFECTS_SMOKE_H
#define KRAG_EFFECTS_SMOKE_H

#include "match/pool.h"

const int MAX_SMOKE = 2048;

class csmoke {
  public:
    float x, y; // centre
    float vx, vy;
    int shade; // grey level 0-254, also the radius
    cslot<csmoke> active;

    void init(float x, float y);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
};

extern csmoke smoke[MAX_SMOKE];
template <> struct cpool_home<csmoke> {
    static csmoke *slots() { return smoke; }
    static const int size = MAX_SMOKE;
};

// Starts up to `count` puffs on a grid from (x, y): `per_row` puffs 3 px apart per row,
// rows 3 px apart, in the first free slots.
void smoke_grid(float x, float y, int per_row, int count);

#endif
