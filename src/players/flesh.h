#ifndef KRAG_PLAYERS_FLESH_H
#define KRAG_PLAYERS_FLESH_H

#include "match/pool.h"

const int MAX_FLESH = 60;

// A 5x5 chunk that tumbles, bounces and bleeds.
class cflesh {
  public:
    float x, y;
    float vx, vy;
    float spin;
    cslot<cflesh> active;

    cflesh *init(float x, float y, float force);
    void update();
    void draw();
    void reset() { active = false; }
    bool get_active() { return active; }
    bool up();
    bool down();
    bool left();
    bool right();
};

extern cflesh flesh[MAX_FLESH];
template <> struct cpool_home<cflesh> {
    static cflesh *slots() { return flesh; }
    static const int size = MAX_FLESH;
};

#endif
