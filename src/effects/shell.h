#ifndef KRAG_EFFECTS_SHELL_H
#define KRAG_EFFECTS_SHELL_H

#include "match/pool.h"

const int MAX_SHELLS = 256;
const int SHELL_LIFETIME = 300;

// A spent cartridge: falls, bounces with a clink, lies flat.
class cshell {
  public:
    float spin;
    float x, y;
    float vx, vy;
    int lifetime; // ticks
    cslot<cshell> active;
    bool big; // shotgun shell

    void init(float x, float y, bool leftward, bool big);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
    bool up();
    bool down();
    bool left();
    bool right();
};

extern cshell shells[MAX_SHELLS];
template <> struct cpool_home<cshell> {
    static cshell *slots() { return shells; }
    static const int size = MAX_SHELLS;
};

#endif
