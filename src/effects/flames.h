#ifndef KRAG_EFFECTS_FLAMES_H
#define KRAG_EFFECTS_FLAMES_H

#include "match/pool.h"

class cplayer;

const int MAX_FLAMES1 = 512;
const int MAX_FLAMES2 = 192;
const int MAX_FIRE = 6;
const int MAX_BURNING_SPOTS = 32;

// A fire particle: fireball (explosions) or burning (burning spots).
class cflame1 {
  public:
    float x, y; // centre
    float vx, vy;
    int lifetime; // ticks
    cslot<cflame1> active;
    bool burning;

    void init(float x, float y, bool burning);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
};

// A flamethrower flame: flies, grows, burns what it passes.
class cflame2 {
  public:
    float x, y;
    float vx, vy;
    int age; // 10 at birth, +1 per tick
    cslot<cflame2> active;
    cplayer *owner;

    void init(float x, float y, float angle, cplayer *owner);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
};

// Up to 32 burning spots, each emitting one burning particle per tick.
class cflamemgr {
  public:
    int counter[MAX_BURNING_SPOTS]; // ticks of emission left; <= 0 is free
    int spot_x[MAX_BURNING_SPOTS], spot_y[MAX_BURNING_SPOTS];

    void init();
    void create(int x, int y);
    void update();
};

// A muzzle flash, shown for one world tick.
class cfire {
  public:
    float angle;
    int x, y;
    bool active;
    bool big; // the minigun's larger flash

    void init(float angle, int x, int y, bool big);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update() { active = false; }
    void draw();
};

extern cflame1 flames1[MAX_FLAMES1];
template <> struct cpool_home<cflame1> {
    static cflame1 *slots() { return flames1; }
    static const int size = MAX_FLAMES1;
};
extern cflame2 flames2[MAX_FLAMES2];
template <> struct cpool_home<cflame2> {
    static cflame2 *slots() { return flames2; }
    static const int size = MAX_FLAMES2;
};
extern cflamemgr flamemgr;
extern cfire fire[MAX_FIRE];

#endif
