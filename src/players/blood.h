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
    void update() {
        if (!active) return;
        // The last tick still moves the drop.
        if (lifetime == 0) active = false;
        lifetime -= 1;
        // A still drop on a floor stays as it is: the map does not change under it and
        // only move() moves it (a speed given to it from outside wakes it).
        if (!settled || vx != 0 || vy != 0) move();
    }
    void move(); // one tick of flight, fall or landing
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
