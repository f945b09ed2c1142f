#ifndef KRAG_PLAYERS_FLESH_H
#define KRAG_PLAYERS_FLESH_H

const int MAX_FLESH = 60;

// A 5x5 chunk that tumbles, bounces and bleeds.
class cflesh {
  public:
    float x, y;
    float vx, vy;
    float spin;
    bool active;

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

#endif
