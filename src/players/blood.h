#ifndef KRAG_PLAYERS_BLOOD_H
#define KRAG_PLAYERS_BLOOD_H

#include "match/pool.h"

const int MAX_BLOOD = 4096;
const int BLOOD_LIFETIME = 200;

// A 2x2 drop that flies, falls and sticks where it hits.
class cblood {
  public:
    float x, y;
    float vx, vy;
    int lifetime; // ticks
    cslot<cblood> active;
    char frame;
    bool settled; // came to rest on a floor: nothing moves it any more

    cblood *init(float x, float y);
    void update();
    void draw();
    void reset() { active = false; }
    bool get_active() { return active; }
    bool up();
    bool down();
    bool left();
    bool right();
};

extern cblood blood[MAX_BLOOD];
template <> struct cpool_home<cblood> {
    static cblood *slots() { return blood; }
    static const int size = MAX_BLOOD;
};

// Starts up to n drops at (x, y) in the first free slots.
void spill_blood(float x, float y, int n);

#endif
