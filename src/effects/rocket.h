#ifndef KRAG_EFFECTS_ROCKET_H
#define KRAG_EFFECTS_ROCKET_H

class cplayer;

const int MAX_ROCKETS = 12;
const float BLAST_RADIUS = 50.0f;      // players closer than this to the blast take BLAST_DAMAGE
const float PROP_BLAST_RADIUS = 25.0f; // barrels and boxes closer than this are destroyed
const int BLAST_DAMAGE = 100;
const int FIREBALL_FLAMES = 64;

class crocket {
  public:
    float angle;
    float speed; // pixels per world tick
    float x, y;  // tail and sprite pivot; the tip is 12 px ahead
    bool active;
    bool seeking;
    cplayer *owner;

    void init(float angle, float x, float y, bool seeking, cplayer *owner);
    void reset() { active = false; }
    bool get_active() { return active; }
    void update();
    void draw();
    bool screen();
    bool enemy(int i, float px, float py);
    bool player();
    bool barrel();
    bool box();
    void seek();
    void explode();
};

extern crocket rockets[MAX_ROCKETS];

// The explosion every explosive shares: hurts players near (bx, by), destroys props,
// throws the fireball at (fx, fy), plays the blast and shakes the view when
// (viewx, viewy) is on screen. `credit` is the player credited with kills, or none.
void explosion(float bx, float by, float fx, float fy, float viewx, float viewy, cplayer *credit);

#endif
