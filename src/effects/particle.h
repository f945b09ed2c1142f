#ifndef KRAG_EFFECTS_PARTICLE_H
#define KRAG_EFFECTS_PARTICLE_H

#include "match/pool.h"

const int MAX_PARTICLES = 256;

// Debris: heavy (falls and settles) or floating (drifts a short while).
class cparticle {
  public:
    float x, y;
    float vx, vy;
    int lifetime; // ticks
    cslot<cparticle> active;
    char sprite;
    bool floating;

    void init(float x, float y, bool floating);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
};

extern cparticle particles[MAX_PARTICLES];
template <> struct cpool_home<cparticle> {
    static cparticle *slots() { return particles; }
    static const int size = MAX_PARTICLES;
};

// Starts up to n particles at (x, y) in the first free slots.
void spawn_particles(float x, float y, bool floating, int n);

#endif
