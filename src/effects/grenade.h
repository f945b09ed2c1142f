#ifndef KRAG_EFFECTS_GRENADE_H
#define KRAG_EFFECTS_GRENADE_H

class cplayer;

const int MAX_GRENADES1 = 30;
const int MAX_GRENADES2 = 6;
const int GRENADE_FUSE = 150; // world ticks

// A thrown hand grenade: bounces, rests, explodes after its fuse.
class cgrenade1 {
  public:
    float spin;
    float x, y; // top-left of the 5x4 body
    float vx, vy;
    int fuse; // ticks
    bool active;
    cplayer *owner;

    void init(float x, float y, float angle, float power, cplayer *owner);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
    void explode();
    bool down();
    bool up();
    bool left();
    bool right();
};

// A launcher grenade: flies on a light arc and explodes on contact.
class cgrenade2 {
  public:
    float x, y; // top-left of the 5x5 body
    float vx, vy;
    bool active;
    cplayer *owner;

    void init(float x, float y, float angle, cplayer *owner);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
    void explode();
    bool enemy(int i, float px, float py);
    bool down();
    bool up();
    bool left();
    bool right();
};

extern cgrenade1 grenades1[MAX_GRENADES1];
extern cgrenade2 grenades2[MAX_GRENADES2];

#endif
