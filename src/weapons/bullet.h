#ifndef KRAG_WEAPONS_BULLET_H
#define KRAG_WEAPONS_BULLET_H

#include "match/pool.h"

class cplayer;
class cbarrel;
class cbox;

const int MAX_BULLETS = 256;

class cbullet {
  public:
    float angle;
    float x, y; // tail and sprite pivot; the tip is 40 px ahead
    int damage;
    cslot<cbullet> active;
    bool seeking;
    bool fresh; // fired and not yet moved: not drawn
    cplayer *owner;
    // cos and sin of `angle`, kept for the pixel steps; refreshed when the angle changes
    float trig_angle;
    double ca, sa;

    void init(float angle, float x, float y, int damage, bool seeking, cplayer *owner);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
    bool screen();
    bool enemy(int i, float px, float py);
    cplayer *player();
    cbarrel *barrel();
    cbox *box();
    void seek();
    void trig() {
        if (trig_angle != angle) refresh_trig();
    }

  private:
    void refresh_trig();
};

extern cbullet bullets[MAX_BULLETS];
template <> struct cpool_home<cbullet> {
    static cbullet *slots() { return bullets; }
    static const int size = MAX_BULLETS;
};

#endif
