#ifndef KRAG_PLAYERS_POWERUP_H
#define KRAG_PLAYERS_POWERUP_H

class cplayer;

const int MAX_POWERUPS = 6;
const int POWERUP_INTERVAL = 500;  // world ticks between placement attempts (plus one)
const int POWERUP_LIFETIME = 2500; // ticks

class cpowerup {
  public:
    float x, y; // top-left of the 10x10 pickup
    float vy;
    int lifetime; // ticks
    int kind;
    bool active;

    void init(float x, float y, int kind);
    void update();
    void draw();
    cpowerup *reset() { active = false; return this; }
    bool get_active() { return active; }
    bool down();
    cplayer *target();
};

class cpumgr {
  public:
    int countdown; // world ticks until the next placement attempt

    void init() { countdown = POWERUP_INTERVAL; }
    void update();
    bool location(int px, int py);
};

extern cpowerup powerups[MAX_POWERUPS];
extern cpumgr pumgr;

#endif
