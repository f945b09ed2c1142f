#ifndef KRAG_WEAPONS_LASER_H
#define KRAG_WEAPONS_LASER_H

class cplayer;
class cbarrel;
class cbox;

const int MAX_LASERS = 6;
const int LASER_TICKS = 50;

class claser {
  public:
    float angle;
    float x, y;  // start point
    int length;  // unobstructed one-pixel steps
    int timer;   // ticks left to show; 0 = free
    cplayer *owner;

    void init(float angle, float x, float y, cplayer *owner);
    void reset() { timer = 0; }
    bool get_active() { return timer > 0; }
    void update() { if (timer > 0) timer--; }
    void draw();
    bool screen(int px, int py);
    bool enemy(int i, float px, float py);
    cplayer *player(int px, int py);
    cbarrel *barrel(int px, int py);
    cbox *box(int px, int py);
};

extern claser laser[MAX_LASERS];

#endif
